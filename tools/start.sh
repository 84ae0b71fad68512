#!/usr/bin/env bash
# Quick start: installs the build packages, builds, and opens the KX_VELDRAN window (without a
# display it stops after the build and says how to go on).
#
# With a programmer named in KX_VELDRAN_PORTS (e.g. KX_VELDRAN_PORTS=/dev/ttyUSB0) the window
# talks to it. Without, the bundled simulator kxveldran-sim serves a pseudo-terminal with a
# simulated box and an F1101 on its cable, and the window finds it as its first port, so
# discovery, a run, a read and an offline download can all be tried at once; the stand-in
# firmware may then go into the simulated box (KX_ALLOW_STANDIN_FIRMWARE=1). The simulator
# stops when the window closes.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/deps.sh
tools/build.sh release

# Without a display everything is ready but the window; xvfb-run came with the packages.
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    cat >&2 <<'MSG'
start.sh: the programs are built, but there is no display here ($DISPLAY and
$WAYLAND_DISPLAY are empty), so the window cannot open. Either run it on a virtual display:

    xvfb-run -a tools/start.sh

or use the command-line front end instead:

    build/src/cli/kxveldran-cli --help
MSG
    exit 2
fi

app=build/src/app/kxveldran
sim=build/src/sim/kxveldran-sim
demo=build/demo/Demo_F1101.TXT

sim_pid=""
work=""
cleanup() {
    if [[ -n "$sim_pid" ]]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    [[ -n "$work" ]] && rm -rf "$work"
}
trap cleanup EXIT

if [[ -z "${KX_VELDRAN_PORTS:-}" ]]; then
    work=$(mktemp -d)
    "$sim" --device 0 >"$work/sim.out" 2>"$work/sim.err" &
    sim_pid=$!
    pty=""
    for _ in $(seq 50); do
        pty=$(head -n 1 "$work/sim.out" 2>/dev/null || true)
        [[ -n "$pty" ]] && break
        if ! kill -0 "$sim_pid" 2>/dev/null; then break; fi
        sleep 0.1
    done
    if [[ -z "$pty" ]]; then
        echo "start.sh: the simulator did not start:" >&2
        cat "$work/sim.err" >&2
        exit 1
    fi
    export KX_VELDRAN_PORTS="$pty"
    # The build's stand-in firmware may go into the simulated box (never into a real one).
    export KX_ALLOW_STANDIN_FIRMWARE=1

    # A small program for the simulated F1101 (flash 0xFC00..0xFFFF) to load and run.
    mkdir -p "$(dirname "$demo")"
    printf '%s\r\n' \
        '@FC00' \
        '31 40 80 02 B2 40 80 5A 20 01 D2 D3 22 00 D2 E3' \
        '21 00 3F 40 50 C3 1F 83 FE 23 F9 3F' \
        '@FFFE' \
        '00 FC' \
        'q' >"$demo"
    echo "Simulated programmer on $pty (COM1 for the window)."
    echo "Try: 装载烧录文件 / Load code file -> $demo, then Run, Read and the offline Download."
fi

"$app"
