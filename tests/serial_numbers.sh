#!/usr/bin/env bash
# Serial numbers with kxveldran-cli and kxveldran-sim as real processes: 1. two programs on
# one settings file; 2. programs killed at random and right as the record reaches the chip;
# 3. Ctrl-C finishes the unit (status 6), a second one ends at once (status 7).
# Usage: serial_numbers.sh CLI SIM UNITS_PER_PROCESS KILLS
set -uo pipefail
cli=$1 sim=$2 units=$3 kills=$4
work=$(mktemp -d)
sims=()
cleanup() {
    for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

# Images at 0xF000: a small one and 2 KiB that take the timed box a while.
image() {
    echo "@F000"
    for _ in $(seq "$1"); do echo "00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF"; done
    echo q
}
image 16 > "$work/app.txt"
image 128 > "$work/big.txt"
ini=$work/KX_VELDRAN.ini
printf '[number]\nproduct_num=5000\n' > "$ini"

# start_sim NAME [OPTIONS]: a simulator tracing into $work/NAME.trace; sets $pty.
start_sim() {
    local name=$1; shift
    "$sim" --device 13 --trace "$work/$name.trace" "$@" > "$work/$name.out" 2>&1 &
    sims+=($!)
    for _ in $(seq 500); do
        pty=$(head -n 1 "$work/$name.out" 2>/dev/null)
        [[ $pty == /dev/* ]] && return 0
        sleep 0.01
    done
    fail "simulator $name did not start: $(cat "$work/$name.out")"
}
# program PTY [IMAGE]: one unit in "${unit[@]}", so that $! is the program itself.
program() {
    unit=("$cli" program "${2:-$work/app.txt}" --device F149 --product-info --auto-increment --lang en
          --port "$1" --settings "$ini")
}
record='"dir":"rx".*"cmd":"RX_DATA_BLOCK".*"addr":"0x1000","n":24'
# The serial numbers (little-endian hex) of the records that reached a box.
stamped() { grep -h "$record" "$@" | sed 's/.*"hex":"\([0-9A-F]*\)".*/\1/' | cut -c57-64; }
counter() { sed -n 's/^product_num=\([0-9]*\).*/\1/p' "$ini"; }

# --- 1. two boxes, one settings file
start_sim a --no-timing; pty_a=$pty
start_sim b --no-timing; pty_b=$pty
loops=()
for port in "$pty_a" "$pty_b"; do
    log=$work/loop.$(basename "$port")
    (
        for i in $(seq "$units"); do
            program "$port"
            "${unit[@]}" > "$log.unit" 2>&1 || { echo "unit $i: status $?"; cat "$log.unit"; exit 1; }
        done
    ) > "$log" 2>&1 &
    loops+=($!)
done
for pid in "${loops[@]}"; do wait "$pid" || fail "a unit failed: $(cat "$work"/loop.*)"; done
total=$(stamped "$work"/[ab].trace | wc -l) distinct=$(stamped "$work"/[ab].trace | sort -u | wc -l)
echo "two processes: $total units, $distinct distinct numbers, counter $(counter)"
((total == 2 * units && distinct == total)) || fail "numbers stamped twice"
(($(counter) == 5000 + 2 * units)) || fail "counter $(counter), expected $((5000 + 2 * units))"

# --- 2. killed at random moments, odd runs right after the record reached the chip
start_sim k --no-timing; pty_k=$pty
for i in $(seq "$kills"); do
    from=$(($(wc -l < "$work/k.trace") + 1))
    program "$pty_k"
    "${unit[@]}" > /dev/null 2>&1 &
    pid=$!
    if ((i % 2)); then
        grep -q -m 1 "$record" < <(tail -n "+$from" -s 0.05 --pid="$pid" -f "$work/k.trace")
    else
        sleep "0.$(printf '%03d' $((RANDOM % 200)))"
    fi
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
done
program "$pty_k"
"${unit[@]}" > "$work/after.txt" 2>&1 || fail "the unit after the kills failed: $(cat "$work/after.txt")"
n=$(stamped "$work/k.trace" | wc -l) dups=$(stamped "$work/k.trace" | sort | uniq -d)
highest=0
for h in $(stamped "$work/k.trace"); do
    v=$((16#${h:6:2}${h:4:2}${h:2:2}${h:0:2})); ((v > highest)) && highest=$v
done
echo "killed $kills times: $n records, $(echo -n "$dups" | grep -c .) numbers stamped twice, highest $highest, counter $(counter)"
[[ -z $dups ]] || fail "numbers stamped twice after kills: $(echo $dups)"
(($(counter) > highest)) || fail "counter $(counter) not past the highest number stamped ($highest)"
((n >= kills / 4)) || fail "only $n records in $kills runs: the kills came too early to test anything"

# --- 3. Ctrl-C, on a timed box so that a unit takes a while
start_sim c; pty_c=$pty
# One unit sent the signals "$@" (20 ms apart) once it is programming; sets $status, $said.
interrupted_unit() {
    local from=$(($(wc -l < "$work/c.trace") + 1))
    program "$pty_c" "$work/big.txt"
    set -m  # else a background job starts with SIGINT ignored, which the program respects
    "${unit[@]}" > "$work/int.txt" 2>&1 &
    local pid=$!
    set +m
    grep -q -m 1 '"cmd":"RX_DATA_BLOCK".*"addr":"0xF000"' \
        < <(tail -n "+$from" -s 0.05 --pid="$pid" -f "$work/c.trace")
    for signal; do kill "-$signal" "$pid"; sleep 0.02; done
    wait "$pid"; status=$?
    said=$(cat "$work/int.txt")
}
says() { for s; do grep -q "$s" <<< "$said" || fail "\"$s\" not said (status $status): $said"; done; }
start=$(counter)
interrupted_unit INT
echo "Ctrl-C once: status $status, counter $start -> $(counter)"
((status == 6 && $(counter) == start + 1)) || fail "one Ctrl-C: status $status, $said"
says "stopping after this unit" "Next serial number: $((start + 1))"
interrupted_unit INT HUP
echo "Ctrl-C twice: status $status; $(tail -n 1 <<< "$said")"
((status == 7)) || fail "two signals: status $status, $said"
says "stopped at once. The chip may be partly erased or programmed" \
    "No serial number was taken\|may be in the chip"
echo "PASS"
