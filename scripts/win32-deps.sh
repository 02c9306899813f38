#!/usr/bin/env bash
# Cross-builds the third-party libraries of the Win32 build from Debian's sources into a cache
# prefix of one architecture (GoogleTest from the googletest package, SimpleIni's header from
# libsimpleini-dev; SQLite, libjpeg-turbo and libharu from their Debian source packages).
# Prints the prefix. Rebuilds only when a source package's version changes.
# Usage: win32-deps.sh ARCH [product]   ARCH: i686 or x86_64; "product": only what the plug-in
# and the host stand-in need, not the test libraries.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
source "$top/scripts/packages.sh"
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

# Debian's source packages, fetched once into the cache (a deb-src entry for bookworm is added
# beside the deb one when the machine has none).
source_package() {
  local name="$1" dir="$cache/src/$1-$(version "$2" | tr : _)" orig  # no colon: make takes it for a rule
  if [ ! -d "$dir" ]; then
    if ! grep -rqs '^Types: deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/; then
      printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: bookworm bookworm-updates\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
        >/etc/apt/sources.list.d/ve1-bookworm-src.sources
      ve1_apt_update >&2 || true
    fi
    mkdir -p "$dir.part"
    # Only the upstream tarball is built; a mirror may lack the Debian part of a package.
    (cd "$dir.part" && apt-get source --download-only -qq "$name" >/dev/null 2>&1) ||
      { ve1_apt_update >&2 || true; (cd "$dir.part" && apt-get source --download-only -qq "$name" >/dev/null 2>&1) || true; }
    orig="$(ls "$dir.part"/"${name}"_*.orig.tar.* 2>/dev/null | grep -v -- '-www' | head -1)"
    [ -n "$orig" ] || { echo "Debian's source package $name could not be fetched" >&2; exit 1; }
    tar -xf "$orig" -C "$dir.part"
    mv "$dir.part" "$dir"
  fi
  find "$dir" -mindepth 1 -maxdepth 1 -type d | head -1
}

# SQLite, static: the amalgamation is made from the source tree (with the native compiler and
# tclsh), then compiled by the cross compiler.
sqlite_stamp="$prefix/.sqlite3-$(version libsqlite3-dev)"
if [ ! -f "$sqlite_stamp" ]; then
  tree="$(source_package sqlite3 libsqlite3-dev)"
  log="$cache/src/sqlite3-$arch.log"
  if [ ! -f "$tree/sqlite3.c" ]; then
    (cd "$tree" && ./configure >"$log" 2>&1 && make -j2 sqlite3.c >>"$log" 2>&1)
  fi
  triple="$(grep -o 'VE1_MINGW_TRIPLE [^)]*' "$top/cmake/mingw-$arch.cmake" | cut -d' ' -f2)"
  obj="$cache/src/sqlite3-$arch.o"
  "$triple-gcc-posix" -O2 -DSQLITE_THREADSAFE=1 -DSQLITE_OMIT_LOAD_EXTENSION -c "$tree/sqlite3.c" -o "$obj" >>"$log" 2>&1
  mkdir -p "$prefix/lib"
  rm -f "$prefix/lib/libsqlite3.a"
  "$triple-ar" rcs "$prefix/lib/libsqlite3.a" "$obj"
  cp "$tree/sqlite3.h" "$prefix/include/"
  rm -f "$obj" "$prefix"/.sqlite3-*
  touch "$sqlite_stamp"
fi

# libjpeg-turbo, static, without its assembler parts.
jpeg_stamp="$prefix/.libjpeg-turbo-$(version libjpeg62-turbo-dev)"
if [ ! -f "$jpeg_stamp" ]; then
  tree="$(source_package libjpeg-turbo libjpeg62-turbo-dev)"
  build="$cache/src/libjpeg-turbo-build-$arch"
  log="$cache/src/libjpeg-turbo-$arch.log"
  rm -rf "$build"
  cmake -S "$tree" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
    -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF >"$log" 2>&1
  cmake --build "$build" -j2 --target jpeg-static >>"$log" 2>&1
  mkdir -p "$prefix/lib"
  cp "$build/libjpeg.a" "$prefix/lib/"
  cp "$build/jconfig.h" "$tree/jpeglib.h" "$tree/jmorecfg.h" "$tree/jerror.h" "$prefix/include/"
  rm -rf "$build" "$prefix"/.libjpeg-turbo-*
  touch "$jpeg_stamp"
fi

# libharu, static, over the zlib of Debian's mingw packages (libz-mingw-w64-dev holds both
# architectures). The reports of the plug-in need it.
haru_stamp="$prefix/.libharu-$(version libhpdf-dev)"
if [ ! -f "$haru_stamp" ]; then
  tree="$(source_package libharu libhpdf-dev)"
  triple="$(grep -o 'VE1_MINGW_TRIPLE [^)]*' "$top/cmake/mingw-$arch.cmake" | cut -d' ' -f2)"
  build="$cache/src/libharu-build-$arch"
  log="$cache/src/libharu-$arch.log"
  rm -rf "$build"
  cmake -S "$tree" -B "$build" \
    -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DLIBHPDF_SHARED=OFF -DLIBHPDF_STATIC=ON -DLIBHPDF_EXAMPLES=OFF \
    -DCMAKE_DISABLE_FIND_PACKAGE_PNG=ON \
    -DZLIB_INCLUDE_DIR="/usr/$triple/include" -DZLIB_LIBRARY="/usr/$triple/lib/libz.a" >"$log" 2>&1 \
    || { tail -30 "$log" >&2; exit 1; }
  cmake --build "$build" -j2 >>"$log" 2>&1 || { tail -30 "$log" >&2; exit 1; }
  cmake --install "$build" >>"$log" 2>&1 || { tail -30 "$log" >&2; exit 1; }
  rm -rf "$build" "$prefix"/.libharu-*
  touch "$haru_stamp"
fi

echo "$prefix"
