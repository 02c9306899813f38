#!/usr/bin/env bash
# Installs the Debian packages the native build, its tests and the demo need (as root),
# skipping the package lists when everything is there already.
set -euo pipefail

native_packages=(
  cmake g++ make pkg-config
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libsimpleini-dev libhpdf-dev
  python3 python3-dbfread python3-dbf gdal-bin poppler-utils
  libsqlite3-dev libshp-dev libpugixml-dev
)

source "$(dirname "$0")/packages.sh"
ve1_install "${native_packages[@]}"
