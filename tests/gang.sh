#!/usr/bin/env bash
# program --gang with kxveldran-cli and one kxveldran-sim per box: 1. eight boxes, five of
# which fail in their own way (fused, no chip, before and after the record, vanished), one
# serial sequence across them; 2. boxes found by discovery, --repeat panels, end of input;
# 3. Ctrl-C lets the units in flight finish (6), a second ends at once (7).
# Usage: gang.sh CLI SIM
set -uo pipefail
cli=$1 sim=$2
# shellcheck source=sim_helpers.sh
source "$(dirname "$0")/sim_helpers.sh"
printf '[number]\nproduct_num=5000\n' > "$ini"
gang=("$cli" program "$work/app.txt" --gang --device F149 --product-info --auto-increment
      --lang en --settings "$ini")

# --- 1. every fault fails alone
declare -A port
for box in good1:--no-timing good2:--no-timing wrongchip:"--chip-id 1234" fused:--fused \
    nochip:--no-target before:"--fault RX_DATA_BLOCK:2:nak" \
    after:"--fault TX_DATA_BLOCK:3:nak" vanish:"--fault RX_DATA_BLOCK:2:vanish"; do
    name=${box%%:*}
    # shellcheck disable=SC2086
    start_sim "$name" --no-timing ${box#*:}
    port[$name]=$pty
done
args=()
for name in good1 good2 wrongchip fused nochip before after vanish; do args+=(--port "${port[$name]}"); done
"${gang[@]}" "${args[@]}" --log "$work/log.csv" > "$work/out1" 2> "$work/err1"; status=$?
echo "eight boxes: status $status, counter $(counter)"
((status == 9)) || fail "status $status: $(cat "$work/out1" "$work/err1")"
# Three good units and the one whose record went out before its verify failed: 5000..5003,
# each once, in no box twice.
got=$(stamped "$work"/*.trace | sort -n | tr '\n' ' ')
[[ $got == "5000 5001 5002 5003 " ]] || fail "numbers stamped: $got"
(($(counter) == 5004)) || fail "counter $(counter)"
for name in fused nochip before vanish; do
    [[ -z $(stamped "$work/$name.trace") ]] || fail "$name got a record"
done
# One log row per box, with the number its chip got.
(($(wc -l < "$work/log.csv") == 9)) || fail "log: $(cat "$work/log.csv")"
for name in good1 good2 wrongchip after; do
    n=$(grep -c ",${port[$name]},.*,500[0-3],[0-9]*," "$work/log.csv")
    ((n == 1)) || fail "$name: $n log rows with a number: $(cat "$work/log.csv")"
done
row() { grep "^${port[$1]} " "$work/out1"; }
for name in good1 good2 wrongchip; do row "$name" | grep -q "succeeded" || fail "$name: $(row "$name")"; done
row fused | grep -q "Target chip is fused" || fail "fused: $(row fused)"
row nochip | grep -q "Fail to find target chip" || fail "no chip: $(row nochip)"
row before | grep -q "Failed in programming" || fail "before: $(row before)"
row after | grep -q "Failed in verifying product information" || fail "after: $(row after)"
row after | grep -Eq " 500[0-3] " || fail "the unit that failed after its record shows no number"
grep -q "^${port[wrongchip]}: Warnning: The target device do not match" "$work/out1" ||
    fail "the wrong chip's warning is not said with its port"
grep -q "^3 of 8 units succeeded\.$" "$work/out1" || fail "no summary: $(cat "$work/out1")"
grep -q "^Next serial number: 5004$" "$work/out1" || fail "next number: $(cat "$work/out1")"
[[ $(tail -n 1 "$work/err1") == "kxveldran-cli: program: 3 of 8 units succeeded." ]] ||
    fail "closing line: $(tail -n 1 "$work/err1")"
# Without a terminal every report line before the table names its box.
unprefixed=$(sed -n '/^Programming on 8 boxes/,/^Port /p' "$work/out1" | sed '1d;$d' | grep -v "^/dev/")
[[ -z $unprefixed ]] || fail "report lines without their port: $unprefixed"

# --- 2. discovery finds the boxes (a port that is no terminal is passed over); --repeat
start=$(counter)
printf '\nq\n' | KX_VELDRAN_PORTS="${port[good1]}:/dev/null:${port[good2]}" \
    "${gang[@]}" --repeat > "$work/out2" 2> "$work/err2"; status=$?
echo "repeat until q: status $status, counter $start -> $(counter)"
((status == 0 && $(counter) == start + 4)) || fail "repeat: status $status, $(cat "$work/out2" "$work/err2")"
(($(grep -c "^2 of 2 units succeeded" "$work/out2") == 2)) || fail "two panels: $(cat "$work/out2")"
printf '\n' | "${gang[@]}" --repeat --port "${port[good1]}" --port "${port[fused]}" \
    > "$work/out3" 2>&1; status=$?
echo "repeat until end of input, one box fused: status $status"
((status == 9)) || fail "a fused box in the second panel: status $status"
all=$(stamped "$work"/*.trace | sort -n)
[[ -z $(uniq -d <<< "$all") ]] || fail "numbers stamped twice: $(uniq -d <<< "$all")"
(($(tail -n 1 <<< "$all") == $(counter) - 1)) || fail "counter $(counter) after $(tail -n 1 <<< "$all")"

# Ctrl-C at the prompt between panels: nothing is in flight, a stop on request.
mkfifo "$work/keys"
set -m
"${gang[@]}" --repeat --port "${port[good1]}" < "$work/keys" > "$work/prompt" 2>&1 &
pid=$!
set +m
exec 3> "$work/keys"
for _ in $(seq 200); do grep -q "Next panel" "$work/prompt" && break; sleep 0.05; done
kill -INT "$pid"; wait "$pid"; status=$?
exec 3>&-
echo "Ctrl-C at the prompt: status $status"
((status == 6)) || fail "Ctrl-C at the prompt: status $status, $(cat "$work/prompt")"

# --- 3. Ctrl-C on timed boxes
start_sim t1; t1=$pty
start_sim t2; t2=$pty
interrupted_gang() {
    local from
    from=$(trace_end "$work/t2.trace")
    set -m
    "$cli" program "$work/big.txt" --gang --device F149 --product-info --auto-increment \
        --lang en --settings "$ini" --port "$t1" --port "$t2" > "$work/int" 2>&1 &
    local pid=$!
    set +m
    await '"cmd":"RX_DATA_BLOCK".*"addr":"0xF000"' "$work/t2.trace" "$from" "$pid"
    for signal; do kill "-$signal" "$pid"; sleep 0.02; done
    wait "$pid"; status=$?
    said=$(cat "$work/int")
}
start=$(counter)
interrupted_gang INT
echo "Ctrl-C once: status $status, counter $start -> $(counter)"
((status == 6 && $(counter) == start + 2)) || fail "one Ctrl-C: status $status, $said"
grep -q "^2 of 2 units succeeded" <<< "$said" || fail "the units in flight did not finish: $said"
interrupted_gang INT HUP
echo "Ctrl-C twice: status $status"
((status == 7)) || fail "two signals: status $status, $said"
for p in "$t1" "$t2"; do
    grep -q "^$p: The chip may be partly erased or programmed" <<< "$said" ||
        fail "no state for $p: $said"
done
echo "PASS"
