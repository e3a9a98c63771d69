#!/usr/bin/env bash
# The Debian package as a user gets it: made with CPack from this build,
# installed with dpkg into a throw-away root, its program run, then removed,
# leaving nothing behind.
#   tests/package_test.sh BUILD_DIR
# Skipped (exit 77) without cpack, dpkg or dpkg-shlibdeps.
set -uo pipefail
build=$(cd "$1" && pwd)
for tool in cpack dpkg dpkg-deb dpkg-shlibdeps; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is missing"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  fail "cpack: $(tail -n 20 "$work/cpack.log")"
deb=$(ls "$work"/out/talvor_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || fail "no package was made"
depends=$(dpkg-deb -f "$deb" Depends)
recommends=$(dpkg-deb -f "$deb" Recommends)
grep -q 'libqt6core6' <<<"$depends" || fail "the package names no Qt dependency: $depends"
# What the code needs of each library, as a version: older ones would load
# and then lack what a rule depends on.
grep -qE '(^|, )libcurl[^,]* \(>= 7\.85\)' <<<"$depends" || fail "libcurl is not declared (>= 7.85): $depends"
# lintian's errors are Debian's rules broken (a library that names no libc, say).
if command -v lintian >/dev/null; then
  errors=$(lintian --tag-display-limit 0 "$deb" 2>/dev/null | grep '^E:')
  [ -z "$errors" ] || fail "lintian: $errors"
fi
for library in libmicrohttpd libmosquitto; do
  grep -qE "(^|, )$library[0-9][^,]* \(>= [0-9.]+\)" <<<"$recommends" ||
    fail "$library is not recommended with a version: $recommends"
done

root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/log"
: >"$root/var/lib/dpkg/status"
# The throw-away root has none of the libraries in its own records; the
# program runs on this machine's.
dpkg --root="$root" --force-depends -i "$deb" >"$work/dpkg.log" 2>&1 || fail "dpkg -i: $(cat "$work/dpkg.log")"
[ -x "$root/usr/bin/talvor" ] || fail "no /usr/bin/talvor"
grep -qx 'Exec=/usr/bin/talvor' "$root/usr/share/applications/io.github.talvor.Talvor.desktop" ||
  fail "the menu entry does not start /usr/bin/talvor"
# The user unit runs the installed monitor without a window, and systemd accepts it.
unit=$root/usr/lib/systemd/user/talvor.service
[ -x "$root/usr/libexec/talvor/talvor-headless" ] || fail "no /usr/libexec/talvor/talvor-headless"
[ -f "$root/usr/libexec/talvor/talvor-tone.so" ] || fail "no /usr/libexec/talvor/talvor-tone.so"
grep -qx 'ExecStart=/usr/bin/talvor --headless' "$unit" || fail "the unit does not start /usr/bin/talvor --headless"
if command -v systemd-analyze >/dev/null; then
  # A user unit cannot be verified under --root: the copy starts the
  # program where the throw-away root holds it, which verify checks. A line
  # it ignores is only a warning to verify, but a fault here.
  mkdir -p "$work/runtime" "$work/unit" && chmod 700 "$work/runtime"
  sed "s#=/usr/bin/#=$root/usr/bin/#" "$unit" >"$work/unit/talvor.service"
  XDG_RUNTIME_DIR=$work/runtime systemd-analyze --user --man=no verify "$work/unit/talvor.service" >"$work/verify.log" 2>&1 &&
    [ ! -s "$work/verify.log" ] || fail "systemd-analyze verify: $(cat "$work/verify.log")"
fi
version=$(env -u TALVOR_HOME QT_QPA_PLATFORM=offscreen "$root/usr/bin/talvor" --version) || fail "talvor --version failed"
grep -q '^Talvor ' <<<"$version" || fail "talvor --version printed: $version"
dpkg --root="$root" -r talvor >"$work/dpkg.log" 2>&1 || fail "dpkg -r: $(cat "$work/dpkg.log")"
left=$(find "$root" -mindepth 1 -not -path "$root/var" -not -path "$root/var/*")
[ -z "$left" ] || fail "removing the package left: $left"
echo "PASS: $(basename "$deb") installed, ran ($version), removed"
