#!/usr/bin/env bash
# Cross-builds the third-party libraries of the Win32 build from Debian's sources into a cache
# prefix of one architecture (GoogleTest from the googletest package, SimpleIni's header from
# libsimpleini-dev, libharu from its source package). Prints the prefix. Rebuilds only when a source package's version changes.
# Usage: win32-deps.sh ARCH [product]   ARCH: i686 or x86_64; "product": only what the plug-in
# and the host stand-in need, not the test libraries.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
arch="${1:?usage: win32-deps.sh i686|x86_64 [product]}"
what="${2:-all}"
case "$arch" in i686|x86_64) ;; *) echo "unknown Windows architecture: $arch" >&2; exit 2 ;; esac
cache="${VE1_WIN32_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/ve1-win32}"
prefix="$cache/deps-$arch"
mkdir -p "$prefix/include" "$cache/src"

version() { dpkg-query -W -f='${Version}' "$1"; }

# GoogleTest and GoogleMock, static, for the unit test programs.
gtest_stamp="$prefix/.googletest-$(version googletest)"
if [ "$what" != product ] && [ ! -f "$gtest_stamp" ]; then
  build="$cache/src/googletest-build-$arch"
  log="$cache/src/googletest-$arch.log"
  rm -rf "$build"
  cmake -S /usr/src/googletest -B "$build" \
    -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DBUILD_SHARED_LIBS=OFF -Dgtest_disable_pthreads=OFF >"$log" 2>&1
  cmake --build "$build" -j2 >>"$log" 2>&1
  cmake --install "$build" >>"$log" 2>&1
  rm -rf "$build"
  rm -f "$prefix"/.googletest-*
  touch "$gtest_stamp"
fi

# SimpleIni is one header; it joins the prefix so that the cross build sees no native headers.
simpleini_stamp="$prefix/.simpleini-$(version libsimpleini-dev)"
if [ ! -f "$simpleini_stamp" ]; then
  cp "$(dpkg -L libsimpleini-dev | grep '/SimpleIni\.h$' | head -1)" "$prefix/include/SimpleIni.h"
  rm -f "$prefix"/.simpleini-*
  touch "$simpleini_stamp"
fi

# libharu, static, from Debian's source package, over the zlib of Debian's mingw packages
# (libz-mingw-w64-dev holds both architectures). The reports of the plug-in need it.
haru_stamp="$prefix/.libharu-$(apt-cache policy libhpdf-dev 2>/dev/null | sed -n 's/^ *Candidate: //p')"
if [ ! -f "$haru_stamp" ]; then
  source "$top/scripts/packages.sh"
  ve1_install libz-mingw-w64-dev cmake
  triple="$arch-w64-mingw32"
  src="$cache/src/libharu-$arch"
  log="$cache/src/libharu-$arch.log"
  ve1_source libharu "$src" >"$log" 2>&1 || { cat "$log" >&2; exit 1; }
  build="$src/build"
  cmake -S "$src/src" -B "$build" \
    -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DLIBHPDF_SHARED=OFF -DLIBHPDF_STATIC=ON -DLIBHPDF_EXAMPLES=OFF \
    -DCMAKE_DISABLE_FIND_PACKAGE_PNG=ON \
    -DZLIB_INCLUDE_DIR="/usr/$triple/include" -DZLIB_LIBRARY="/usr/$triple/lib/libz.a" >>"$log" 2>&1 \
    || { tail -30 "$log" >&2; exit 1; }
  cmake --build "$build" -j2 >>"$log" 2>&1 || { tail -30 "$log" >&2; exit 1; }
  cmake --install "$build" >>"$log" 2>&1 || { tail -30 "$log" >&2; exit 1; }
  rm -rf "$src"
  rm -f "$prefix"/.libharu-*
  touch "$haru_stamp"
fi

echo "$prefix"
