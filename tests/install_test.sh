#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a user gets: the
# program, its help text, the menu entry and its icons; an installed copy keeps
# its settings in the user's data folder, writable prefix or not, and a
# portable copy in a folder of its own keeps them beside itself; uninstalling
# takes every installed file away again.
#   install_test.sh <build folder>
# The program starts here with its default settings, whose address is a LAN
# modem: it only runs in a network namespace of its own, and the test is
# skipped (exit 77) where none can be made.
set -euo pipefail
build=$(cd "$1" && pwd)

if [ -z "${TALVOR_INSTALL_TEST_ISOLATED:-}" ]; then
  if [ "$(id -u)" -ne 0 ] || ! unshare -n -m true 2>/dev/null; then
    echo "SKIP: needs root to run the program in a network and mount namespace of its own"
    exit 77
  fi
  export TALVOR_INSTALL_TEST_ISOLATED=1
  exec unshare -n -m bash "$0" "$build"
fi
ip link set lo up

work=$(mktemp -d)
cleanup() { umount "$work/prefix/bin" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "FAIL: $*"; exit 1; }
entry=$prefix/share/applications/io.github.talvor.Talvor.desktop
metainfo=$prefix/share/metainfo/io.github.talvor.Talvor.metainfo.xml
for f in bin/talvor "share/talvor/Read Me.txt" share/icons/hicolor/32x32/apps/talvor.png \
         share/icons/hicolor/256x256/apps/talvor.png share/man/man1/talvor.1.gz share/doc/talvor/copyright; do
  [ -s "$prefix/$f" ] || fail "$f was not installed"
done
[ -s "$entry" ] && [ -s "$metainfo" ] || fail "no menu entry or AppStream metadata"
# The menu entry starts this very copy, whether ~/.local/bin is on PATH or not.
grep -qx "Exec=$prefix/bin/talvor" "$entry" || fail "menu entry does not start the installed program: $(grep Exec "$entry")"
grep -qx 'Icon=talvor' "$entry" || fail "menu entry has no icon"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$entry" || fail "menu entry is not valid"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net --pedantic "$metainfo" >"$work/appstream.txt" 2>&1 ||
    fail "AppStream metadata is not valid: $(cat "$work/appstream.txt")"
fi

# Runs a program for a moment in a fresh home and ends it the way a session end does.
run_in_home() {
  local program=$1 home=$2
  mkdir -p "$home"
  env -u TALVOR_HOME HOME="$home" XDG_DATA_HOME="$home/.local/share" XDG_CONFIG_HOME="$home/.config" \
      XDG_RUNTIME_DIR="$home/run" TALVOR_LOCK_DIR="$home/lock" QT_QPA_PLATFORM=offscreen \
      timeout -s TERM 3 "$program" >/dev/null 2>&1 || true
}

run_in_home "$prefix/bin/talvor" "$work/home1"
[ -f "$work/home1/.local/share/Talvor/Talvor.ini" ] || fail "an installed copy did not keep its settings in the user's data folder"
[ -z "$(ls "$prefix/bin" | grep -vx talvor)" ] || fail "an installed copy wrote into its bin folder: $(ls "$prefix/bin")"

mount --bind "$prefix/bin" "$prefix/bin"
mount -o remount,bind,ro "$prefix/bin"
run_in_home "$prefix/bin/talvor" "$work/home2"
[ -f "$work/home2/.local/share/Talvor/Talvor.ini" ] || fail "a copy in a read-only folder did not keep its settings in the user's data folder"

mkdir "$work/portable"
cp "$prefix/bin/talvor" "$work/portable/"
run_in_home "$work/portable/talvor" "$work/home3"
[ -f "$work/portable/Talvor.ini" ] || fail "a portable copy did not keep its settings beside itself"
[ ! -e "$work/home3/.local/share/Talvor" ] || fail "a portable copy wrote into the user's data folder"

umount "$prefix/bin"
cmake -DMANIFEST="$build/install_manifest.txt" -P "$(dirname "$0")/../cmake/Uninstall.cmake" >/dev/null
left=$(find "$prefix" -mindepth 1)
[ -z "$left" ] || fail "uninstall left files or folders behind: $left"
echo "PASS"
