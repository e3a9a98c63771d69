#!/usr/bin/env bash
# Form logins against a loopback modem (tests/support/form_modem.py) whose
# session ends every five pages: the headless monitor reads at every poll
# and logs in once a session, the password goes in the login post alone, a
# wrong password is refused in --status with two logins at most, the session
# is logged out at the end, --check
# tells each step with secrets hidden, a JSON login with a hashed password
# works, and a session cookie never goes to another port.
#   tests/login_test.sh BUILD_DIR
set -uo pipefail
build=$1
source "$(dirname "$0")/../scripts/lib/loopback.sh"
needs curl python3
here=$(cd "$(dirname "$0")" && pwd)
with_work
fail() { echo "FAIL: $*"; for f in "$work"/*.out; do echo "--- $f"; tail -20 "$f"; done; exit 1; }

# modem NAME [options]: a form modem on a free port; its port in $port.
modem() {
  port=$(free_port)
  python3 "$here/support/form_modem.py" "$port" "$work/$1.log" "${@:2}" >"$work/$1.out" 2>&1 &
  pids+=($!)
  wait_for "curl -s -o /dev/null http://127.0.0.1:$port/login.html" 50 || fail "the modem $1 did not start"
  : >"$work/$1.log"
}
form_body='username={user}&password={password}&csrf={token}'
csrf_rule='name="csrf" value="([^"]*)"'
# folder NAME PORT PASSWORD [BODY] [CONTENT_TYPE] [TOKEN]: settings polling every half second.
folder() {
  mkdir -p "$work/$1"
  printf '1,"5","200","50",0,"Signal","http://127.0.0.1:%s/status.json","Arial",#FALSE#,#FALSE#,15.75,-2147483641,49152,16777215,255,0\r\n' \
    "$2" >"$work/$1/Talvor.ini"
  cat >"$work/$1/Modem.ini" <<INI
[reading]
rule=json
pattern=/signal/snr
[login]
kind=form
user=admin
password=$3
page=/login.html
token=${6:-$csrf_rule}
post=/goform/login
body=${4:-$form_body}
content_type=${5:-application/x-www-form-urlencoded}
logout=/logout.html
INI
  metrics=$(free_port)
  printf '[metrics]\nlisten=127.0.0.1:%s\n' "$metrics" >"$work/$1/Sharing.ini"
}
count() { python3 -c 'import json,sys; print(sum(1 for l in open(sys.argv[1]) if eval(sys.argv[2], {}, json.loads(l))))' "$@"; }

# The session ends every five pages; a reading at every poll, one login a session.
modem good
folder good "$port" 's3cret!&'
TALVOR_HOME=$work/good TALVOR_LOCK_DIR=$work/good "$build/bin/talvor" --headless >"$work/good-talvor.out" 2>&1 &
talvor=$!
pids+=($talvor)
good_metrics=$metrics
sleep 12
scrape=$(curl -s "http://127.0.0.1:$good_metrics/metrics")
kill -TERM "$talvor"; wait "$talvor"
readings=$(sed -n 's/^talvor_polls_total{result="reading"} //p' <<<"$scrape")
failures=$(sed -n 's/^talvor_polls_total{result="no_reading"} //p' <<<"$scrape")
logins=$(count "$work/good.log" 'method == "POST"')
pages=$(count "$work/good.log" 'method == "GET" and path == "/status.json"')
echo "good: $readings readings, $failures polls without, $logins logins, $pages status requests"
[ "${readings:-0}" -ge 15 ] && [ "$failures" = 0 ] || fail "not a reading at every poll: $readings readings, $failures without"
# Each session serves five pages and ends with one more request (the redirect).
[ "$logins" -le $(( readings / 5 + 1 )) ] && [ "$logins" -ge $(( readings / 5 )) ] || fail "$logins logins for $readings readings"
# The modem allows one session: Talvor ends its own on the way out.
[ "$(count "$work/good.log" 'path == "/logout.html" and "SID" in cookies')" = 1 ] || fail "no logout with the session at the end"
[ "$(count "$work/good.log" 'password and method != "POST"')" = 0 ] || fail "the password went in a request other than the login post"
[ "$(count "$work/good.log" 'password and method == "POST"')" = "$logins" ] || fail "the login posts lacked the password"
[ "$(count "$work/good.log" 'path == "/status.json" and "SID" not in cookies')" -le "$logins" ] || fail "status pages asked without the session"

# A wrong password: refused in --status, and two logins at most in five minutes.
modem wrong
folder wrong "$port" 'not it'
TALVOR_HOME=$work/wrong TALVOR_LOCK_DIR=$work/wrong "$build/bin/talvor" --headless >"$work/wrong-talvor.out" 2>&1 &
talvor=$!
pids+=($talvor)
sleep 6
status=$(TALVOR_HOME=$work/wrong TALVOR_LOCK_DIR=$work/wrong "$build/bin/talvor" --status)
kill -TERM "$talvor"; wait "$talvor"
echo "wrong: $status"
grep -q 'The modem refused the login' <<<"$status" || fail "--status did not say the login was refused: $status"
! grep -q 'not it' <<<"$status" || fail "--status showed the password"
[ "$(count "$work/wrong.log" 'method == "POST"')" -le 2 ] || fail "more than two logins with a wrong password"

# --check: each step, the password and cookie values hidden, exit 0.
modem check
folder check "$port" 's3cret!&'
TALVOR_HOME=$work/check "$build/bin/talvor" --check >"$work/check.txt" 2>&1 || fail "--check ended with $?: $(cat "$work/check.txt")"
cat "$work/check.txt"
for step in 'Login page /login.html: 200' 'Token found' 'Login sent to /goform/login: 302' 'Cookies set: SID, pre' 'Status page: 200' 'Reading: 12.5'; do
  grep -q "$step" "$work/check.txt" || fail "--check did not say: $step"
done
! grep -q 's3cret' "$work/check.txt" || fail "--check printed the password"
! grep -Eq 'SID=|[0-9a-f]{32}' "$work/check.txt" || fail "--check printed a cookie's value"

# JSON, the password hashed with the token.
modem hashed --json
folder hashed "$port" 's3cret!&' '{"u":"{user}","p":"{sha256:{password}{token}}","t":"{token}"}' application/json /token
TALVOR_HOME=$work/hashed "$build/bin/talvor" --check >"$work/hashed.txt" 2>&1 || fail "the hashed JSON login failed: $(cat "$work/hashed.txt")"
[ "$(count "$work/hashed.log" 'password')" = 0 ] || fail "the plain password went to the modem with a hashed login"

# A login that sends Talvor to another port: not followed, no cookie goes there.
other=$(free_port)
python3 - "$other" "$work/other.log" >"$work/other.out" 2>&1 <<'PY' &
import http.server, sys
class Other(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        open(sys.argv[2], "a").write("%s %s\n" % (self.path, self.headers.get("Cookie", "")))
        self.send_response(200); self.send_header("Content-Length", "2"); self.end_headers(); self.wfile.write(b"{}")
    def log_message(self, *args): pass
http.server.HTTPServer(("127.0.0.1", int(sys.argv[1])), Other).serve_forever()
PY
pids+=($!)
modem away --away "$other"
folder away "$port" 's3cret!&'
TALVOR_HOME=$work/away "$build/bin/talvor" --check >"$work/away.txt" 2>&1 && fail "a login sent elsewhere gave a reading"
[ ! -s "$work/other.log" ] || fail "the other port was asked: $(cat "$work/other.log")"
echo "PASS"
