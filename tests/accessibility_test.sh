#!/usr/bin/env bash
# Talvor as a screen reader meets it: the real program on a virtual display,
# its accessibility tree read over AT-SPI on a private D-Bus session, every
# focusable control named and the chart described by its last reading.
#   tests/accessibility_test.sh BUILD_DIR
# Skipped (exit 77) where Xvfb, dbus-run-session, AT-SPI or pyatspi is missing.
set -uo pipefail
build=$1
root=$(cd "$(dirname "$0")/.." && pwd)
for tool in Xvfb dbus-run-session /usr/libexec/at-spi-bus-launcher; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is missing"; exit 77; }
done
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "skipped: python3-pyatspi is missing"; exit 77; }

exec dbus-run-session -- bash -s "$build" "$root" <<'INSIDE'
set -uo pipefail
build=$1 root=$2
source "$root/scripts/lib/desktop.sh"
desktop_trap
fail() { echo "FAIL: $*"; exit 1; }
desktop_start_xvfb 1024x768x24
desktop_start_sim
home=$desktop_tmp/home
desktop_write_settings "$home" 1 10 200 0
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
desktop_pids+=($!)
sleep 1
desktop_start_talvor "$home"
desktop_window_of "$desktop_talvor_pid" ' = SS' 100 >/dev/null || fail "no window appeared"
# A few readings, so the chart has something to describe; the aim view open too.
sleep 3
TALVOR_HOME=$home TALVOR_LOCK_DIR=$home timeout 10 "$build/bin/talvor" --aim >/dev/null 2>&1 || fail "the aim view did not open"
sleep 1
timeout 60 /usr/bin/python3 "$root/tests/accessibility_walk.py" || fail "the accessibility walk found faults"
echo PASS
INSIDE
