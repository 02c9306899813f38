#!/usr/bin/env bash
# The Win32 product under Wine: cross-builds the plug-in DLL, the host stand-in and the unit
# test programs, then runs the tests, every scenario with the real DLL, a registry round trip
# through Wine's registry and the check of the DLL's export and import tables.
# Runs as root on Debian 12; installs what it needs once and caches the third-party builds and
# the Wine prefix under ${XDG_CACHE_HOME:-$HOME/.cache}/ve1-win32.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cache="${VE1_WIN32_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/ve1-win32}"
build="${VE1_WIN32_BUILD:-$top/build-win32}"
mkdir -p "$cache"

packages=(cmake make g++-mingw-w64-i686 mingw-w64-i686-dev binutils-mingw-w64-i686
          googletest libsimpleini-dev python3 wine wine32:i386 xvfb xauth)
source "$top/scripts/packages.sh"
ve1_install "${packages[@]}"

deps="$(VE1_WIN32_CACHE="$cache" bash "$top/scripts/win32-deps.sh")"

echo "== cross build"
cmake -S "$top" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DVE1_WIN32_DEPS="$deps" -DVE1_TESTS=ON >/dev/null
targets=(VE1TransAction fxAPI32 fxsim)
known="$(cmake --build "$build" --target help)"
for t in dbf_tests os_tests ui_tests system_tests ve1_argdump; do
  if grep -qE "^\.\.\. $t( |$)" <<<"$known"; then targets+=("$t"); fi
done
cmake --build "$build" -j2 --target "${targets[@]}" >"$build/win32-build.log" 2>&1 || {
  grep -E "error|undefined" "$build/win32-build.log" | head -40
  echo "cross build failed (log: $build/win32-build.log)"
  exit 1
}

# The host's directory: the driver, its interface library and the plug-in side by side.
bin="$build/host"
mkdir -p "$bin"
cp "$build/sim/fxsim.exe" "$build/sim/fxAPI32.dll" "$build/src/VE1TransAction.dll" "$bin/"

export WINEPREFIX="$cache/wine" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export VE1_UI=scripted
unset DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== new Wine prefix"
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi
# One server for all runs, so that each program starts quickly.
wineserver -p 60

failures=0
checks=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
ok() { checks=$((checks + 1)); }

echo "== export and import tables"
/usr/bin/python3 "$top/tests/win32/check_pe.py" "$bin/VE1TransAction.dll" && ok || fail "tables of VE1TransAction.dll"
# The check must tell a wrong DLL: the stand-in's library exports the host functions instead.
if /usr/bin/python3 "$top/tests/win32/check_pe.py" "$bin/fxAPI32.dll" >/dev/null; then
  fail "the table check accepts fxAPI32.dll as a plug-in"
fi

# The plug-in's settings start absent in every run.
wine reg delete 'HKCU\Software\kalvero' /f >/dev/null 2>&1 || true
wine reg delete 'HKCU\Vestra' /f >/dev/null 2>&1 || true

echo "== unit tests"
for t in dbf_tests os_tests ui_tests system_tests; do
  exe="$(find "$build/tests" -maxdepth 1 -name "$t.exe" | head -1)"
  if [ -z "$exe" ]; then
    echo "$t: not built on Win32"
    continue
  fi
  # The registry test below leaves its value for Wine's tool to read; the others expect none.
  if (cd "$build/tests" && VE1_TEST_DATA="$top/tests/data" wine "$exe" --gtest_brief=1 \
        --gtest_filter='-StripRegistry.*:Win32Forms.*' >"$build/$t.log" 2>&1); then
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
  (cd "$build/tests" && xvfb-run -a -s "-screen 0 800x600x24" wine explorer /desktop=ve1tests,640x480 \
      ui_tests.exe --gtest_brief=1 --gtest_filter='Win32Forms.*' 2>&1 | tr -d '\r' >"$build/windows.log") || true
  if grep -qE '^\[  PASSED  \] [1-9]' "$build/windows.log" && ! grep -q FAILED "$build/windows.log"; then
    echo "windows: $(grep -E '^\[  PASSED  \]' "$build/windows.log")"
    ok
  else
    cat "$build/windows.log"
    fail "real windows"
  fi
fi

echo "== scenarios with the real DLL"
# One driver per scenario, as CTest runs them natively.
passed=0
for scn in "$top"/tests/scenarios/*.scn; do
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
# The last line says how many checks passed and failed.
echo "win32: $checks passed, $failures failed"
[ "$failures" -eq 0 ]
