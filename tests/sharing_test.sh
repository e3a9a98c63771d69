#!/usr/bin/env bash
# Talvor's numbers read by the real consumers, all on loopback: Prometheus
# scraping /metrics every second (and promtool checking the exposition), a
# mosquitto broker with Home Assistant's discovery topics and the last will,
# `talvor --status`, and a scrape flood that must not slow the polls.
#   tests/sharing_test.sh BUILD_DIR
# Skipped (exit 77) where prometheus, promtool, mosquitto or mosquitto_sub is missing.
set -uo pipefail
build=$1
source "$(dirname "$0")/../scripts/lib/loopback.sh"
needs prometheus promtool mosquitto mosquitto_sub curl python3
with_work
fail() { echo "FAIL: $*"; exit 1; }

sim_port=$(free_port) metrics_port=$(free_port) mqtt_port=$(free_port) prom_port=$(free_port)
start_sim() {
  "$build/bin/modem-sim" --port "$sim_port" --reading "$1" >"$work/sim.log" 2>&1 &
  sim=$!
  pids+=($sim)
  wait_for 'grep -q "port [0-9]" "$work/sim.log"' 50 || fail "the modem simulator did not start"
}
start_sim 41
mosquitto -p "$mqtt_port" >"$work/mosquitto.log" 2>&1 &
pids+=($!)
home=$work/home
mkdir -p "$home"
printf '1,"10","200","50",0,"Signal Strength.............. ","http://127.0.0.1:%s/s.txt","Arial",#FALSE#,#FALSE#,15.75,-2147483641,49152,16777215,255,0\r\n' \
  "$sim_port" >"$home/Talvor.ini"
# Written by hand with a password and left readable by all: tightened at load.
printf '[metrics]\nlisten=127.0.0.1:%s\n[mqtt]\nbroker=127.0.0.1:%s\ntopic=talvor\ndiscovery=homeassistant\nuser=\npassword=secret\n' \
  "$metrics_port" "$mqtt_port" >"$home/Sharing.ini"
chmod 644 "$home/Sharing.ini"
wait_for 'grep -q "running" "$work/mosquitto.log"' 50 || fail "mosquitto did not start: $(cat "$work/mosquitto.log")"
export TALVOR_HOME=$home TALVOR_LOCK_DIR=$home QT_QPA_PLATFORM=offscreen
"$build/bin/talvor" >"$work/talvor.log" 2>&1 &
talvor=$!
pids+=($talvor)
metric() { curl -s "http://127.0.0.1:$metrics_port/metrics" | sed -n "s/^$1 //p"; }
wait_for '[ "$(metric talvor_signal_strength)" = 41 ]' 100 || fail "/metrics never showed 41"
[ "$(curl -s -o /dev/null -w '%{http_code}' "http://127.0.0.1:$metrics_port/other")" = 404 ] || fail "another path did not give 404"
curl -s "http://127.0.0.1:$metrics_port/metrics" | promtool check metrics || fail "promtool found faults in the exposition"

# talvor --status while it runs.
status=$("$build/bin/talvor" --status) || fail "--status ended with $?"
python3 -c 'import json,sys; d=json.loads(sys.argv[1]); assert d["reading"]==41 and d["stale"] is False and d["threshold"]==50, d' "$status" ||
  fail "--status printed $status"
echo "status: $status"
[ "$(stat -c %a "$home/Sharing.ini")" = 600 ] || fail "Sharing.ini holding a password was left $(stat -c %a "$home/Sharing.ini")"

# Prometheus scraping every second sees the page's number, then follows a change.
cat >"$work/prometheus.yml" <<YML
global: {scrape_interval: 1s, evaluation_interval: 1s}
scrape_configs:
  - job_name: talvor
    static_configs: [{targets: ['127.0.0.1:$metrics_port']}]
YML
prometheus --config.file="$work/prometheus.yml" --storage.tsdb.path="$work/tsdb" \
  --web.listen-address="127.0.0.1:$prom_port" >"$work/prometheus.log" 2>&1 &
pids+=($!)
queried() {
  curl -s "http://127.0.0.1:$prom_port/api/v1/query?query=talvor_signal_strength" |
    python3 -c 'import json,sys; r=json.load(sys.stdin)["data"]["result"]; print(r[0]["value"][1] if r else "")' 2>/dev/null
}
wait_for '[ "$(queried)" = 41 ]' 300 || fail "Prometheus never reported 41: $(queried)"
kill "$sim"; wait "$sim" 2>/dev/null
start_sim 73
# Three scrapes after Talvor's next reading (polls each second).
wait_for '[ "$(queried)" = 73 ]' 60 || fail "Prometheus did not follow the change to 73: $(queried)"
echo "prometheus: followed 41 -> 73"

# MQTT: discovery configs and the state, retained.
mosquitto_sub -p "$mqtt_port" -t 'homeassistant/#' -t 'talvor/#' --retained-only -v -W 2 >"$work/mqtt.txt" 2>/dev/null
grep -q '^homeassistant/sensor/talvor_[a-z0-9_-]*/signal/config .*"state_topic":"talvor/[a-z0-9_-]*/signal"' "$work/mqtt.txt" ||
  fail "no signal discovery config: $(cat "$work/mqtt.txt")"
grep -q '^homeassistant/binary_sensor/talvor_[a-z0-9_-]*/modem/config .*"device_class":"connectivity"' "$work/mqtt.txt" ||
  fail "no modem discovery config"
grep -q '^talvor/[a-z0-9_-]*/signal 73$' "$work/mqtt.txt" || fail "the state topic does not hold 73"
grep -q '^talvor/[a-z0-9_-]*/status online$' "$work/mqtt.txt" || fail "not online"

# A flood of scrapes: the polls stay on time, the memory stays put.
rss() { sed -n 's/^VmRSS:[[:space:]]*\([0-9]*\).*/\1/p' "/proc/$talvor/status"; }
polls() { metric 'talvor_polls_total{result="reading"}'; }
rss_before=$(rss) polls_before=$(polls) started=$(date +%s)
python3 - "$metrics_port" <<'PY'
import socket, sys, threading
port = int(sys.argv[1])
held = []
for _ in range(128):  # connections opened and never finished, from one address
    try:
        s = socket.create_connection(("127.0.0.1", port), timeout=2, source_address=("127.0.0.2", 0))
        s.sendall(b"GET /metrics HTTP/1.1\r\nHost: x\r\n")
        held.append(s)
    except OSError:
        pass
served = []
def scrape(n):
    for _ in range(n):
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=2) as s:
                s.sendall(b"GET /metrics HTTP/1.0\r\n\r\n")
                reply = b""
                while chunk := s.recv(65536):
                    reply += chunk
                served.append(reply.startswith(b"HTTP/1.0 200") or reply.startswith(b"HTTP/1.1 200"))
        except OSError:
            served.append(False)
threads = [threading.Thread(target=scrape, args=(2500,)) for _ in range(4)]
for t in threads: t.start()
for t in threads: t.join()
print(f"{sum(served)} of {len(served)} scrapes served while {len(held)} connections were held")
# The slow clients hold a few places, never all of them.
sys.exit(0 if sum(served) >= 0.95 * len(served) else 1)
PY
[ $? -eq 0 ] || fail "slow clients from one address shut the scrapes out"
elapsed=$(( $(date +%s) - started ))
sleep 1
rss_after=$(rss) polls_after=$(polls)
grown=$((rss_after - rss_before))
echo "flood: ${elapsed}s, $((polls_after - polls_before)) polls, resident memory grew ${grown} kB"
# Under AddressSanitizer freed memory waits in quarantine: the bound is the
# ordinary build's to check.
[ -n "${TALVOR_SANITIZED:-}" ] || [ "$grown" -le 2048 ] || fail "memory grew by $grown kB under the flood"
[ $((polls_after - polls_before)) -ge $((elapsed - 1)) ] || fail "polls fell behind under the flood"

# The modem stops answering: after three polls without a reading every
# consumer is told the reading is stale.
kill "$sim"; wait "$sim" 2>/dev/null
wait_for '[ "$(metric talvor_stale)" = 1 ]' 100 || fail "/metrics never said stale"
status=$("$build/bin/talvor" --status)
python3 -c 'import json,sys; assert json.loads(sys.argv[1])["stale"] is True' "$status" || fail "--status is not stale: $status"
retained_stale() { mosquitto_sub -p "$mqtt_port" -t 'talvor/+/stale' --retained-only -v -W 1 2>/dev/null; }
wait_for 'grep -qx "talvor/[a-z0-9_-]*/stale 1" <<<"$(retained_stale)"' 50 || fail "the retained stale topic is not 1: $(retained_stale)"

# The last will: killed, the broker says offline.
kill -9 "$talvor"; wait "$talvor" 2>/dev/null
wait_for 'mosquitto_sub -p "$mqtt_port" -t "talvor/+/status" -C 1 -W 2 2>/dev/null | grep -q offline' 150 ||
  fail "the status did not turn offline after SIGKILL"
"$build/bin/talvor" --status >/dev/null 2>&1
[ $? -eq 3 ] || fail "--status without a running copy did not exit 3"
echo PASS
