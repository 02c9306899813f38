#!/usr/bin/env bash
# Shows each dialog of the plug-in with the Win32 backend under Xvfb and Wine and saves a PNG of
# each in the directory given (default: build-win32/screenshots), for a person to look at; the
# check report that the same program writes as PDF is pictured page by page (first and last).
# Uses a Wine prefix of its own, made with Wine's fonts (so "MS Sans Serif" is the real bitmap
# font), and a Wine virtual desktop, so that Wine draws the window frames itself.
# Takes the architecture the test command ran (scripts/win32-arch.sh): i686 under 32-bit Wine,
# or x86_64 under 64-bit Wine where the kernel runs no 32-bit programs or 32-bit Wine does not
# install. Wine runs in a German locale, as a German user's Windows does: message boxes say
# "Ja"/"Nein", dates take the German form.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
source "$top/scripts/packages.sh"
source "$top/scripts/win32-arch.sh"
ve1_choose_arch "$top" || exit 1
ve1_install xvfb xauth imagemagick fonts-wine poppler-utils locales
ve1_install_wine "$top" || exit 1
build="${VE1_WIN32_BUILD:-$VE1_ARCH_BUILD}"
out="$(realpath -m "${1:-$build/screenshots}")"
cache="${VE1_WIN32_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/ve1-win32}"
# The German locale, generated once from Debian's locales package.
if ! locale -a 2>/dev/null | grep -qix 'de_DE.utf-\?8'; then
  sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen >/dev/null
fi
export LANG=de_DE.UTF-8 LC_ALL=de_DE.UTF-8
[ -d "$build" ] || { echo "run scripts/test.sh first (it builds $build)"; exit 1; }
cmake --build "$build" -j2 --target ve1_dialogshots >/dev/null
mkdir -p "$out"
rm -f "$out"/*.bmp "$out"/*.png "$out"/*.pdf

prefix_name=wine-ui
[ "$VE1_ARCH" = i686 ] || prefix_name="wine-ui-$VE1_ARCH"
export WINEPREFIX="$cache/$prefix_name" WINEARCH="$VE1_WINEARCH" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export VE1_WINE
unset VE1_UI
# Every Wine program of this prefix, the server included, starts under the X server below.
run_x() { xvfb-run -a -s "-screen 0 1024x768x24" "$@"; }
wineserver -w 2>/dev/null || true
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== Wine prefix for the pictures"
  run_x sh -c '"$VE1_WINE" wineboot -u >/dev/null 2>&1; wineserver -w'
fi
# This Wine reads the registered system fonts from the prefix's font folder only.
fonts="$WINEPREFIX/drive_c/windows/Fonts"
[ -f "$fonts/sserife.fon" ] || cp /usr/share/wine/fonts/*.fon /usr/share/wine/fonts/*.ttf "$fonts/"

# Wine maps the root directory to drive Z:.
winout="Z:${out//\//\\}"
log="$out/dialogshots.log"
run_x sh -c '"$VE1_WINE" explorer /desktop=ve1shots,800x600 "$1" "$2"; wineserver -w' sh \
  "$build/tools/ve1_dialogshots.exe" "$winout" >"$log" 2>&1 || true
tr -d '\r' <"$log" >"$log.txt" && mv "$log.txt" "$log"
grep -E ": (saved|NOT saved)$" "$log" || { cat "$log"; exit 1; }
shopt -s nullglob
for bmp in "$out"/*.bmp; do
  convert "$bmp" "${bmp%.bmp}.png"
  rm -f "$bmp"
done
# The check report's first and last page at 100 dpi.
pdf="$out/Pruefbericht.pdf"
[ -f "$pdf" ] || { echo "the check report was not written"; exit 1; }
pages="$(pdfinfo "$pdf" | sed -n 's/^Pages: *//p')"
pdftoppm -png -r 100 -f 1 -l 1 -singlefile "$pdf" "$out/Pruefbericht-Seite1"
pdftoppm -png -r 100 -f "$pages" -l "$pages" -singlefile "$pdf" "$out/Pruefbericht-Seite$pages"
ls "$out"
! grep -q "NOT saved" "$log"
