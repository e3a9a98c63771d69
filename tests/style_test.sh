#!/usr/bin/env bash
# The rules a reviewer should not have to check by eye: the tree is formatted
# with .clang-format, src/ holds the four layers, includes run one way only,
# and no folder outgrows a concern.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
status=0

if command -v clang-format >/dev/null; then
  if ! find src tests tools bench \( -name '*.cpp' -o -name '*.h' \) -print0 \
      | xargs -0 clang-format --dry-run --Werror 2>&1; then
    echo "Unformatted code above: run scripts/format"
    status=1
  fi
else
  echo "clang-format is missing: scripts/setup installs it"
  status=1
fi

# A file includes its own layer and the ones below it, never one above:
# app -> window -> monitor -> core. Inside the window, each subsystem includes
# only itself and the form layer its controls are made of.
allowed_for() {
  case $1 in
    core/*) echo "core" ;;
    monitor/*) echo "core monitor" ;;
    window/form/*) echo "core monitor window/form" ;;
    window/*) echo "core monitor window/form window/${1#window/}" ;;
    app/*) echo "*" ;;
    *) echo "" ;;
  esac
}
for layer in core monitor window app; do
  [ -d "src/$layer" ] || { echo "src/$layer/ is missing"; status=1; }
done
for entry in src/*; do
  case ${entry#src/} in core | monitor | window | app | CMakeLists.txt) ;; *)
    echo "$entry: src/ holds the layers only (core, monitor, window, app)"
    status=1 ;;
  esac
done
while IFS= read -r file; do
  rel=${file#src/}
  place=$(dirname "$rel")
  # A window subsystem is known by its first folder below window/.
  [[ $place == window/* ]] && place=window/$(cut -d/ -f2 <<<"$rel")
  allowed=$(allowed_for "$place/")
  [ "$allowed" = "*" ] && continue
  while IFS=: read -r line text; do
    target=$(sed -E 's/.*#include "([^"]+)".*/\1/' <<<"$text")
    [[ $target == */* ]] || continue
    ok=0
    for a in $allowed; do
      [[ $target == "$a"/* ]] && ok=1
    done
    [ $ok = 1 ] && continue
    echo "$file:$line: ${place} may not include $target"
    status=1
  done < <(grep -nE '#include "[^"]+"' "$file")
done < <(find src -name '*.h' -o -name '*.cpp')
# No folder grows past a dozen sources: past that it wants a concern of its own.
while IFS= read -r dir; do
  count=$(find "$dir" -maxdepth 1 -name '*.cpp' | wc -l)
  if [ "$count" -gt 12 ]; then
    echo "$dir holds $count .cpp files; split it by concern"
    status=1
  fi
done < <(find src -type d)
# The monitor runs without a display: no widget, GUI or D-Bus header in it.
if grep -rnE '#include <(QtWidgets/|QtGui/|QtDBus/)?(Q(Widget|Application|Gui|Painter|Image|Icon|Pixmap|Font|Color|Action|Label|LineEdit|DBus)[A-Za-z]*)>' src/monitor; then
  echo "the monitor includes a widget, GUI or D-Bus header (above)"
  status=1
fi
# Only the transfer knows curl: CurlLibrary.h loads it, CurlMulti runs it on
# the event loop, Transfer.cpp drives it (and TransferLogin.cpp a form
# login's steps, through TransferRequest.h), Redirects.cpp reads its URLs.
if grep -rln 'curl/curl.h' src | grep -v '^src/monitor/fetch/CurlLibrary.h$' ||
   grep -rlE '"Curl(Library|Multi).h"' src |
     grep -v -E '^src/monitor/fetch/(CurlLibrary\.cpp|CurlMulti\.(h|cpp)|Transfer\.cpp|TransferRequest\.h|Redirects\.cpp)$'; then
  echo "curl is included outside the transfer (CurlLibrary, CurlMulti, Transfer.cpp, TransferRequest.h, Redirects.cpp)"
  status=1
fi
exit $status
