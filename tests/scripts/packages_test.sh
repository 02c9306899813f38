#!/usr/bin/env bash
# The package installation and the choice of the Windows architecture, against stand-ins for
# apt-get, dpkg and dpkg-query that act out a mirror in the middle of a sync, packages that
# resolve only with the main suite preferred, and a 32-bit Wine that does not install.
set -uo pipefail
top="$(cd "$(dirname "$0")/../.." && pwd)"
failures=0
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

check() {  # check WHAT CONDITION...
  local what="$1"
  shift
  if ! "$@"; then
    echo "FAILED: $what"
    failures=$((failures + 1))
  fi
}
contains() { grep -qF -- "$2" <<<"$1"; }
lacks() { ! grep -qF -- "$2" <<<"$1"; }

# The stand-ins keep their state in files: installed packages, foreign architectures, a log.
mkdir -p "$work/bin"
cat >"$work/bin/apt-get" <<'STUB'
#!/usr/bin/env bash
s="$STUB_STATE"
echo "apt-get $*" >>"$s/log"
case " $* " in
  *" update "*)
    n=$(($(cat "$s/updates" 2>/dev/null || echo 0) + 1)); echo "$n" >"$s/updates"
    if [ "$n" -le "${UPDATE_FAILS:-0}" ]; then
      echo "E: Failed to fetch http://mirror/dists/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?" >&2
      echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
      exit 100
    fi
    exit 0 ;;
esac
pref=""
for a in "$@"; do case "$a" in Dir::Etc::Preferences=*) pref="${a#*=}" ;; esac; done
[ -z "$pref" ] || cp "$pref" "$s/preference-seen"
for a in "$@"; do
  case "$a" in -*|install|Dir::*) continue ;; esac
  if grep -qx -- "$a" <<<"${NEVER:-}"; then
    echo "E: Package '$a' has no installation candidate" >&2; exit 100
  fi
  if grep -qx -- "$a" <<<"${NEEDS_PREFERENCE:-}" && ! grep -qs "Pin-Priority: 990" "$pref"; then
    echo "E: Error, pkgProblemResolver::Resolve generated breaks, this may be caused by held packages." >&2; exit 100
  fi
done
for a in "$@"; do case "$a" in -*|install|Dir::*) ;; *) echo "$a" >>"$s/installed" ;; esac; done
STUB
cat >"$work/bin/dpkg" <<'STUB'
#!/usr/bin/env bash
s="$STUB_STATE"
echo "dpkg $*" >>"$s/log"
touch "$s/archs"
case "$1" in
  --print-foreign-architectures) cat "$s/archs" ;;
  --add-architecture) echo "$2" >>"$s/archs" ;;
  --remove-architecture) grep -vx "$2" "$s/archs" >"$s/archs.new"; mv "$s/archs.new" "$s/archs" ;;
esac
STUB
cat >"$work/bin/dpkg-query" <<'STUB'
#!/usr/bin/env bash
s="$STUB_STATE"
touch "$s/installed"
case "$3" in
  "") cat "$s/installed" ;;
  *) grep -qx -- "$3" "$s/installed" && printf 'install ok installed' ;;
esac
STUB
cat >"$work/bin/sleep" <<'STUB'
#!/usr/bin/env bash
echo "sleep $*" >>"$STUB_STATE/log"
STUB
chmod +x "$work/bin"/*

# run NAME SCRIPT: runs SCRIPT in a fresh state with the scripts sourced and the stand-ins
# first on the path; its output goes to $out, its status to $rc.
run() {
  export STUB_STATE="$work/$1"
  rm -rf "$STUB_STATE"
  mkdir -p "$STUB_STATE"
  touch "$STUB_STATE/log" "$STUB_STATE/installed" "$STUB_STATE/archs"
  [ -z "${PREINSTALLED:-}" ] || printf '%s\n' $PREINSTALLED >"$STUB_STATE/installed"
  [ -z "${PREARCHS:-}" ] || printf '%s\n' $PREARCHS >"$STUB_STATE/archs"
  out="$(PATH="$work/bin:$PATH" bash -c "
    set -euo pipefail
    source '$top/scripts/packages.sh'
    source '$top/scripts/win32-arch.sh'
    $2" 2>&1)"
  rc=$?
  log="$(cat "$STUB_STATE/log")"
}

# The package lists fail twice, then arrive: retried with a growing pause, then installed.
UPDATE_FAILS=2 run retry 've1_install cmake'
check "retried update installs" [ "$rc" -eq 0 ]
check "three reads of the lists" [ "$(grep -c 'apt-get update' <<<"$log")" -eq 3 ]
check "pause grows" [ "$(grep '^sleep' <<<"$log" | tr '\n' ' ')" = "sleep 5 sleep 10 " ]
check "installed after the retries" grep -qx cmake "$STUB_STATE/installed"
check "no word of incomplete lists when they arrived" lacks "$out" "incomplete"

# Nothing missing: the lists are not even read.
PREINSTALLED=cmake run nothing 've1_install cmake'
check "nothing to install reads no lists" lacks "$log" "update"

# A foreign index fails every time; the packages still resolve, so the installation goes on.
UPDATE_FAILS=99 run foreign-index 've1_install wine'
check "failing index tolerated" [ "$rc" -eq 0 ]
check "said once that the lists are incomplete" [ "$(grep -c 'Package lists incomplete' <<<"$out")" -eq 1 ]
check "apt's reason given" contains "$out" "Mirror sync in progress?"
check "only three tries" [ "$(grep -c 'apt-get update' <<<"$log")" -eq 3 ]

# Resolvable only with the main suite preferred: a second try, with a preference for it alone.
NEEDS_PREFERENCE=$'wine32:i386' run preference 've1_install wine wine32:i386'
check "resolved with the preference" [ "$rc" -eq 0 ]
check "first try without a preference" contains "$(grep -m1 'install' <<<"$log")" "install -y"
check "first try had no preference" lacks "$(grep -m1 ' install ' <<<"$log")" "Preferences"
check "the preference names the main suite" grep -qs "Pin: release n=$(. /etc/os-release && echo "$VERSION_CODENAME")" "$STUB_STATE/preference-seen"
check "the preference's file is gone" [ ! -e "$(grep -o 'Preferences=[^ ]*' <<<"$log" | cut -d= -f2)" ]
check "i386 added for an i386 package" grep -qx i386 "$STUB_STATE/archs"

# Never installable: one line naming the package and apt's reason; a non-zero status.
NEVER=$'wine32:i386' run never 've1_install cmake wine32:i386 || { echo "status $?"; echo "[$VE1_INSTALL_FAILURE]"; exit 0; }'
check "failure returned" contains "$out" "status 1"
check "names the package it could not install" contains "$out" "Could not install cmake wine32:i386: Package 'wine32:i386' has no installation candidate"
check "the reason kept for the caller" contains "$out" "[could not install cmake wine32:i386: Package"

# 32-bit programs run but 32-bit Wine does not install: one line why, i386 taken away again,
# the x86_64 suite's Wine installed.
fallback='ve1_runs_32bit() { return 0; }
  ve1_choose_arch /top; echo "chose $VE1_ARCH"
  ve1_install_wine /top odbc
  echo "runs $VE1_ARCH with $VE1_WINE ($VE1_ARCH_BUILD)"'
NEVER=$'wine32:i386' run fallback "$fallback"
check "fallback succeeds" [ "$rc" -eq 0 ]
check "probe chose i686" contains "$out" "chose i686"
check "runs x86_64" contains "$out" "runs x86_64 with /usr/lib/wine/wine64 (/top/build-win64)"
check "one line says why" [ "$(grep -c 'i686 suite cannot run' <<<"$out")" -eq 1 ]
check "the line carries apt's reason" contains "$(grep 'i686 suite cannot run' <<<"$out")" "has no installation candidate"
check "i386 removed again" [ ! -s "$STUB_STATE/archs" ]
check "x86_64 Wine and ODBC installed" [ "$(sort "$STUB_STATE/installed" | tr '\n' ' ')" = "libodbc2 libodbcinst2 libsqliteodbc wine wine64 " ]

# The same where the machine had i386 before: it stays.
PREARCHS=i386 NEVER=$'wine32:i386' run fallback-kept "$fallback"
check "i386 of the machine kept" grep -qx i386 "$STUB_STATE/archs"
check "nothing removed" lacks "$log" "remove-architecture"

# Where 32-bit Wine installs, the i686 suite with its i386 ODBC pieces.
run i686 "$fallback"
check "i686 when it installs" contains "$out" "runs i686 with /usr/lib/wine/wine (/top/build-win32)"
check "i386 ODBC pieces" [ "$(sort "$STUB_STATE/installed" | tr '\n' ' ')" = "libgstreamer-plugins-base1.0-0:i386 libodbc2:i386 libodbcinst2:i386 libsqliteodbc:i386 wine wine32:i386 " ]

# Forced i686 never falls back: it fails with the reason.
VE1_WIN32_ARCH=i686 NEVER=$'wine32:i386' run forced 've1_runs_32bit() { return 0; }
  ve1_choose_arch /top; ve1_install_wine /top odbc; echo "runs $VE1_ARCH"'
check "forced i686 fails" [ "$rc" -ne 0 ]
check "forced i686 says why" contains "$out" "VE1_WIN32_ARCH=i686: 32-bit Wine cannot be installed here: could not install"
check "forced i686 does not go on" lacks "$out" "runs"
check "no x86_64 Wine" lacks "$log" "wine64"

# A kernel without 32-bit programs goes straight to x86_64 and asks for no i386 package.
run no32 've1_runs_32bit() { return 1; }
  ve1_choose_arch /top; ve1_install_wine /top; echo "runs $VE1_ARCH"'
check "x86_64 without 32-bit programs" contains "$out" "runs x86_64"
check "no i386 asked for" lacks "$log" "i386"

if [ "$failures" -gt 0 ]; then
  echo "$failures checks failed"
  exit 1
fi
echo "package installation checks passed"
