#!/usr/bin/env bash
# Serial numbers from a shared PostgreSQL table, with kxveldran-cli and kxveldran-sim as real
# processes and a throwaway server (own data folder, unix socket in a temporary folder, no TCP):
# 1. refusals before any box is touched: no table, no row, --serial against a running sequence,
#    a row held by a stuck transaction;
# 2. two stations (kxveldran-cli --gang --repeat, four boxes each) take numbers from one row at
#    once: every number distinct, no gap but the units that failed after their record went
#    out, each of which says its number;
# 3. the server stopped mid-run: no chip gets a number that was not taken, and the CLI says why.
# Usage: serial_source_postgres.sh CLI SIM PANELS
# Exits 77 (skipped) where the PostgreSQL server programs are not installed.
set -uo pipefail
cli=$1 sim=$2 units=$3  # units per box
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [[ ! -x $bin/initdb || ! -x $bin/pg_ctl || ! -x $bin/psql ]]; then
    echo "SKIP: the PostgreSQL server programs (Debian package postgresql) are not installed"
    exit 77
fi
# shellcheck source=sim_helpers.sh
source "$(dirname "$0")/sim_helpers.sh"
pgdata=$work/pg/data sock=$work/pg/sock
# The server refuses to run as root: then it runs as the account the package made.
as_server() { if ((EUID == 0)); then runuser -u postgres -- "$@"; else "$@"; fi; }
server() { as_server "$bin/pg_ctl" -D "$pgdata" -l "$work/pg/log" -w -t 30 "$@" > /dev/null; }
cleanup_more() { [[ -f $pgdata/postmaster.pid ]] && server -m immediate stop; }

chmod 711 "$work"
mkdir -p "$sock"
((EUID == 0)) && chown -R postgres "$work/pg"
as_server "$bin/initdb" -D "$pgdata" -U kx -A trust -E UTF8 --locale=C --no-sync \
    > "$work/initdb.log" 2>&1 || fail "initdb: $(cat "$work/initdb.log")"
start_server() {
    server -o "-c listen_addresses='' -k $sock" start || fail "server: $(cat "$work/pg/log")"
}
start_server
uri="postgresql:///postgres?host=$sock&user=kx"
# The stations' address carries a password (the server trusts the socket and ignores it):
# it must never be shown.
station_uri="postgresql://kx:Secr3t-pw@/postgres?host=$sock"
sql() { "$bin/psql" -X -q -t -A -v ON_ERROR_STOP=1 "$uri" -c "$1"; }
next_serial() { sql "SELECT next_serial FROM kxveldran_serials WHERE product = 'PG-LINE'"; }

# One unit on PTY (image IMAGE, further options after it) for $device, else F149; its report
# in $said, status $status.
unit() {
    local port=$1 file=$2; shift 2
    said=$("$cli" program "$file" --device "${device:-F149}" --product-info --auto-increment --name PG-LINE \
        --lang en --port "$port" --settings "$work/KX_VELDRAN.ini" --serial-source "$station_uri" "$@" 2>&1)
    status=$?
}
records() { grep -c "$record" "$@" | awk -F: '{ n += $NF } END { print n + 0 }'; }

# --- 1. refusals before the box is touched (status 4, nothing sent to the chip)
start_sim r --no-timing; pty_r=$pty
refused() {
    ((status == 4)) || fail "$1: status $status: $said"
    grep -q "$2" <<< "$said" || fail "$1: \"$2\" not said: $said"
    grep -q '"cmd":"TARGET_CONNECT"' "$work/r.trace" && fail "$1: the chip was touched"
}
unit "$pty_r" "$work/app.txt"
refused "no table" "has no table kxveldran_serials: create it"
sql "CREATE TABLE kxveldran_serials (product text PRIMARY KEY,
     next_serial bigint NOT NULL CHECK (next_serial BETWEEN 0 AND 4294967295))"
unit "$pty_r" "$work/app.txt"
refused "no row" "no sequence for the product \"PG-LINE\": start it with --serial N"
sql "INSERT INTO kxveldran_serials VALUES ('PG-LINE', 1000)"
unit "$pty_r" "$work/app.txt" --serial 77
refused "--serial against the shared row" "counts on from 1000; --serial 77 cannot move"
# A wide chip whose box refuses the memory offset just before the record: the number taken
# goes back, since no other station took one meanwhile.
simdev=49 start_sim w --no-timing --fault SET_MEM_OFFSET:2:nak
device=F2619 unit "$pty" "$work/app.txt"
((status == 1)) && ! grep -q "$record" "$work/w.trace" && (($(next_serial) == 1000)) ||
    fail "the number of a unit stopped before its record was not given back: row $(next_serial), $said"
# Another station's transaction holds the row: the statement timeout ends the wait.
"$bin/psql" -X -q "$uri&application_name=holder" \
    -c "BEGIN; SELECT * FROM kxveldran_serials FOR UPDATE; SELECT pg_sleep(30)" > /dev/null 2>&1 &
holder=$!
sleep 0.5
t0=$SECONDS
unit "$pty_r" "$work/app.txt"
sql "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE application_name = 'holder'" \
    > /dev/null
wait "$holder" 2>/dev/null
refused "row held by a stuck transaction" "refused: ERROR: canceling statement due to statement timeout"
((SECONDS - t0 <= 10)) || fail "a held row kept the unit waiting $((SECONDS - t0)) s"
(($(next_serial) == 1000)) || fail "a refused unit moved the row to $(next_serial)"
echo "refusals: no table, no row, --serial against the row, number given back, held row ($((SECONDS - t0)) s): ok"

# station NAME IMAGE PANELS PORT...: one PC's kxveldran-cli with --gang --repeat over the
# boxes on PORTs, PANELS panels (Enter between them, then end of input), in the background;
# its report in $work/NAME.log, its status in $work/NAME.status.
station() {
    local name=$1 file=$2 panels=$3; shift 3
    local ports=()
    for p; do ports+=(--port "$p"); done
    (
        for _ in $(seq $((panels - 1))); do echo; done |
            "$cli" program "$file" --gang --repeat "${ports[@]}" --device F149 --product-info \
                --auto-increment --name PG-LINE --lang en --settings "$work/KX_VELDRAN.ini" \
                --serial-source "$station_uri" > "$work/$name.log" 2>&1
        echo $? > "$work/$name.status"
    ) &
    loops+=($!)
}

# --- 2. two stations with four boxes each, at once; the third box NAKs its second record,
# the sixth its first (each unit sends two image blocks and then the record)
for b in $(seq 8); do
    fault=()
    ((b == 3)) && fault=(--fault RX_DATA_BLOCK:6:nak)
    ((b == 6)) && fault=(--fault RX_DATA_BLOCK:3:nak)
    start_sim "s$b" --no-timing "${fault[@]}"
    ports[b]=$pty
done
loops=()
station a "$work/app.txt" "$units" "${ports[@]:1:4}"
station b "$work/app.txt" "$units" "${ports[@]:5:4}"
for pid in "${loops[@]}"; do wait "$pid"; done
total=$(stamped "$work"/s*.trace | wc -l) distinct=$(stamped "$work"/s*.trace | sort -u | wc -l)
next=$(next_serial)
echo "two stations of four boxes, $units panels each: $total records, $distinct distinct" \
     "numbers, row now $next, status $(cat "$work/a.status") and $(cat "$work/b.status")"
((total == 8 * units)) || fail "$total records for $((8 * units)) units: $(cat "$work"/[ab].log)"
((distinct == total)) || fail "a number went into two chips"
# No gaps: the numbers sent are exactly 1000 .. next-1.
[[ $(stamped "$work"/s*.trace | sort -n | head -n 1) == 1000 &&
   $(stamped "$work"/s*.trace | sort -n | tail -n 1) == $((next - 1)) && $next == $((1000 + total)) ]] ||
    fail "the numbers sent are not 1000..$((next - 1)) without gaps"
# Each station had one failed unit (status 9), which names the number its chip got.
[[ $(cat "$work/a.status") == 9 && $(cat "$work/b.status") == 9 ]] ||
    fail "stations ended with $(cat "$work/a.status") and $(cat "$work/b.status"), not 9 (some units failed)"
for b in 3 6; do
    n=$(grep "^${ports[b]}: .*Serial number [0-9]* went out" "$work"/[ab].log |
        grep -o 'Serial number [0-9]*' | grep -o '[0-9]*' | sort -u)
    [[ $n =~ ^[0-9]+$ ]] && grep -qx "$n" <<< "$(stamped "$work/s$b.trace")" ||
        fail "box $b's failed unit did not name its number: $(cat "$work"/[ab].log)"
done

# --- 3. the server stops while units are being programmed (two stations of two timed boxes,
# a larger image)
for b in 1 2 3 4; do start_sim "t$b"; tports[b]=$pty; done
loops=()
station c "$work/big.txt" 6 "${tports[1]}" "${tports[2]}"
station d "$work/big.txt" 6 "${tports[3]}" "${tports[4]}"
# Once every box has stamped a chip and is programming the next, the server goes.
for _ in $(seq 600); do
    (($(records "$work"/t1.trace) >= 1 && $(records "$work"/t2.trace) >= 1 &&
      $(records "$work"/t3.trace) >= 1 && $(records "$work"/t4.trace) >= 1)) && break
    sleep 0.05
done
sleep 0.3
before=$(stamped "$work"/t[1-4].trace | wc -l)
server -m immediate stop
for pid in "${loops[@]}"; do wait "$pid"; done
start_server
next=$(next_serial)
after=$(stamped "$work"/t[1-4].trace)
echo "server stopped after $before records: $(echo "$after" | wc -l) records in all, row now" \
     "$next, status $(cat "$work/c.status") and $(cat "$work/d.status")"
while read -r n; do
    ((n >= 1000 + total && n < next)) || fail "a chip got $n, which the database never handed out"
done <<< "$after"
[[ -z $(sort <<< "$after" | uniq -d) ]] || fail "a number went into two chips"
[[ $(cat "$work/c.status") == 9 && $(cat "$work/d.status") == 9 ]] ||
    fail "stations ended with $(cat "$work/c.status") and $(cat "$work/d.status"), not 9 (some units failed)"
grep -q "SERIAL NUMBER NOT TAKEN: the connection to the serial-number database .* was lost (" \
    "$work"/[cd].log || fail "no unit in flight said the connection was lost: $(cat "$work"/[cd].log)"
grep -q "The product record was not written; program this chip again." "$work"/[cd].log ||
    fail "the units in flight did not say to program the chip again"
grep -q "cannot reach the serial-number database" "$work"/[cd].log &&
    grep -q "Nothing was programmed: the serial number could not be recorded." "$work"/[cd].log ||
    fail "the panel after the stop did not say the database cannot be reached"
grep -l "Secr3t" "$work"/*.log && fail "the password was shown"
grep "^WARNING\|^FATAL" "$work"/[cd].log && fail "the server's own notices went into the report"
grep -q "postgresql://kx:\*\*\*@/postgres" "$work"/[cd].log || fail "the address was not shown"
echo "PASS"
