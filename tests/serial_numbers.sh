#!/usr/bin/env bash
# Serial numbers with kxveldran-cli and kxveldran-sim as real processes: 1. two programs on
# one settings file; 2. programs killed at random and right as the record reaches the chip;
# 3. Ctrl-C finishes the unit (status 6), a second one ends at once (status 7).
# Usage: serial_numbers.sh CLI SIM UNITS_PER_PROCESS KILLS
set -uo pipefail
cli=$1 sim=$2 units=$3 kills=$4
# shellcheck source=sim_helpers.sh
source "$(dirname "$0")/sim_helpers.sh"
printf '[number]\nproduct_num=5000\n' > "$ini"

# program PTY [IMAGE]: one unit in "${unit[@]}", so that $! is the program itself.
program() {
    unit=("$cli" program "${2:-$work/app.txt}" --device F149 --product-info --auto-increment --lang en
          --port "$1" --settings "$ini")
}

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
    from=$(trace_end "$work/k.trace")
    program "$pty_k"
    "${unit[@]}" > /dev/null 2>&1 &
    pid=$!
    if ((i % 2)); then
        await "$record" "$work/k.trace" "$from" "$pid"
    else
        sleep "0.$(printf '%03d' $((RANDOM % 200)))"
    fi
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
done
program "$pty_k"
"${unit[@]}" > "$work/after.txt" 2>&1 || fail "the unit after the kills failed: $(cat "$work/after.txt")"
n=$(stamped "$work/k.trace" | wc -l) dups=$(stamped "$work/k.trace" | sort | uniq -d)
highest=$(stamped "$work/k.trace" | sort -n | tail -n 1)
highest=${highest:-0}
echo "killed $kills times: $n records, $(echo -n "$dups" | grep -c .) numbers stamped twice, highest $highest, counter $(counter)"
[[ -z $dups ]] || fail "numbers stamped twice after kills: $(echo $dups)"
(($(counter) > highest)) || fail "counter $(counter) not past the highest number stamped ($highest)"
((n >= kills / 4)) || fail "only $n records in $kills runs: the kills came too early to test anything"

# --- 3. Ctrl-C, on a timed box so that a unit takes a while
start_sim c; pty_c=$pty
# One unit sent the signals "$@" (20 ms apart) once it is programming; sets $status, $said.
interrupted_unit() {
    local from
    from=$(trace_end "$work/c.trace")
    program "$pty_c" "$work/big.txt"
    set -m  # else a background job starts with SIGINT ignored, which the program respects
    "${unit[@]}" > "$work/int.txt" 2>&1 &
    local pid=$!
    set +m
    await '"cmd":"RX_DATA_BLOCK".*"addr":"0xF000"' "$work/c.trace" "$from" "$pid"
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
