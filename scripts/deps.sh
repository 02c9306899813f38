#!/usr/bin/env bash
# Installs the Debian packages the native build, its tests and the demo need (as root),
# skipping the package lists when everything is there already.
set -euo pipefail

native_packages=(
  cmake g++ make pkg-config
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libsimpleini-dev
  python3 python3-dbfread python3-dbf gdal-bin
)

ve1_install() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}

ve1_install "${native_packages[@]}"
