#!/usr/bin/env bash
# Installs the Debian packages the native build, its tests and the demo need (as root),
# skipping the package lists when everything is there already.
set -euo pipefail

native_packages=(
  cmake g++ make pkg-config
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libsimpleini-dev libhpdf-dev libsqlite3-dev sqlite3 libjpeg62-turbo-dev libshp-dev libpugixml-dev
  python3 python3-dbfread python3-dbf gdal-bin poppler-utils
)

source "$(dirname "$0")/packages.sh"
# The dBase engine's fuzz target is built with clang and its libFuzzer runtime.
native_packages+=(clang libclang-rt-14-dev)
ve1_install "${native_packages[@]}"
