#!/usr/bin/env bash
# The Windows build of the core, the command line and the tests, made here with Debian's
# mingw-w64 and checked under Wine: 1. build build-windows/; 2. a Wine prefix of our own (in a
# temporary folder, removed at the end); 3. the test suites under Wine; 4. kxveldran-cli.exe
# against the Linux simulator, whose pseudo-terminal Wine shows as COM1: find, program, read
# back, compare with the image; 5. the zip (CPack). Prints the time of each step.
# Needs the Linux release tree's kxveldran-sim (tools/build.sh release).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh --windows
root=$PWD
sim=${KX_SIM_PROGRAM:-$root/build/src/sim/kxveldran-sim}
[[ -x $sim ]] || { echo "no simulator at $sim: run tools/build.sh release first" >&2; exit 2; }

work=$(mktemp -d /tmp/kx-windows.XXXXXX)
export WINEPREFIX=$work/prefix WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installer at prefix creation
export KX_WINE_TIMEOUT=300
sim_pid=""
cleanup() {
    if [[ -n $sim_pid ]]; then kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; fi
    # The server leaves by itself once the last program is gone; -k only if it does not.
    if [[ -d $WINEPREFIX ]]; then
        timeout 30 wineserver -w >/dev/null 2>&1 || timeout 30 wineserver -k >/dev/null 2>&1 || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

times=()
step_start=$SECONDS
step() { echo "=== Windows: $1 ==="; step_name=$1; step_start=$SECONDS; }
done_step() { times+=("$step_name: $((SECONDS - step_start)) s"); }
wine_run() { tools/wine-run.sh "$@"; }

step "build"
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)"
done_step

step "Wine prefix"
timeout 300 wineboot --init >/dev/null 2>&1
# Wine links comN to /dev/ttyS* itself at every start; a port named in the registry
# overrides that. The simulator keeps a link at $work/com1 to its terminal.
timeout 60 wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$work/com1" /f >/dev/null 2>&1
timeout 30 wineserver -w
# One server for the steps below, its dump at exit kept out of the log.
wineserver -p5 >/dev/null 2>&1
done_step

step "simulator on COM1"
"$sim" --device F149 --link "$work/com1" --trace "$work/sim.trace" > "$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 500); do [[ -L $work/com1 ]] && break; sleep 0.01; done
[[ -L $work/com1 ]] || { echo "the simulator did not start: $(cat "$work/sim.out")" >&2; exit 1; }
ln -sfn "$(readlink "$work/com1")" "$WINEPREFIX/dosdevices/com1"
done_step

step "test suites under Wine"
KX_TEST_COM_PORT=COM1 ctest --preset windows
done_step

step "kxveldran-cli.exe against the simulator"
cli=$root/build-windows/src/cli/kxveldran-cli.exe
ini=$work/KX_VELDRAN.ini
{
    echo "@F000"
    for i in $(seq 0 15); do
        printf '%02X 11 22 33 44 55 66 77 88 99 AA BB CC DD EE %02X\n' "$i" $((255 - i))
    done
    echo "q"
} > "$work/image.txt"
# Windows paths, as a user there gives them (a word that starts with '/' is an option there).
win() { timeout 60 winepath -w "$1" 2>/dev/null; }
run_cli() {
    echo "\$ kxveldran-cli.exe $*"
    wine_run "$cli" "$@" --lang en --settings "$(win "$ini")" 2>&1 | tr -d '\r' | tee "$work/cli.out"
    return "${PIPESTATUS[0]}"
}
wine_run "$cli" --version | tr -d '\r' | grep -Ex 'kxveldran-cli \(KX_VELDRAN\) [0-9.]+'
run_cli find
grep -q COM1 "$work/cli.out" || { echo "find did not report COM1" >&2; exit 1; }
run_cli program "$(win "$work/image.txt")" --device F149 --erase --program --verify --no-product-info
run_cli read --device F149 --by-address --address F000 --length 100 -o "$(win "$work/back.txt")"
# The same bytes at the same addresses; line ends aside (the Windows program writes CR LF).
normal() { tr -d '\r' < "$1" | tr 'a-f' 'A-F' | grep -v '^$'; }
if ! diff <(normal "$work/image.txt") <(normal "$work/back.txt"); then
    echo "what was read back differs from the image" >&2
    exit 1
fi
echo "read back = image (256 bytes at F000)"
done_step

step "zip"
rm -f build-windows/kxveldran-cli-*-win64.zip
cpack --preset windows >/dev/null
zip=$(ls build-windows/kxveldran-cli-*-win64.zip)
listing=$(unzip -l "$zip")
echo "$listing"
for f in kxveldran-cli.exe LICENSE.txt README.md; do
    grep -q "/$f\$" <<< "$listing" || { echo "$zip lacks $f" >&2; exit 1; }
done
done_step

printf '%s\n' "${times[@]}"
