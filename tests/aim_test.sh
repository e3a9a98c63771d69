#!/usr/bin/env bash
# Aiming the dish from a phone, all on loopback: `talvor --aim` serves
# nothing; `talvor --aim --phone` serves the page at the address Sharing.ini
# fixes, --status names it, its QR code on screen decodes to it, another
# token is a 404, and Debian's chromium (headless) sees the number follow the
# modem within a second with no console error. Escape closes the view and
# takes the page down.
# A second start with --aim --phone asks the running copy to serve it.
#   aim_test.sh <build folder>
# Skipped (exit 77) where Xvfb, xdotool, ImageMagick, zbarimg, chromium or curl is missing.
set -euo pipefail
build=$(cd "$1" && pwd)
for tool in Xvfb xdotool import zbarimg chromium curl python3; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
here=$(dirname "$0")
source "$here/../scripts/lib/desktop.sh"
desktop_trap
fail() { echo "FAIL: $*"; [ -n "${home:-}" ] && cat "$home/talvor.out" 2>/dev/null; exit 1; }

desktop_start_xvfb
reading=$desktop_tmp/reading
echo 41 >"$reading"
desktop_start_sim --reading-file "$reading"
home=$desktop_tmp/home
desktop_write_settings "$home" 1 50 200 0
aim_port=$(free_port)
printf '[aim]\nlisten=127.0.0.1:%s\n' "$aim_port" >"$home/Sharing.ini"
status() { TALVOR_HOME="$home" TALVOR_LOCK_DIR="$home" "$build/bin/talvor" --status 2>/dev/null; }
aim_url() { status | python3 -c 'import json,sys; print(json.load(sys.stdin).get("aim_url", ""))' 2>/dev/null; }

# The view alone serves nothing: showing on a phone is the user's act.
TALVOR_HOME="$home" TALVOR_LOCK_DIR="$home" "$build/bin/talvor" --aim >"$home/talvor.out" 2>&1 &
talvor=$!
desktop_pids+=($talvor)
view=$(desktop_window_of "$talvor" '^Aim the Dish$') || fail "--aim opened no aim view"
wait_for '[ "$(status | grep -c "\"reading\":41")" = 1 ]' 100 || fail "no reading of 41: $(status)"
! curl -s -o /dev/null "http://127.0.0.1:$aim_port/" || fail "something listens on the aim port without --phone"
[ -z "$(aim_url)" ] || fail "--status names an aim page without --phone"

# A second start with --phone has the running copy serve the page.
TALVOR_HOME="$home" TALVOR_LOCK_DIR="$home" "$build/bin/talvor" --aim --phone || fail "the second start ended with $?"
wait_for '[ -n "$(aim_url)" ]' 100 || fail "--status gives no aim_url: $(status)"
url=$(aim_url)
[[ $url =~ ^http://127\.0\.0\.1:$aim_port/aim/[0-9a-f]{32}$ ]] || fail "the aim page is at $url"
code() { curl -s -o /dev/null -w '%{http_code}' "$1"; }
[ "$(code "$url")" = 200 ] || fail "the page gave $(code "$url")"
size=$(curl -s "$url" | wc -c)
[ "$size" -lt 20480 ] || fail "the page is $size bytes"
! curl -s "$url" | grep -Eq '(src|href)="?(https?:)?//' || fail "the page loads something from elsewhere"
last=${url: -1}
for other in "${url%?}$([ "$last" = 0 ] && echo 1 || echo 0)" "${url%/*}/0123456789abcdef0123456789abcdef" "http://127.0.0.1:$aim_port/" "$url/../../metrics"; do
  [ "$(code "$other")" = 404 ] || fail "$other gave $(code "$other"), not 404"
done

# Eight phones may watch, each let in; a ninth is turned away.
watchers=()
for i in $(seq 8); do
  curl -sN -m 4 -o /dev/null -w '%{http_code}' "$url/events" >"$desktop_tmp/watcher$i" 2>/dev/null &
  watchers+=($!)
done
desktop_pids+=("${watchers[@]}")
stream_code() { curl -s -m 1 -o /dev/null -w '%{http_code}' "$url/events"; }
# One try only: a stream that was let in holds its place past its end.
sleep 1
[ "$(stream_code)" = 503 ] || fail "a ninth stream was not refused"
# The page asks with HEAD why it was turned away, and takes no place asking.
[ "$(curl -s -I -m 1 -o /dev/null -w '%{http_code}' "$url/events")" = 503 ] || fail "HEAD on a full stream did not say 503"
[ "$(curl -s -I -m 1 -o /dev/null -w '%{http_code}' "$url")" = 200 ] || fail "HEAD on the page did not say 200"
wait "${watchers[@]}" || true  # curl ends at its -m limit
[ "$(cat "$desktop_tmp"/watcher* | tr -d '\n')" = 200200200200200200200200 ] ||
  fail "not all eight phones were let in: $(cat "$desktop_tmp"/watcher*)"
# Phones that leave free their places at the next reading.
wait_for '[ "$(stream_code)" = 200 ]' 50 ||
  fail "the places of phones that left were not freed"

# The QR code on the screen is the address.
sleep 0.5
import -window "$view" "$desktop_tmp/view.png"
decoded=$(zbarimg --quiet --raw "$desktop_tmp/view.png" 2>/dev/null) || fail "no QR code could be read off the view"
[ "$decoded" = "$url" ] || fail "the QR code says $decoded, not $url"

# The page follows the modem while 300 connections that never ask for
# anything are held on its port.
aim_port_now=$(sed -E 's|http://[^:]*:([0-9]+)/.*|\1|' <<<"$url")
python3 "$here/support/idle_connections.py" 127.0.0.1 "$aim_port_now" 300 >"$desktop_tmp/idle.out" 2>&1 &
desktop_pids+=($!)
wait_for 'grep -q "held 300" "$desktop_tmp/idle.out"' 100 || fail "300 idle connections: $(cat "$desktop_tmp/idle.out")"
[ "$(curl -s -m 2 -o /dev/null -w '%{http_code}' "$url")" = 200 ] || fail "the page was not served beside 300 idle connections"
AIM_PAGE_READY=$desktop_tmp/ready AIM_PAGE_GO=$desktop_tmp/go \
  python3 "$here/support/aim_page.py" "$url" "$reading" 41 63 27 >"$desktop_tmp/page.out" 2>&1 &
page_pid=$!
desktop_pids+=($page_pid)
wait_for '[ -e "$desktop_tmp/ready" ]' 300 || fail "the page in chromium: $(cat "$desktop_tmp/page.out")"

# Escape closes the view and stops serving the page, which marks all it
# shows as old within a second.
touch "$desktop_tmp/go"
xdotool windowfocus --sync "$view" key Escape
wait "$page_pid" || fail "the page in chromium: $(cat "$desktop_tmp/page.out")"
while read -r line; do
  case $line in
  latency_ms=*) [ "${line#latency_ms=}" -lt 1000 ] || fail "the page took ${line#latency_ms=} ms to follow the modem" ;;
  old_ms=*) [ "${line#old_ms=}" -lt 1000 ] || fail "the page took ${line#old_ms=} ms to mark itself old" ;;
  esac
done <"$desktop_tmp/page.out"
grep -q old_ms= "$desktop_tmp/page.out" || fail "the page was never marked old: $(cat "$desktop_tmp/page.out")"
wait_for '[ -z "$(aim_url)" ]' 50 || fail "the aim page is still named after Escape"
! curl -s -o /dev/null "$url" || fail "the aim page is still served after the view closed"
echo "aim: served at $url, QR read, page followed the modem: $(tr '\n' ' ' <"$desktop_tmp/page.out")"
