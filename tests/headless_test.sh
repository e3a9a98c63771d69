#!/usr/bin/env bash
# `talvor --headless` as an always-on box runs it, all on loopback and with
# no display: two copies in their own folders share one mosquitto without
# clashing, the one with logging on writes its log, /metrics and --status
# answer, no GUI library is mapped, a window and a second monitor on the same
# folder are refused, a log that cannot be written is said once and again
# when it can, SIGHUP rereads both settings files, and SIGTERM ends it
# at once with the minute being filled kept in the record.
#   tests/headless_test.sh BUILD_DIR
# Skipped (exit 77) where mosquitto or mosquitto_sub is missing.
set -uo pipefail
build=$1
source "$(dirname "$0")/../scripts/lib/loopback.sh"
needs mosquitto mosquitto_sub curl python3
with_work
fail() { echo "FAIL: $*"; for f in "$work"/*.err; do echo "--- $f"; cat "$f"; done; exit 1; }

sim_port=$(free_port) mqtt_port=$(free_port) house_port=$(free_port) barn_port=$(free_port)
"$build/bin/modem-sim" --port "$sim_port" --reading 41 >"$work/sim.log" 2>&1 &
pids+=($!)
mosquitto -v -p "$mqtt_port" >"$work/mosquitto.log" 2>&1 &
pids+=($!)
wait_for 'grep -q "port [0-9]" "$work/sim.log" && grep -q running "$work/mosquitto.log"' 50 ||
  fail "the simulator or mosquitto did not start"

# Field 17 turns the daily log on for the house only.
# The barn's address carries a user and password, which nothing may print.
settings() {
  mkdir -p "$1"
  printf '1,"10","200","%s",0,"Signal Strength.............. ","http://%s127.0.0.1:%s/s.txt","Arial",#FALSE#,#FALSE#,15.75,-2147483641,49152,16777215,255,0,%s\r\n' \
    "$2" "${4:-}" "$sim_port" "$3" >"$1/Talvor.ini"
}
sharing() {
  printf '[metrics]\nlisten=127.0.0.1:%s\n[mqtt]\nbroker=127.0.0.1:%s\ndiscovery=%s\n' "$2" "$mqtt_port" "$3" >"$1/Sharing.ini"
}
house=$work/house barn=$work/barn
settings "$house" 50 1
settings "$barn" 50 0 admin:Secret1@
sharing "$house" "$house_port" homeassistant
sharing "$barn" "$barn_port" homeassistant
# The house's log for today cannot be written (a folder stands in its place).
house_log=$house/$(date +%Y_%m_%d)_talvor_log.csv
mkdir "$house_log"
export TALVOR_LOCK_DIR=$work
unset DISPLAY WAYLAND_DISPLAY
start() { TALVOR_HOME=$1 "$build/bin/talvor" --headless 2>"$work/$(basename "$1").err" & }
start "$house"
house_pid=$!
pids+=($house_pid)
start "$barn"
barn_pid=$!
pids+=($barn_pid)

metric() { curl -s "http://127.0.0.1:$1/metrics" | sed -n "s/^$2 //p"; }
wait_for '[ "$(metric "$house_port" talvor_signal_strength)" = 41 ] && [ "$(metric "$barn_port" talvor_signal_strength)" = 41 ]' 100 ||
  fail "/metrics never showed 41"
status=$(TALVOR_HOME=$house "$build/bin/talvor" --status) || fail "--status ended with $?"
python3 -c 'import json,sys; d=json.loads(sys.argv[1]); assert d["reading"]==41 and d["threshold"]==50, d' "$status" ||
  fail "--status printed $status"

# A log that cannot be written is said once, in --status too, and once more when it can.
wait_for 'grep -q "Could not write the log line" "$work/house.err"' 50 || fail "the log's failure was not said"
grep -q "Could not write the log line" <<<"$(TALVOR_HOME=$house "$build/bin/talvor" --status)" ||
  fail "--status does not name the log's failure"
sleep 3
[ "$(grep -c "Could not write the log line" "$work/house.err")" = 1 ] || fail "the log's failure was said more than once"
rmdir "$house_log"
wait_for 'grep -q "Log lines are written again" "$work/house.err"' 50 || fail "the log's recovery was not said"

# The same process became the monitor, with no GUI library mapped.
[ "$(readlink "/proc/$house_pid/exe")" = "$(readlink -f "$build/bin/talvor-headless")" ] ||
  fail "talvor --headless did not become talvor-headless: $(readlink "/proc/$house_pid/exe")"
! grep -E 'libQt6(Widgets|Gui|DBus)' "/proc/$house_pid/maps" >/dev/null || fail "a GUI library is mapped"
grep -q "First reading 41 (threshold 50)" "$work/house.err" || fail "no state line for the first reading"
# Already low at the start: said at once.
grep -q "Signal low: 41 (threshold 50)" "$work/house.err" || fail "no line for a signal low from the start"
barn_status=$(TALVOR_HOME=$barn "$build/bin/talvor" --status) || fail "--status of the barn ended with $?"
for said in "$(cat "$work/barn.err")" "$barn_status" "$(curl -s "http://127.0.0.1:$barn_port/metrics")" \
  "$(mosquitto_sub -p "$mqtt_port" -t '#' --retained-only -v -W 2 2>/dev/null)"; do
  ! grep -q Secret1 <<<"$said" || fail "the barn's password was printed: $said"
done
grep -q "Polling http://127.0.0.1:$sim_port/s.txt every 1 s" "$work/barn.err" || fail "the barn's address: $(cat "$work/barn.err")"

# One monitor per folder, window or not.
TALVOR_HOME=$house QT_QPA_PLATFORM=offscreen "$build/bin/talvor" >"$work/window.out" 2>&1
[ $? = 4 ] && grep -q "runs without a window for .*(process $house_pid)" "$work/window.out" ||
  fail "a window on the monitor's folder said: $(cat "$work/window.out")"
TALVOR_HOME=$house "$build/bin/talvor" --headless 2>"$work/second.out"
[ $? = 4 ] && grep -q "already runs for .*(process $house_pid)" "$work/second.out" ||
  fail "a second monitor on the folder said: $(cat "$work/second.out")"

# Two copies, one broker: their own client ids and topics, and neither throws the other off.
retained() { mosquitto_sub -p "$mqtt_port" -t 'homeassistant/#' -t 'talvor/#' --retained-only -v -W 2 2>/dev/null | cut -d' ' -f1 | sort -u; }
wait_for '[ "$(retained | wc -l)" = 12 ]' 50 || fail "not 12 retained topics: $(retained)"
[ "$(grep -o 'as talvor-[0-9a-f]*' "$work/mosquitto.log" | sort -u | wc -l)" = 2 ] || fail "the copies did not connect with two ids"
sleep 3
! grep -E 'already connected|disconnected' "$work/mosquitto.log" | grep -q talvor- || fail "a copy was thrown off: $(grep -E 'connected' "$work/mosquitto.log")"

# SIGHUP: the barn turns discovery off, its configs go; the house takes a new threshold.
sharing "$barn" "$barn_port" ""
settings "$house" 45 1
kill -HUP "$barn_pid" "$house_pid"
wait_for '[ "$(retained | grep -c /config)" = 2 ]' 50 || fail "the barn's configs stayed: $(retained)"
wait_for '[ "$(metric "$house_port" talvor_signal_threshold)" = 45 ]' 50 || fail "the house did not reread its threshold"

# SIGTERM: out at once with status 0, and every reading so far is in the record.
polled=$(metric "$barn_port" 'talvor_polls_total{result="reading"}')
started=$(date +%s%N)
kill -TERM "$barn_pid" "$house_pid"
wait "$barn_pid"; barn_status=$?
wait "$house_pid"; house_status=$?
took=$((($(date +%s%N) - started) / 1000000))
[ "$barn_status" = 0 ] && [ "$house_status" = 0 ] || fail "SIGTERM ended the monitors with $barn_status and $house_status"
[ "$took" -lt 1000 ] || fail "SIGTERM took $took ms"
today=$(date +%F)
TALVOR_HOME=$barn "$build/bin/talvor" --report "$today" "$today" "$work/barn.csv" || fail "--report failed"
kept=$(sed -n 2p "$work/barn.csv" | cut -d, -f2)
[ "$kept" -ge "$polled" ] || fail "the record kept $kept readings of at least $polled"
[ "$(grep -c ',41' "$house/$(date +%Y_%m_%d)_talvor_log.csv")" -ge 1 ] || fail "the house wrote no log line"
[ ! -e "$barn/$(date +%Y_%m_%d)_talvor_log.csv" ] || fail "the barn logged with logging off"
grep -q "Stopping on SIGTERM" "$work/house.err" || fail "no state line for the stop"
echo "headless: two copies, $kept readings kept, SIGTERM in $took ms"
