#!/usr/bin/env bash
# Checks an installed KX_VELDRAN from the outside, as its user meets it: the Debian package
# under /usr, or `cmake --install` into a folder.
#   - the three programs answer --version with VERSION; `kxveldran-cli devices` lists 100 rows;
#   - the installed simulator and command line program an image (with a serial number) and
#     read it back;
#   - the settings land beside the programs only where the user may write there, else under
#     $XDG_CONFIG_HOME (as root the checks run as "nobody", for whom the folder is read-only);
#   - the window opens on a virtual display, finds the simulated box and shows itself;
#   - a valid desktop entry whose program and icon (every usual size) are installed, a man page
#     per program, the licence and readme, and with --manual the manual where Help looks.
# Usage: tools/check_installed.sh [--manual] PREFIX VERSION
#        tools/check_installed.sh [--manual] --build BUILD_DIR VERSION   (installs BUILD_DIR
#        into a temporary folder first)
# Needs xvfb-run, xwininfo, desktop-file-validate and file (tools/deps.sh).
set -euo pipefail
manual=0
if [[ ${1:-} == --manual ]]; then manual=1; shift; fi
build=""
if [[ ${1:-} == --build ]]; then build=$2; shift; fi
if (($# != 2)); then
    echo "usage: $0 [--manual] (PREFIX | --build BUILD_DIR) VERSION" >&2
    exit 2
fi
version=$2
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

work=$(mktemp -d)
if [[ -n $build ]]; then
    cmake --install "$build" --prefix "$work/prefix" >/dev/null
    prefix=$work/prefix
else
    prefix=$(cd "$1" && pwd)
fi
bin=$prefix/bin
share=$prefix/share
sim_pid=""
cleanup() {
    [[ -n $sim_pid ]] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# Root may write anywhere, so the user's view comes from an unprivileged account.
as_user=()
if (($(id -u) == 0)); then
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
    chmod 755 "$work"
    chown nobody "$work"
fi
home=$work/home
"${as_user[@]}" mkdir -p "$home"
user_env=(env -u KX_VELDRAN_SETTINGS -u XDG_CONFIG_HOME -u QT_QPA_PLATFORM "HOME=$home"
          LANG=C.UTF-8 LANGUAGE= LC_ALL=)
run() { "${as_user[@]}" "${user_env[@]}" "$@"; }

# Programs and their versions.
for program in kxveldran kxveldran-cli kxveldran-sim; do
    if [[ ! -x $bin/$program ]]; then
        fail "$bin/$program is missing"
        continue
    fi
    out=$(run "$bin/$program" --version 2>&1) || true
    [[ $out == "$program "*" $version" ]] && pass "$out" ||
        fail "$program --version said '$out', expected '$program ... $version'"
done
rows=$(run "$bin/kxveldran-cli" devices | grep -c '^ *[0-9]') || true
((rows == 100)) && pass "kxveldran-cli devices: 100 rows" || fail "kxveldran-cli devices: $rows rows"

# One program-and-read through the installed simulator (an F1101: flash 0xFC00..0xFFFF).
printf '%s\r\n' '@FC00' '31 40 80 02 B2 40 80 5A 20 01 D2 D3 22 00 D2 E3' \
    '21 00 3F 40 50 C3 1F 83 FE 23 F9 3F' '@FFFE' '00 FC' 'q' >"$work/image.txt"
# Started directly, not through run(), so that $! is the simulator itself.
"${as_user[@]}" "${user_env[@]}" "$bin/kxveldran-sim" --device F1101 >"$work/sim.out" \
    2>"$work/sim.err" &
sim_pid=$!
pty=""
for _ in $(seq 100); do
    pty=$(head -n 1 "$work/sim.out" 2>/dev/null || true)
    [[ -n $pty ]] && break
    sleep 0.1
done
common=(--device F1101 --port "$pty" --lang en)
if [[ -z $pty ]]; then
    fail "the simulator printed no terminal: $(cat "$work/sim.err")"
elif ! run "$bin/kxveldran-cli" program "$work/image.txt" "${common[@]}" --product-info \
    --name CHECK --serial 41 --auto-increment >"$work/program.log" 2>&1; then
    fail "program: $(tail -n 3 "$work/program.log")"
elif ! run "$bin/kxveldran-cli" read --by-device "${common[@]}" -o "$work/back.txt" \
    >"$work/read.log" 2>&1; then
    fail "read: $(tail -n 3 "$work/read.log")"
elif [[ $(tr -d '\r' <"$work/back.txt" | grep -x -A 2 '@FC00') != $'@FC00\n31 40 80 02 B2 40 80 5A 20 01 D2 D3 22 00 D2 E3\n21 00 3F 40 50 C3 1F 83 FE 23 F9 3F FF FF FF FF' ]]; then
    fail "the read-back does not hold the programmed image: $(head -n 5 "$work/back.txt")"
else
    pass "kxveldran-cli programmed the simulated F1101 and read the image back"
fi

# Settings: beside the programs when the user may write there (a portable folder), else XDG.
if "${as_user[@]}" test -w "$bin"; then
    expected=$bin/KX_VELDRAN.ini other=$home/.config/KX_VELDRAN/KX_VELDRAN.ini
else
    expected=$home/.config/KX_VELDRAN/KX_VELDRAN.ini other=$bin/KX_VELDRAN.ini
fi
if grep -qx 'product_num=42' "$expected" 2>/dev/null && [[ ! -e $other ]]; then
    pass "the next serial number went to $expected"
else
    fail "expected the settings (product_num=42) in $expected only; $other exists: $([[ -e $other ]] && echo yes || echo no)"
fi

# The window on a virtual display, given the simulated box as its port.
window_check='
    "$1" & pid=$!
    for _ in $(seq 100); do
        if xwininfo -name "KX_VELDRAN V02.73A" 2>/dev/null | grep -q "Map State: IsViewable"; then
            kill "$pid"; wait "$pid" 2>/dev/null; exit 0
        fi
        kill -0 "$pid" 2>/dev/null || exit 1
        sleep 0.2
    done
    kill "$pid"; exit 1'
if run KX_VELDRAN_PORTS="$pty" xvfb-run -a bash -c "$window_check" check "$bin/kxveldran" \
    >"$work/window.log" 2>&1; then
    pass "the window showed itself on a virtual display"
else
    fail "the window did not show itself: $(tail -n 5 "$work/window.log")"
fi
[[ -e $bin/KX_VELDRAN.ini && $expected != "$bin/KX_VELDRAN.ini" ]] &&
    fail "something wrote $bin/KX_VELDRAN.ini"

# Files around the programs.
desktop=$share/applications/kxveldran.desktop
if [[ ! -f $desktop ]]; then
    fail "no $desktop"
elif ! desktop-file-validate "$desktop"; then
    fail "desktop-file-validate rejects $desktop"
else
    exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
    icon=$(sed -n 's/^Icon=//p' "$desktop")
    [[ -x $bin/$exec_name ]] && pass "desktop entry runs $bin/$exec_name" ||
        fail "the desktop entry runs '$exec_name', which is not in $bin"
    for size in 16 24 32 48 64 128 256; do
        png=$share/icons/hicolor/${size}x${size}/apps/$icon.png
        if ! file "$png" 2>/dev/null | grep -q "PNG image data, $size x $size"; then
            fail "no ${size}x$size icon '$icon' at $png"
        fi
    done
fi
for program in kxveldran kxveldran-cli kxveldran-sim; do
    page=$share/man/man1/$program.1.gz
    if zcat "$page" 2>/dev/null | grep -q "^\.SH NAME" && zcat "$page" | grep -qF "$version"; then
        pass "man page $page"
    else
        fail "no man page with NAME and the version at $page"
    fi
done
doc=$share/doc/kxveldran
grep -q '^License: Expat' "$doc/copyright" 2>/dev/null && pass "licence in $doc/copyright" ||
    fail "no machine-readable copyright in $doc"
zcat "$doc/README.md.gz" 2>/dev/null | grep -q '^# KX_VELDRAN' && pass "readme in $doc" ||
    fail "no README.md.gz in $doc"
if ((manual)); then
    for lang in en zh_CN; do
        pdf=$doc/KX_VELDRAN_$lang.pdf
        [[ $(head -c 5 "$pdf" 2>/dev/null) == %PDF- ]] && pass "manual $pdf" ||
            fail "no manual at $pdf"
    done
fi

if ((failures > 0)); then
    echo "$failures check(s) of the installation in $prefix failed"
    exit 1
fi
echo "installation in $prefix: all checks passed"
