#!/usr/bin/env bash
# Shows each dialog of the plug-in with the Win32 backend under Xvfb and Wine and saves a PNG of
# each in the directory given (default: build-win32/screenshots), for a person to look at.
# Uses a Wine prefix of its own, made with Wine's fonts (so "MS Sans Serif" is the real bitmap
# font), and a Wine virtual desktop, so that Wine draws the window frames itself.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${VE1_WIN32_BUILD:-$top/build-win32}"
out="$(realpath -m "${1:-$build/screenshots}")"
cache="${VE1_WIN32_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/ve1-win32}"
source "$top/scripts/packages.sh"
ve1_install xvfb xauth imagemagick fonts-wine
[ -d "$build" ] || { echo "run scripts/win32-tests.sh first"; exit 1; }
cmake --build "$build" -j2 --target ve1_dialogshots >/dev/null
mkdir -p "$out"
rm -f "$out"/*.bmp "$out"/*.png

export WINEPREFIX="$cache/wine-ui" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset VE1_UI
# Every Wine program of this prefix, the server included, starts under the X server below.
run_x() { xvfb-run -a -s "-screen 0 1024x768x24" "$@"; }
wineserver -w 2>/dev/null || true
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== Wine prefix for the pictures"
  run_x sh -c 'wineboot -u >/dev/null 2>&1; wineserver -w'
fi
# This Wine reads the registered system fonts from the prefix's font folder only.
fonts="$WINEPREFIX/drive_c/windows/Fonts"
[ -f "$fonts/sserife.fon" ] || cp /usr/share/wine/fonts/*.fon /usr/share/wine/fonts/*.ttf "$fonts/"

# Wine maps the root directory to drive Z:.
winout="Z:${out//\//\\}"
log="$out/dialogshots.log"
run_x sh -c 'wine explorer /desktop=ve1shots,800x600 "$1" "$2"; wineserver -w' sh \
  "$build/tools/ve1_dialogshots.exe" "$winout" >"$log" 2>&1 || true
tr -d '\r' <"$log" >"$log.txt" && mv "$log.txt" "$log"
grep -E ": (saved|NOT saved)$" "$log" || { cat "$log"; exit 1; }
shopt -s nullglob
for bmp in "$out"/*.bmp; do
  convert "$bmp" "${bmp%.bmp}.png"
  rm -f "$bmp"
done
ls "$out"
! grep -q "NOT saved" "$log"
