# shellcheck shell=bash
# What the scripts that drive kxveldran-cli against kxveldran-sim processes share. Source it
# after setting $sim; it makes $work (kept with KEEP=1), the images $work/app.txt (256 bytes)
# and $work/big.txt (2 KiB, which takes a timed box a while) at 0xF000, and a trap that stops
# the simulators and then calls cleanup_more if the script defines it.
: "${sim:?set sim to the simulator before sourcing}"
work=$(mktemp -d)
sims=()
ini=$work/KX_VELDRAN.ini
cleanup() {
    for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
    declare -F cleanup_more > /dev/null && cleanup_more
    [[ -n ${KEEP:-} ]] || rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

image() {
    echo "@F000"
    for _ in $(seq "$1"); do echo "00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF"; done
    echo q
}
image 16 > "$work/app.txt"
image 128 > "$work/big.txt"

# start_sim NAME [OPTIONS]: a simulator (device row $simdev, else F149) tracing into
# $work/NAME.trace; sets $pty.
start_sim() {
    local name=$1; shift
    "$sim" --device "${simdev:-13}" --trace "$work/$name.trace" "$@" > "$work/$name.out" 2>&1 &
    sims+=($!)
    for _ in $(seq 500); do
        pty=$(head -n 1 "$work/$name.out" 2>/dev/null)
        [[ $pty == /dev/* ]] && return 0
        sleep 0.01
    done
    fail "simulator $name did not start: $(cat "$work/$name.out")"
}

# The product record as it reaches the box, and the serial numbers (decimal) of the records
# in the traces named.
record='"dir":"rx".*"cmd":"RX_DATA_BLOCK".*"addr":"0x1000","n":24'
stamped() {
    grep -h "$record" "$@" | sed 's/.*"hex":"\([0-9A-F]*\)".*/\1/' | cut -c57-64 |
        while read -r h; do echo $((16#${h:6:2}${h:4:2}${h:2:2}${h:0:2})); done
}
counter() { sed -n 's/^product_num=\([0-9]*\).*/\1/p' "$ini"; }

# trace_end TRACE: the number of the line a trace's next entry gets.
trace_end() { echo $(($(wc -l < "$1") + 1)); }
# await PATTERN TRACE FROM PID: until a line from FROM on matches, or PID ends.
await() { grep -q -m 1 "$1" < <(tail -n "+$3" -s 0.05 --pid="$4" -f "$2"); }
