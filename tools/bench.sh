#!/usr/bin/env bash
# Throughput of kxveldran-cli against the simulator with its timing model on: programs and
# verifies a full-flash image on F149 (0x1100..0xFFFF) and F2619 (0x2100..0x1FFFF), then
# reads each back by device. Every time is set against its lower bound, taken from the
# simulator's trace: each frame byte both ways at 115200 8E1 (11 bits) plus the time the
# box model spends on each command (flash program/erase, JTAG shifting, decoding).
#
# Discovery: eight pseudo-terminals as COM1..COM8, seven of them silent (another kind of
# device), the simulated box on the last (then on the first); the time of "kxveldran-cli find"
# against one GET_VERSION time-out (500 ms), the least a search that has to hear the silent
# ports below the box out can take. Measured on a 2-core machine under load from other
# builds (load average about 4), best of five:
#                        box on COM8   box on COM1
#   one port after another:  3.516 s        (not measured; it stopped at COM1 as well)
#   all ports at once:       0.514 s       0.037 s
#
# Gang: eight simulated boxes with the timing model on, F149 full-flash program and verify on
# all of them at once (program --gang), against one box alone measured in the same run; the
# target is at most 1.10 times one box.
#
# Usage: tools/bench.sh [BUILD_DIR] [all|program|discovery|gang]   (default: build all; needs
# python3)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
cases="${2:-all}"
cli="$build/src/cli/kxveldran-cli"
sim="$build/src/sim/kxveldran-sim"
for p in "$cli" "$sim"; do
    [[ -x $p ]] || { echo "missing $p: build first (tools/build.sh)" >&2; exit 2; }
done

work="$(mktemp -d)"
simpid=""
silentpid=""
gangpids=()
cleanup() {
    [[ -n $simpid ]] && kill "$simpid" 2>/dev/null && wait "$simpid" 2>/dev/null
    for pid in "${gangpids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
    [[ -n $silentpid ]] && kill "$silentpid" 2>/dev/null && wait "$silentpid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# A TI-TXT file with varied bytes over [start, end): no 16-byte line is blank, so every
# line travels.
make_image() {
    python3 - "$1" "$2" "$3" <<'EOF'
import random, sys
start, end, path = int(sys.argv[1], 16), int(sys.argv[2], 16), sys.argv[3]
rng = random.Random(start)
lines = ["@%X" % start if start < 0x10000 else "@%05X" % start]
for a in range(start, end, 16):
    lines.append(" ".join("%02X" % rng.randrange(0, 0xFF) for _ in range(16)))
lines.append("q")
open(path, "w", newline="").write("\r\n".join(lines) + "\r\n")
EOF
}

# Measured wall time ($4..$5) and the bound from the trace records after line $3.
report() {
    python3 - "$@" <<'EOF'
import json, sys
label, trace, skip = sys.argv[1], sys.argv[2], int(sys.argv[3])
wall = float(sys.argv[5]) - float(sys.argv[4])
recs = [json.loads(l) for l in open(trace).read().splitlines()[skip:] if l.strip()]
byte_ms = 11 * 1000.0 / 115200
wire = work = 0.0
frames = 0
first = last = reply_end = None
pending = None
gaps = []  # from the end of one reply to the start of the next request: the host's share
for r in recs:
    n = len(r.get("hex", "")) // 2
    if r["dir"] == "rx":
        wire += n * byte_ms
        frames += 1
        pending = r["t_ms"]
        start = r["t_ms"] - n * byte_ms
        if first is None:
            first = start
        if reply_end is not None:
            gaps.append(start - reply_end)
    elif r["dir"] == "tx":
        wire += n * byte_ms
        if pending is not None:
            work += r["t_ms"] - pending
            pending = None
        last = reply_end = r["t_ms"] + n * byte_ms
bound = wire + work
span = (last - first) if first is not None else 0.0
gaps.sort()
median = gaps[len(gaps) // 2] if gaps else 0.0
slow = [g for g in gaps if g > 5]
print("%-24s wall %7.3f s  bound %7.3f s (wire %6.3f + box %6.3f)  %+5.1f %%  "
      "first-to-last frame %7.3f s (%+5.1f %%)"
      % (label, wall, bound / 1000, wire / 1000, work / 1000,
         (wall * 1000 / bound - 1) * 100, span / 1000, (span / bound - 1) * 100))
print("%-24s %d frames; host turnaround per frame: median %.2f ms, total %.3f s; "
      "%d gaps over 5 ms (%.3f s)"
      % ("", frames, median, sum(gaps) / 1000, len(slow), sum(slow) / 1000))
EOF
}

run_case() {
    local device="$1" row="$2" start="$3" end="$4"
    local image="$work/$device.txt" trace="$work/$device.jsonl" out="$work/sim-$device.out"
    make_image "$start" "$end" "$image"
    "$sim" --device "$row" --trace "$trace" >"$out" 2>&1 &
    simpid=$!
    for _ in $(seq 200); do [[ -s $out ]] && break; sleep 0.05; done
    local pty
    pty="$(head -n1 "$out")"
    local common=(--device "$device" --port "$pty" --settings "$work/bench.ini" --lang en --no-save)

    local skip t0 t1
    skip=$(wc -l <"$trace")
    t0=$(date +%s.%N)
    "$cli" program "$image" "${common[@]}" >"$work/program-$device.log"
    t1=$(date +%s.%N)
    report "$device program+verify" "$trace" "$skip" "$t0" "$t1"

    skip=$(wc -l <"$trace")
    t0=$(date +%s.%N)
    "$cli" read --by-device "${common[@]}" -o "$work/back-$device.txt" >"$work/read-$device.log"
    t1=$(date +%s.%N)
    report "$device read by device" "$trace" "$skip" "$t0" "$t1"
    # The read-back is the image, preceded by the chip's information memory if any.
    python3 -c 'import sys; a, b = (open(p, "rb").read() for p in sys.argv[1:]); sys.exit(not b.endswith(a))' \
        "$image" "$work/back-$device.txt" || echo "  read-back differs from the image!"

    kill "$simpid" && wait "$simpid" 2>/dev/null || true
    simpid=""
}

# Seven silent ports (pseudo-terminals nobody answers on) and the box on COM8 ($1 = last), or
# on COM1 and the silent ones above it ($1 = first).
discovery_case() {
    local where="$1"
    local out="$work/sim-discovery.out" silent="$work/silent.out"
    python3 -c '
import os, sys, time
keep = [os.openpty() for _ in range(7)]
print(":".join(os.ttyname(s) for _, s in keep), flush=True)
while True:
    time.sleep(3600)
' >"$silent" &
    silentpid=$!
    "$sim" --device 13 >"$out" 2>&1 &
    simpid=$!
    for _ in $(seq 200); do [[ -s $out && -s $silent ]] && break; sleep 0.05; done
    local ports
    if [[ $where == last ]]; then
        ports="$(head -n1 "$silent"):$(head -n1 "$out")"
    else
        ports="$(head -n1 "$out"):$(head -n1 "$silent")"
    fi
    local best="" t0 t1 wall
    for _ in 1 2 3 4 5; do
        t0=$(date +%s.%N)
        KX_VELDRAN_PORTS="$ports" "$cli" find --lang en >"$work/find.log" 2>&1 ||
            { echo "find failed:"; cat "$work/find.log"; return 1; }
        t1=$(date +%s.%N)
        wall=$(python3 -c "print('%.3f' % ($t1 - $t0))")
        best=$(python3 -c "print(min(x for x in [$wall, ${best:-1e9}]))")
    done
    grep -q "$(head -n1 "$out")" "$work/find.log" || echo "  find did not name the box's port!"
    printf '%-24s wall %7.3f s (best of 5)  one GET_VERSION time-out 0.500 s\n' \
        "discovery, box $where" "$best"
    kill "$simpid" "$silentpid" && wait "$simpid" "$silentpid" 2>/dev/null || true
    simpid="" silentpid=""
}

# Eight timed boxes: one alone, then all eight at once with --gang.
gang_case() {
    local image="$work/gang.txt" ports=() args=()
    make_image 1100 10000 "$image"
    for i in 1 2 3 4 5 6 7 8; do
        "$sim" --device 13 >"$work/gang-sim$i.out" 2>&1 &
        gangpids+=($!)
    done
    for i in 1 2 3 4 5 6 7 8; do
        for _ in $(seq 200); do [[ -s $work/gang-sim$i.out ]] && break; sleep 0.05; done
        ports+=("$(head -n1 "$work/gang-sim$i.out")")
        args+=(--port "${ports[-1]}")
    done
    local common=(--device F149 --settings "$work/bench.ini" --lang en --no-save)
    local t0 t1 t2 t3
    t0=$(date +%s.%N)
    "$cli" program "$image" "${common[@]}" --port "${ports[0]}" >"$work/gang-one.log"
    t1=$(date +%s.%N)
    t2=$(date +%s.%N)
    "$cli" program "$image" "${common[@]}" --gang "${args[@]}" >"$work/gang-all.log" 2>&1 ||
        { echo "gang failed:"; cat "$work/gang-all.log"; return 1; }
    t3=$(date +%s.%N)
    # The boxes' own times from the gang's table (its last column).
    local boxes
    boxes=$(grep "^/dev/.* s$" "$work/gang-all.log" | grep -v ': ' | awk '{print $(NF-1)}' |
        sort -n | sed -n '1p;$p' | tr '\n' ' ')
    python3 -c '
import sys
one, gang = float(sys.argv[2]) - float(sys.argv[1]), float(sys.argv[4]) - float(sys.argv[3])
low, high = sys.argv[5].split()
print("%-24s wall %7.3f s  one box alone %7.3f s  ratio %.3f (target <= 1.10); "
      "each box in the gang %s..%s s" % ("gang of 8, F149 full", gang, one, gang / one, low, high))
' "$t0" "$t1" "$t2" "$t3" "$boxes"
    for pid in "${gangpids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
    gangpids=()
}

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
if [[ $cases == all || $cases == program ]]; then
    run_case F149 13 1100 10000
    run_case F2619 49 2100 20000
fi
if [[ $cases == all || $cases == discovery ]]; then
    discovery_case last
    discovery_case first
fi
if [[ $cases == all || $cases == gang ]]; then
    gang_case
fi
