# Sourced by the scripts: installing Debian's packages as root.
#
# ve1_install PACKAGE... installs those of the packages that are missing, reading the package
# lists only when something is missing. A package named NAME:i386 adds the i386 architecture
# first (VE1_ADDED_I386=1 then says that this run added it). Where they cannot be installed, it
# says in one line which could not and apt's reason (kept in VE1_INSTALL_FAILURE; the line is
# left out with VE1_INSTALL_QUIET set) and returns non-zero.
#
# A mirror in the middle of a sync fails some index downloads. The lists are read again (three
# tries, a growing pause); an index that still fails does not stop the installation as long as
# the packages asked for resolve. Where they do not resolve, the installation is tried once
# more with the main suite preferred (an apt preference given to that one apt-get call only,
# never written into the machine's configuration): the amd64 and i386 halves of a multiarch
# library can then meet at the same version even when one architecture's security index is
# missing.

VE1_ADDED_I386="${VE1_ADDED_I386:-0}"
VE1_INSTALL_FAILURE=""
VE1_APT_PAUSE="${VE1_APT_PAUSE:-5}"  # seconds before the second try; twice that before the third

ve1_missing_packages() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}

# apt's reason in one line: its first error, else its last line.
ve1_apt_reason() {
  local reason
  reason="$(grep -m1 -E '^E: ' "$1" | sed 's/^E: //')"
  [ -n "$reason" ] || reason="$(grep -v '^\s*$' "$1" | tail -n 1)"
  echo "${reason:-apt-get gave no reason}"
}

# Reads the package lists, up to three times. Returns non-zero when every try failed; the lists
# that did arrive are used all the same.
ve1_apt_update() {
  local try log
  log="$(mktemp)"
  for try in 1 2 3; do
    if apt-get update -qq >"$log" 2>&1; then
      rm -f "$log"
      return 0
    fi
    [ "$try" -eq 3 ] || sleep "$((VE1_APT_PAUSE * try))"
  done
  echo "Package lists incomplete after three tries (going on with those that arrived): $(ve1_apt_reason "$log")"
  rm -f "$log"
  return 1
}

# The release the machine's main suite is (bookworm on Debian 12).
ve1_main_suite() {
  local codename=""
  [ -r /etc/os-release ] && codename="$(. /etc/os-release && echo "${VERSION_CODENAME:-}")"
  echo "${codename:-bookworm}"
}

ve1_install() {
  local missing=() p log prefs
  mapfile -t missing < <(ve1_missing_packages "$@")
  [ ${#missing[@]} -gt 0 ] || return 0
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  if printf '%s\n' "${missing[@]}" | grep -q ':i386$'; then
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
      dpkg --add-architecture i386
      VE1_ADDED_I386=1
    fi
  fi
  ve1_apt_update || true
  log="$(mktemp)"
  if apt-get install -y -qq --no-install-recommends "${missing[@]}" >"$log" 2>&1; then
    rm -f "$log"
    return 0
  fi
  # Once more with the main suite preferred, for this call only.
  prefs="$(mktemp)"
  [ -r /etc/apt/preferences ] && cat /etc/apt/preferences >"$prefs" && echo >>"$prefs"
  printf 'Package: *\nPin: release n=%s\nPin-Priority: 990\n' "$(ve1_main_suite)" >>"$prefs"
  echo "The packages do not resolve as they stand ($(ve1_apt_reason "$log")); trying once more with the main suite $(ve1_main_suite) preferred, for this installation only."
  if apt-get install -y -qq --no-install-recommends -o Dir::Etc::Preferences="$prefs" "${missing[@]}" >"$log" 2>&1; then
    rm -f "$log" "$prefs"
    return 0
  fi
  rm -f "$prefs"
  mapfile -t missing < <(ve1_missing_packages "${missing[@]}")
  VE1_INSTALL_FAILURE="could not install ${missing[*]}: $(ve1_apt_reason "$log")"
  [ -n "${VE1_INSTALL_QUIET:-}" ] || echo "Could not install ${missing[*]}: $(ve1_apt_reason "$log")"
  rm -f "$log"
  return 1
}

# Takes the i386 architecture away again when this run added it and nothing of i386 is
# installed, so that the machine's package lists read as before.
ve1_drop_added_i386() {
  [ "$VE1_ADDED_I386" = 1 ] || return 0
  dpkg --print-foreign-architectures | grep -qx i386 || return 0
  if dpkg-query -W -f='${binary:Package}\n' 2>/dev/null | grep -q ':i386$'; then
    echo "The i386 architecture stays: packages of it are installed."
    return 0
  fi
  dpkg --remove-architecture i386
  VE1_ADDED_I386=0
  echo "The i386 architecture that this run added is removed again."
}
