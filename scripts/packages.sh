# Sourced by the scripts: ve1_install PACKAGE... installs those of Debian's packages that are
# missing (as root), reading the package lists only when something is missing. A package
# named NAME:i386 adds the i386 architecture first.
ve1_install() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  if printf '%s\n' "${missing[@]}" | grep -q ':i386$'; then
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  fi
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# ve1_source NAME DIR: fetches Debian's source package NAME (bookworm) and unpacks it into DIR/src,
# adding a deb-src entry of its own to APT's sources first when there is none. When the Debian
# part of the package cannot be had, the upstream tarball of the package is unpacked alone.
ve1_source() {
  local name="$1" dir="$2" list=/etc/apt/sources.list.d/ve1-bookworm-src.sources
  if ! grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    printf '%s\n' "Types: deb-src" "URIs: http://deb.debian.org/debian" "Suites: bookworm bookworm-updates" \
      "Components: main" "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" >"$list"
    apt-get update -qq
  fi
  ve1_install dpkg-dev xz-utils
  rm -rf "$dir"
  mkdir -p "$dir"
  (
    cd "$dir"
    apt-get source -qq --download-only "$name" >/dev/null 2>&1 || true
    local dsc orig
    dsc="$(ls ./*.dsc 2>/dev/null | head -1)"
    [ -n "$dsc" ] || { echo "no source package $name" >&2; exit 1; }
    if ! dpkg-source -x "$dsc" src >/dev/null 2>&1; then
      orig="$(ls ./*.orig.tar.* 2>/dev/null | head -1)"
      [ -n "$orig" ] || { echo "the source package $name could not be fetched" >&2; exit 1; }
      rm -rf src && mkdir src && tar -xf "$orig" -C src --strip-components=1
    fi
  )
}
