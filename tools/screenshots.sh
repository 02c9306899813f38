#!/usr/bin/env bash
# Shows each dialog of the plug-in with the Win32 backend under Xvfb and Wine and saves a PNG of
# each in the directory given (default: build-win32/screenshots), for a person to look at.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${VE1_WIN32_BUILD:-$top/build-win32}"
out="$(realpath -m "${1:-$build/screenshots}")"
cache="${VE1_WIN32_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/ve1-win32}"
for p in xvfb xauth imagemagick; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$p" >/dev/null
done
[ -d "$build" ] || { echo "run scripts/win32-tests.sh first"; exit 1; }
cmake --build "$build" -j2 --target ve1_dialogshots >/dev/null
mkdir -p "$out"
rm -f "$out"/*.bmp "$out"/*.png
export WINEPREFIX="$cache/wine" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset VE1_UI
xvfb-run -a -s "-screen 0 1024x768x24" wine "$build/tools/ve1_dialogshots.exe" "$(winepath -w "$out")"
for bmp in "$out"/*.bmp; do
  convert "$bmp" "${bmp%.bmp}.png"
  rm -f "$bmp"
done
ls "$out"
