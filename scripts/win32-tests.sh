#!/usr/bin/env bash
# The Win32 product under Wine: cross-builds the plug-in DLL, the host stand-in and the unit
# test programs, then runs the tests, every scenario with the real DLL, a registry round trip
# through Wine's registry, the check of the DLL's export and import tables and version resource,
# and the release package made from the i686 build.
# The suite runs as i686 programs under 32-bit Wine where the kernel runs 32-bit programs, and
# as x86_64 programs under 64-bit Wine where it does not; there the i686 product is still
# cross-built and its tables checked (scripts/win32-arch.sh; VE1_WIN32_ARCH forces a choice).
# Runs as root on Debian 12; installs what it needs once and caches the third-party builds and
# the Wine prefix under ${XDG_CACHE_HOME:-$HOME/.cache}/ve1-win32.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cache="${VE1_WIN32_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/ve1-win32}"
source "$top/scripts/packages.sh"
source "$top/scripts/win32-arch.sh"
ve1_choose_arch "$top" || exit 1
ve1_install cmake make googletest libsimpleini-dev python3 xvfb xauth \
  gcc tcl xz-utils libsqlite3-dev libjpeg62-turbo-dev libhpdf-dev libz-mingw-w64-dev \
  g++-mingw-w64-i686 mingw-w64-i686-dev binutils-mingw-w64-i686
# Wine of the chosen architecture; where 32-bit Wine does not install, the suite runs as x86_64.
ve1_install_wine "$top" odbc || exit 1
arch="$VE1_ARCH"
if [ "$arch" = x86_64 ]; then
  ve1_install g++-mingw-w64-x86-64 mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
fi
build="${VE1_WIN32_BUILD:-$VE1_ARCH_BUILD}"
mkdir -p "$cache"
echo "== Windows suite as $arch programs under $([ "$arch" = i686 ] && echo 32 || echo 64)-bit Wine"

failures=0
checks=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
ok() { checks=$((checks + 1)); }

# configure DIR ARCH DEPS-PREFIX TESTS: a Release cross build of one architecture.
configure() {
  cmake -S "$top" -B "$1" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-$2.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DVE1_WIN32_DEPS="$3" -DVE1_TESTS="$4" >/dev/null
}

# cross_build DIR TARGET...: builds, showing the errors.
cross_build() {
  local dir="$1"
  shift
  cmake --build "$dir" -j2 --target "$@" >"$dir/win32-build.log" 2>&1 || {
    grep -E "error|undefined" "$dir/win32-build.log" | head -40
    echo "cross build failed (log: $dir/win32-build.log)"
    exit 1
  }
}

# project_version DIR: the project's version, as CMake configured the build in DIR.
project_version() { sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$1/CMakeCache.txt"; }

# check_tables DIR MACHINE: the plug-in's export and import tables and its version resource, and
# that the check tells a wrong DLL (the stand-in's library exports the host functions instead);
# the version resources of the host stand-in's library and program.
check_tables() {
  local version f
  version="$(project_version "$1")"
  /usr/bin/python3 "$top/tests/win32/check_pe.py" --machine "$2" --version "$version" "$1/src/VE1TransAction.dll" \
    && ok || fail "tables of the $2 VE1TransAction.dll"
  if /usr/bin/python3 "$top/tests/win32/check_pe.py" --machine "$2" "$1/sim/fxAPI32.dll" >/dev/null; then
    fail "the table check accepts the $2 fxAPI32.dll as a plug-in"
  fi
  for f in "$1/sim/fxAPI32.dll" "$1/sim/fxsim.exe"; do
    /usr/bin/python3 "$top/tests/win32/check_pe.py" --version "$version" --stand-in "$f" \
      && ok || fail "version resource of the $2 $(basename "$f")"
  done
}

# check_release DIR: the release command on the i686 Release build in DIR (where the build is
# current nothing is rebuilt), its zip read back; then the packing's reproducibility and the
# check's refusal of broken packages.
check_release() {
  echo "== release package"
  if VE1_WIN32_CACHE="$cache" VE1_RELEASE_BUILD="$1" VE1_RELEASE_DIST="$1/dist" \
       bash "$top/scripts/release.sh" >"$1/release.log" 2>&1; then
    tail -n 1 "$1/release.log"
    ok
  else
    cat "$1/release.log"
    fail "release package"
  fi
  /usr/bin/python3 "$top/tests/win32/release_test.py" --version "$(project_version "$1")" \
    "$1/src/VE1TransAction.dll" && ok || fail "release packing and its check"
}

if [ "$arch" != i686 ]; then
  # The product itself, where its tests cannot run: the plug-in and the host stand-in only.
  echo "== i686 product cross build"
  product="${VE1_WIN32_PRODUCT_BUILD:-$top/build-win32}"
  configure "$product" i686 "$(VE1_WIN32_CACHE="$cache" bash "$top/scripts/win32-deps.sh" i686 product)" OFF
  cross_build "$product" VE1TransAction fxAPI32 fxsim
  echo "== i686 export and import tables"
  check_tables "$product" i686
  check_release "$product"
fi

echo "== $arch cross build"
deps="$(VE1_WIN32_CACHE="$cache" bash "$top/scripts/win32-deps.sh" "$arch")"
targets=(VE1TransAction fxAPI32 fxsim)
configure "$build" "$arch" "$deps" ON
known="$(cmake --build "$build" --target help)"
for t in dbf_tests os_tests ui_tests adodb_tests report_tests system_tests ve1_argdump; do
  if grep -qE "^\.\.\. $t( |$)" <<<"$known"; then targets+=("$t"); fi
done
cross_build "$build" "${targets[@]}"

# The host's directory: the driver, its interface library and the plug-in side by side.
bin="$build/host"
mkdir -p "$bin"
cp "$build/sim/fxsim.exe" "$build/sim/fxAPI32.dll" "$build/src/VE1TransAction.dll" "$bin/"

prefix_name=wine
[ "$arch" = i686 ] || prefix_name="wine-$arch"
export WINEPREFIX="$cache/$prefix_name" WINEARCH="$VE1_WINEARCH" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine() { "$VE1_WINE" "$@"; }
export VE1_UI=scripted
unset DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== new Wine prefix"
  wine wineboot -i >/dev/null 2>&1
  wineserver -w
fi
# One server for all runs, so that each program starts quickly.
wineserver -p 60

echo "== $arch export and import tables"
check_tables "$build" "$arch"
[ "$arch" != i686 ] || check_release "$build"

# The plug-in's settings start absent in every run.
wine reg delete 'HKCU\Software\kalvero' /f >/dev/null 2>&1 || true
wine reg delete 'HKCU\Vestra' /f >/dev/null 2>&1 || true

# An ODBC data source over an SQLite file (unixODBC and its SQLite driver), for the ADO backend's
# run through Wine's OLE DB provider for ODBC.
mkdir -p "$build/odbc"
printf '[VE1Fotos]\nDriver=SQLite3\nDatabase=%s\n' "$build/odbc/Projekt.db" >"$build/odbc/odbc.ini"
export ODBCINI="$build/odbc/odbc.ini" VE1_ODBC_DSN=VE1Fotos VE1_ODBC_DB="Z:${build//\//\\}\\odbc\\Projekt.db"

echo "== unit tests"
for t in dbf_tests os_tests ui_tests adodb_tests report_tests system_tests; do
  exe="$(find "$build/tests" -maxdepth 1 -name "$t.exe" | head -1)"
  if [ -z "$exe" ]; then
    echo "$t: not built on Win32"
    continue
  fi
  # The registry test below leaves its value for Wine's tool to read; the others expect none.
  if (cd "$build/tests" && VE1_TEST_DATA="$top/tests/data" wine "$exe" --gtest_brief=1 \
        --gtest_filter='-StripRegistry.*:Win32Forms.*:PhotoWin32Forms.*' >"$build/$t.log" 2>&1); then
    echo "$t: $(grep -E '^\[  PASSED  \]' "$build/$t.log" | head -1)"
    ok
  else
    cat "$build/$t.log"
    fail "$t"
  fi
done

echo "== real windows"
# A Wine virtual desktop on an X server of its own, so that windows can be created at all.
ui_exe="$build/tests/ui_tests.exe"
if [ -f "$ui_exe" ]; then
  (cd "$build/tests" && xvfb-run -a -s "-screen 0 800x600x24" "$VE1_WINE" explorer /desktop=ve1tests,640x480 \
      ui_tests.exe --gtest_brief=1 --gtest_filter='Win32Forms.*:PhotoWin32Forms.*' 2>&1 | tr -d '\r' >"$build/windows.log") || true
  if grep -qE '^\[  PASSED  \] [1-9]' "$build/windows.log" && ! grep -q FAILED "$build/windows.log"; then
    echo "windows: $(grep -E '^\[  PASSED  \]' "$build/windows.log")"
    ok
  else
    cat "$build/windows.log"
    fail "real windows"
  fi
fi

echo "== scenarios with the real DLL"
# One driver per scenario, as CTest runs them natively. The check-in dialog's scenario starts
# the tests' check-in program, a Windows program here (written with '/', which a scenario line
# keeps as it is).
export VE1_CHECKIN_STANDIN="Z:$build/tests/helper dir/ve1_checkin_standin.exe"
passed=0
# Of the exchange's scenarios those of the plug-in's import and export: the host stand-in's own
# geodata and attribute files are native only.
for scn in "$top"/tests/scenarios/*.scn "$top"/tests/scenarios/photos/*.scn \
           "$top"/tests/scenarios/exchange/import_*.scn "$top"/tests/scenarios/exchange/export_*.scn; do
  [ -e "$scn" ] || continue
  if (cd "$bin" && wine fxsim.exe --plugin VE1TransAction.dll --quiet "$scn" >"$build/scenario.log" 2>&1); then
    passed=$((passed + 1))
    ok
  else
    cat "$build/scenario.log"
    fail "scenario $(basename "$scn")"
  fi
done
echo "$passed scenarios passed"

echo "== registry value written by the plug-in"
# The strip dialog, answered "3er Streifen", writes GK-Streifen; Wine's own tool reads it back.
regkey='HKCU\Software\kalvero\feldix\3.2\VESTRA2\VE2Transaktionen'
wine reg delete "$regkey" /v GK-Streifen /f >/dev/null 2>&1 || true
if [ -f "$build/tests/system_tests.exe" ]; then
  (cd "$build/tests" && wine system_tests.exe --gtest_brief=1 --gtest_filter='StripRegistry.*' \
      >"$build/strip.log" 2>&1) || { cat "$build/strip.log"; fail "strip dialog test"; }
  if wine reg query "$regkey" /v GK-Streifen 2>/dev/null | tr -d '\r' | grep -qE 'GK-Streifen\s+REG_SZ\s+3$'; then
    echo "GK-Streifen = 3 in Wine's registry"
    ok
  else
    wine reg query "$regkey" 2>&1 | tr -d '\r' || true
    fail "GK-Streifen is not 3 in Wine's registry"
  fi
fi

wineserver -k || true
# The last line says which architecture ran and how many checks passed and failed.
echo "win32_$arch: $checks passed, $failures failed"
[ "$failures" -eq 0 ]
