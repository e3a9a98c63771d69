#!/usr/bin/env bash
# The rules a reviewer should not have to check by eye: the tree is formatted
# with .clang-format, and includes run one way only (app -> parts -> form ->
# monitor -> core), with no part including another.
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

allowed_for() {
  case $1 in
    core) echo "core" ;;
    monitor) echo "core monitor" ;;
    form) echo "core monitor form" ;;
    app) echo "*" ;;
    *) echo "core monitor form $1" ;;
  esac
}
for dir in src/*/; do
  layer=$(basename "$dir")
  allowed=$(allowed_for "$layer")
  [ "$allowed" = "*" ] && continue
  while IFS=: read -r file line text; do
    target=$(sed -E 's/.*#include "([^/"]+)\/.*/\1/' <<<"$text")
    [[ " $allowed " == *" $target "* ]] && continue
    echo "$file:$line: $layer may not include $target/ ($text)"
    status=1
  done < <(grep -rnE '#include "[^/"]+/' "$dir")
done
# The monitor runs without a display: no widget, GUI or D-Bus header in it.
if grep -rnE '#include <(QtWidgets/|QtGui/|QtDBus/)?(Q(Widget|Application|Gui|Painter|Image|Icon|Pixmap|Font|Color|Action|Label|LineEdit|DBus)[A-Za-z]*)>' src/monitor; then
  echo "the monitor includes a widget, GUI or D-Bus header (above)"
  status=1
fi
# Only the transfer knows curl: CurlLibrary.h loads it, CurlMulti runs it on
# the event loop, Transfer.cpp drives it, Redirects.cpp reads its URLs.
if grep -rln 'curl/curl.h' src | grep -v '^src/monitor/CurlLibrary.h$' ||
   grep -rlE '"Curl(Library|Multi).h"' src |
     grep -v -E '^src/monitor/(CurlLibrary\.cpp|CurlMulti\.(h|cpp)|Transfer\.cpp|Redirects\.cpp)$'; then
  echo "curl is included outside the transfer (CurlLibrary, CurlMulti, Transfer.cpp, Redirects.cpp)"
  status=1
fi
exit $status
