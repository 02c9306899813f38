#!/usr/bin/env bash
# The release for the administrators: cross-builds the i686 plug-in DLL in Release and writes
# dist/VE1TransAction-<version>-win32.zip with the DLL, the install note LIESMICH.txt, the
# version and the DLL's SHA-256 checksum, then reads the zip back and checks it.
# The version is the project's (CMakeLists.txt). The zip's bytes depend only on the sources:
# its entries carry the time of the last commit (or SOURCE_DATE_EPOCH when set).
# Runs as root on Debian 12; installs what it needs and caches the third-party builds as the
# Windows suite does (VE1_WIN32_CACHE). VE1_RELEASE_BUILD names the build directory (an i686
# Release build of the Windows suite can serve), VE1_RELEASE_DIST the output directory.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cache="${VE1_WIN32_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/ve1-win32}"
build="${VE1_RELEASE_BUILD:-$top/build-release}"
dist="${VE1_RELEASE_DIST:-$top/dist}"
source "$top/scripts/packages.sh"
ve1_install cmake make python3 libsimpleini-dev gcc tcl xz-utils libsqlite3-dev \
  libjpeg62-turbo-dev libhpdf-dev libz-mingw-w64-dev g++-mingw-w64-i686 mingw-w64-i686-dev \
  binutils-mingw-w64-i686
mkdir -p "$cache" "$dist"

echo "== i686 product in Release"
deps="$(VE1_WIN32_CACHE="$cache" bash "$top/scripts/win32-deps.sh" i686 product)"
toolchain="$top/cmake/mingw-i686.cmake"
# A new build directory leaves out the tests; an existing one keeps its choice.
tests=()
[ -f "$build/CMakeCache.txt" ] || tests=(-DVE1_TESTS=OFF)
cmake -S "$top" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
  -DVE1_WIN32_DEPS="$deps" "${tests[@]}" >/dev/null
# A build directory made with another toolchain keeps it: it is not used.
cached() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
if [ "$(cached CMAKE_TOOLCHAIN_FILE)" != "$toolchain" ]; then
  echo "$build is no i686 build; remove it or name another with VE1_RELEASE_BUILD" >&2
  exit 1
fi
cmake --build "$build" -j2 --target VE1TransAction >"$build/release-build.log" 2>&1 || {
  grep -E "error|undefined" "$build/release-build.log" | head -40
  echo "release build failed (log: $build/release-build.log)" >&2
  exit 1
}

version="$(cached CMAKE_PROJECT_VERSION)"
zip="$dist/VE1TransAction-$version-win32.zip"
epoch="${SOURCE_DATE_EPOCH:-$(git -C "$top" log -1 --format=%ct 2>/dev/null || echo 0)}"
echo "== $(basename "$zip")"
/usr/bin/python3 "$top/scripts/release_zip.py" --version "$version" --dll "$build/src/VE1TransAction.dll" \
  --note "$top/release/LIESMICH.txt" --epoch "$epoch" --out "$zip"
/usr/bin/python3 "$top/tests/win32/check_release.py" --version "$version" "$zip"
