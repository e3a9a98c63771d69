#!/usr/bin/env bash
# The modem's password beside a real Secret Service: gnome-keyring on a private
# D-Bus session, in a home of its own. The login saved from the window must go
# to the keyring, not to Modem.ini, and a restart must log in with it.
#   tests/keyring_test.sh BUILD_DIR
# Skipped (exit 77) where dbus-run-session or gnome-keyring-daemon is missing.
set -uo pipefail
build=$1
for tool in dbus-run-session gnome-keyring-daemon; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is missing"; exit 77; }
done

exec dbus-run-session -- bash -s "$build" <<'INSIDE'
set -uo pipefail
build=$1
scratch=$(mktemp -d)
trap 'kill "${GNOME_KEYRING_PID:-}" 2>/dev/null; rm -rf "$scratch"' EXIT
# The daemon keeps its keyrings under HOME and its socket in the runtime folder.
export HOME=$scratch XDG_RUNTIME_DIR=$scratch/run
mkdir -m 700 "$XDG_RUNTIME_DIR"
# A login keyring made and unlocked with a password given on stdin, as a
# desktop session's login does.
eval "$(printf 'test' | gnome-keyring-daemon --unlock --components=secrets)" ||
  { echo "FAIL: gnome-keyring-daemon did not start"; exit 1; }
TALVOR_TEST_KEYRING=1 QT_QPA_PLATFORM=offscreen "$build/bin/test_modem_pages" readingAndLoginAreKeptApart
INSIDE
