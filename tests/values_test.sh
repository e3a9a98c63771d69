#!/usr/bin/env bash
# Named values from one JSON page, through the headless monitor to every
# place a value goes: --status (a missing one null, the others still there),
# /metrics, a Home Assistant sensor each on mosquitto, the alert line, and
# the record a report reads with --value. Then a value taken out of
# Modem.ini (SIGHUP) has its sensor taken off the broker.
#   tests/values_test.sh BUILD_DIR
# Skipped (exit 77) where mosquitto or mosquitto_sub is missing.
set -uo pipefail
build=$1
source "$(dirname "$0")/../scripts/lib/loopback.sh"
needs mosquitto mosquitto_sub curl python3
with_work
fail() { echo "FAIL: $*"; echo "--- talvor"; cat "$work/talvor.log"; exit 1; }

page_port=$(free_port) metrics_port=$(free_port) mqtt_port=$(free_port)
# The page the modem gives, read again at each request: the test changes it.
printf '{"signal":{"snr":12.5,"esno":9.1},"rx":{"power":-45.2}}' >"$work/page.json"
python3 - "$page_port" "$work/page.json" >"$work/page.log" 2>&1 <<'PY' &
import http.server, sys
port, path = int(sys.argv[1]), sys.argv[2]
class Page(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        body = open(path, "rb").read()
        self.send_response(200)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
    def log_message(self, *args):
        pass
http.server.HTTPServer(("127.0.0.1", port), Page).serve_forever()
PY
pids+=($!)
mosquitto -p "$mqtt_port" >"$work/mosquitto.log" 2>&1 &
pids+=($!)
home=$work/home
mkdir -p "$home"
printf '1,"10","200","50",0,"Signal Strength.............. ","http://127.0.0.1:%s/status.json","Arial",#FALSE#,#FALSE#,15.75,-2147483641,49152,16777215,255,0\r\n' \
  "$page_port" >"$home/Talvor.ini"
printf '[metrics]\nlisten=127.0.0.1:%s\n[mqtt]\nbroker=127.0.0.1:%s\ndiscovery=homeassistant\n' "$metrics_port" "$mqtt_port" >"$home/Sharing.ini"
modem_ini() {
  cat >"$home/Modem.ini" <<INI
[reading]
rule=json
pattern=/signal/snr
[values]
names=$1
[value.esno]
label=Es/No
unit=dB
rule=json
pattern=/signal/esno
threshold=6
[value.rx]
label=Rx
unit=dBm
rule=json
pattern=/rx/power
[value.gone]
rule=json
pattern=/nowhere
INI
}
modem_ini "esno,rx,gone"
wait_for 'grep -q running "$work/mosquitto.log" && curl -s "http://127.0.0.1:$page_port/" >/dev/null' 50 ||
  fail "the page server or mosquitto did not start"
export TALVOR_HOME=$home TALVOR_LOCK_DIR=$home
"$build/bin/talvor" --headless >"$work/talvor.log" 2>&1 &
talvor=$!
pids+=($talvor)

# --status: both values, the missing one null, the reading as ever.
wait_for '"$build/bin/talvor" --status 2>/dev/null | grep -q "\"esno\":9.1"' 100 || fail "--status never gave esno"
status=$("$build/bin/talvor" --status)
python3 -c '
import json, sys
d = json.loads(sys.argv[1])
assert d["reading"] == 12.5, d
assert d["values"] == {"esno": 9.1, "rx": -45.2, "gone": None}, d["values"]' "$status" || fail "--status printed $status"
echo "status: $status"

# /metrics: each value by name and unit, and the threshold where one is set.
metrics=$(curl -s "http://127.0.0.1:$metrics_port/metrics")
grep -qx 'talvor_value{name="esno",unit="dB"} 9.1' <<<"$metrics" || fail "/metrics: no esno: $metrics"
grep -qx 'talvor_value{name="rx",unit="dBm"} -45.2' <<<"$metrics" || fail "/metrics: no rx: $metrics"
grep -qx 'talvor_value_threshold{name="esno"} 6' <<<"$metrics" || fail "/metrics: no esno threshold"
! grep -q 'name="gone"}' <<<"$metrics" || fail "/metrics gave a value for a missing one"
! grep -q 'talvor_value_threshold{name="rx"}' <<<"$metrics" || fail "/metrics: a threshold for rx, which has none"

# MQTT: a sensor per value under the same device, and each value's state.
mosquitto_sub -p "$mqtt_port" -t 'homeassistant/#' -t 'talvor/#' --retained-only -v -W 2 >"$work/mqtt.txt" 2>/dev/null
python3 - "$work/mqtt.txt" <<'PY' || fail "MQTT: $(cat "$work/mqtt.txt")"
import json, re, sys
configs, states = {}, {}
for line in open(sys.argv[1]):
    topic, _, payload = line.rstrip("\n").partition(" ")
    m = re.fullmatch(r"homeassistant/sensor/talvor_([a-z0-9_-]+)/value_(\w+)/config", topic)
    if m:
        configs[m.group(2)] = (m.group(1), json.loads(payload))
    m = re.fullmatch(r"talvor/[a-z0-9_-]+/value/(\w+)", topic)
    if m:
        states[m.group(1)] = payload
assert sorted(configs) == ["esno", "gone", "rx"], configs
device, esno = configs["esno"]
assert esno["name"] == "Es/No" and esno["unit_of_measurement"] == "dB", esno
assert esno["state_class"] == "measurement" and esno["unique_id"] == "talvor_%s_value_esno" % device, esno
assert esno["device"]["identifiers"] == ["talvor_" + device], esno
assert esno["state_topic"] == "talvor/%s/value/esno" % device, esno
assert states == {"esno": "9.1", "rx": "-45.2"}, states
PY
echo "mqtt: a sensor for each of esno, rx, gone"

# Es/No falls to its threshold: one alert line, and one when it is back.
printf '{"signal":{"snr":12.5,"esno":5.8},"rx":{"power":-45.2}}' >"$work/page.json"
wait_for 'grep -q "Es/No low: 5.8 dB (threshold 6)" "$work/talvor.log"' 50 || fail "no alert for Es/No low"
printf '{"signal":{"snr":12.5,"esno":9.1},"rx":{"power":-45.2}}' >"$work/page.json"
wait_for 'grep -q "Es/No back: 9.1 dB (threshold 6)" "$work/talvor.log"' 50 || fail "no alert for Es/No back"
# Each said once: a value that stays where it is says nothing more.
sleep 2
[ "$(grep -c 'Es/No low' "$work/talvor.log")" = 1 ] && [ "$(grep -c 'Es/No back' "$work/talvor.log")" = 1 ] ||
  fail "Es/No's alerts said more than once each"

# A value taken out of Modem.ini: its sensor and state leave the broker.
modem_ini "esno,rx"
kill -HUP "$talvor"
wait_for '! mosquitto_sub -p "$mqtt_port" -t "homeassistant/#" --retained-only -v -W 1 2>/dev/null | grep -q value_gone' 50 ||
  fail "the removed value's sensor stayed on the broker"
echo "mqtt: the removed value's sensor is gone"

# The record: SIGTERM keeps the minute being filled; the report reads the value.
kill -TERM "$talvor"
wait "$talvor"
day=$(date +%F)
"$build/bin/talvor" --report "$day" "$day" "$work/esno.csv" --value esno || fail "--report --value ended with $?"
row=$(sed -n 2p "$work/esno.csv")
echo "report: $row"
python3 -c '
import sys
f = sys.argv[1].strip().split(",")
# date,readings,min,avg,max,...
assert int(f[1]) > 2 and float(f[2]) == 5.8 and float(f[4]) == 9.1, f
assert 8.0 < float(f[3]) <= 9.1, f' "$row" || fail "the report of esno: $row"
# A value without a threshold: its own figures, no threshold and nothing low.
"$build/bin/talvor" --report "$day" "$day" "$work/rx.csv" --value rx || fail "--report --value rx ended with $?"
python3 -c '
import sys
f = open(sys.argv[1]).read().splitlines()[1].split(",")
assert float(f[3]) == -45.2 and f[5] == "0.0" and f[7] == "", f' "$work/rx.csv" || fail "the report of rx: $(cat "$work/rx.csv")"
"$build/bin/talvor" --report "$day" "$day" "$work/none.csv" --value nothing 2>"$work/none.err" && fail "a report of a value never kept succeeded"
grep -q "no value named nothing" "$work/none.err" || fail "said: $(cat "$work/none.err")"
echo "PASS"
