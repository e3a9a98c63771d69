#!/usr/bin/env bash
# Runs the real talvor on a virtual X display with a notification area,
# against the modem simulator on loopback, and checks from outside the
# process what a user would see: the title follows the readings, the tray
# icon shows the reading's colours, ticking the log box writes the day's log,
# a second start ends at once, and a session end takes the icon away.
#   end_to_end_test.sh <build folder>
# Skipped (exit 77) where Xvfb, trayer, xdotool or ImageMagick is missing.
set -euo pipefail
build=$(cd "$1" && pwd)
for tool in Xvfb trayer xdotool xwininfo import convert; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
source "$(dirname "$0")/../scripts/lib/desktop.sh"
desktop_trap
fail() { echo "FAIL: $*"; [ -n "${home:-}" ] && cat "$home/talvor.out" 2>/dev/null; exit 1; }

desktop_start_xvfb
desktop_start_trayer
desktop_start_sim --reading 77
home=$desktop_tmp/home
# Polling every second, always in the tray.
desktop_write_settings "$home" 1 10 200 1
desktop_start_talvor "$home"
talvor=$desktop_talvor_pid

wid=$(desktop_window_of "$talvor" ' = SS') || fail "no window appeared"
echo "window: $(xdotool getwindowname "$wid")"
title_is() { [ "$(xdotool getwindowname "$wid" 2>/dev/null)" = "$1" ]; }
wait_for 'title_is "77 = SS"' 100 || fail "title did not become \"77 = SS\": $(xdotool getwindowname "$wid")"

# The tray icon is the process's other visible window, a small one.
tray_icon() {
  local w
  for w in $(xdotool search --onlyvisible --pid "$talvor" 2>/dev/null); do
    [ "$w" = "$wid" ] || { echo "$w"; return 0; }
  done
  return 1
}
# Share (percent) of the icon's pixels within a few steps of the colour $1 ("r,g,b").
icon_share() {
  local icon geometry
  icon=$(tray_icon) || { echo 0; return; }
  geometry=$(xwininfo -id "$icon" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
                                         /Width:/ {w=$NF} /Height:/ {h=$NF} END {printf "%dx%d+%d+%d", w, h, x, y}')
  import -window root -crop "$geometry" +repage "$desktop_tmp/icon.ppm" 2>/dev/null
  convert "$desktop_tmp/icon.ppm" -depth 8 -compress none ppm:- | tail -n +4 | tr -s ' \n' '\n\n' | grep -v '^$' |
    paste - - - | awk -v want="$1" 'BEGIN { split(want, c, ",") }
      { n++; if ((($1-c[1])^2 + ($2-c[2])^2 + ($3-c[3])^2) < 300) m++ }
      END { printf "%d", n ? 100 * m / n : 0 }'
}
icon_shows() { [ "$(icon_share "$1")" -ge 40 ]; }
wait_for 'icon_shows 0,192,0' 50 || fail "tray icon of 77 is not on green: $(icon_share 0,192,0)% green"
echo "tray icon: $(icon_share 0,192,0)% green for 77"

# Tick "Log to File" on the Options tab as a person would.
desktop_click_control "$wid" Options
sleep 0.5
desktop_click_control "$wid" DoLogFile
logged() { cat "$home"/*_talvor_log.csv 2>/dev/null | grep -q '^"[0-9/]*","[0-9:]* [ap]m",77'$'\r''$'; }
wait_for logged 50 || fail "no log line of 77 appeared"
echo "log: $(ls "$home" | grep _talvor_log.csv) $(head -n 1 "$home"/*_talvor_log.csv | tr -d '\r')"

# The modem's signal drops: a new simulator on the same port serves 33.
port=$desktop_sim_port
kill "$desktop_sim_pid"; wait "$desktop_sim_pid" 2>/dev/null || true
desktop_start_sim --port "$port" --reading 33
wait_for 'title_is "33 = SS"' 100 || fail "title did not follow the reading to 33"
wait_for 'icon_shows 255,0,0' 50 || fail "tray icon of 33 is not on red: $(icon_share 255,0,0)% red"
echo "title: $(xdotool getwindowname "$wid"); tray icon: $(icon_share 255,0,0)% red for 33"

# The modem stops answering: within three polls the icon turns grey; it
# comes back in colour with the next reading.
kill "$desktop_sim_pid"; wait "$desktop_sim_pid" 2>/dev/null || true
wait_for 'icon_shows 224,224,224' 60 || fail "tray icon did not turn grey: $(icon_share 224,224,224)% grey"
echo "modem gone: tray icon $(icon_share 224,224,224)% grey"
desktop_start_sim --port "$port" --reading 33
wait_for 'icon_shows 255,0,0' 50 || fail "tray icon did not come back in colour"

# A second start in the same folder ends at once and leaves the first alone.
before=$(cat "$home/Talvor.ini")
start=$(date +%s%N)
status=0
TALVOR_HOME="$home" TALVOR_LOCK_DIR="$home" timeout 10 "$build/bin/talvor" >/dev/null 2>&1 || status=$?
[ "$status" -eq 0 ] || fail "second instance ended with status $status"
echo "second instance ended after $(( ($(date +%s%N) - start) / 1000000 )) ms"
[ "$(cat "$home/Talvor.ini")" = "$before" ] || fail "second instance touched the settings"
kill -0 "$talvor" || fail "the first instance went away"
[ "$(xdotool search --onlyvisible --name ' = SS' | wc -l)" -eq 1 ] || fail "more than one window"

# The session ends: the program goes without asking, and its icon with it.
kill -TERM "$talvor"
wait_for '! kill -0 "$talvor" 2>/dev/null' 50 || fail "did not end on SIGTERM"
trayer_icons=$(xwininfo -tree -root | grep -c '"Talvor"' || true)
[ "$trayer_icons" -eq 0 ] || fail "the tray icon stayed after the end"

# A right double-click on the icon of a copy hidden in the tray brings its
# window back. Qt's XEmbed icon passes on only left double-clicks; this is the
# guard of the filter in TrayBackend that catches the right one.
home=$desktop_tmp/right-double-click
desktop_write_settings "$home" 1 10 200 0
sed -i 's/,"50",0,"Signal/,"50",1,"Signal/' "$home/Talvor.ini"
desktop_start_talvor "$home"
hidden=$desktop_talvor_pid
icon_of_hidden() { xdotool search --onlyvisible --pid "$hidden" 2>/dev/null | head -n 1; }
wait_for '[ -n "$(icon_of_hidden)" ]' 100 || fail "the copy hidden in the tray shows no icon"
sleep 0.5
xdotool mousemove --window "$(icon_of_hidden)" 4 4 click --repeat 2 --delay 80 3
desktop_window_of "$hidden" ' = SS' 10 >/dev/null || fail "a right double-click on the tray icon did not show the window"
echo "right double-click on the tray icon: window shown"
kill -TERM "$hidden"

# Hidden in the tray, a second start brings the window forward; so it does
# once the tray itself has gone.
for tray in running stopped; do
  home=$desktop_tmp/hidden-$tray
  desktop_write_settings "$home" 1 10 200 0
  sed -i 's/,"50",0,"Signal/,"50",1,"Signal/' "$home/Talvor.ini"
  desktop_start_talvor "$home"
  hidden=$desktop_talvor_pid
  wait_for '[ -s "$home"/talvor-*.lock ]' 100 || fail "the hidden copy did not start"
  sleep 1
  ! xdotool search --all --onlyvisible --pid "$hidden" --name ' = SS' >/dev/null || fail "did not start hidden"
  # trayer was the second thing started.
  [ "$tray" = stopped ] && kill "${desktop_pids[1]}"
  start=$(date +%s%N)
  TALVOR_HOME="$home" TALVOR_LOCK_DIR="$home" timeout 10 "$build/bin/talvor" >/dev/null 2>&1 ||
    fail "second start with the tray $tray ended with status $?"
  desktop_window_of "$hidden" ' = SS' 10 >/dev/null || fail "second start with the tray $tray did not show the window"
  echo "tray $tray: window shown $(( ($(date +%s%N) - start) / 1000000 )) ms after a second start"
  kill -TERM "$hidden"
done
echo "PASS"
