# Sourced by the Win32 scripts (after scripts/packages.sh): which Windows architecture the suite
# runs as on this machine, and its Wine installed. Where the kernel runs 32-bit programs, the
# product's own: i686 under 32-bit Wine. Where it refuses them, or where 32-bit Wine cannot be
# installed from the package mirror, the same code built for x86_64 under 64-bit Wine (the i686
# product is still built and checked). VE1_WIN32_ARCH=i686 or x86_64 forces the choice; a forced
# i686 never falls back.

# Whether this kernel executes 32-bit i386 Linux programs: runs a 93-byte static i386 program
# (ELF header, one loadable segment, then "xor ebx,ebx; mov eax,1; int 0x80", i.e. exit(0)).
ve1_runs_32bit() {
  local probe rc=0
  probe="$(mktemp)"
  printf '\177ELF\1\1\1\0\0\0\0\0\0\0\0\0'           >"$probe"  # 32-bit, little-endian
  printf '\2\0\3\0\1\0\0\0\124\200\4\10'            >>"$probe" # executable, i386, entry 0x8048054
  printf '\64\0\0\0\0\0\0\0\0\0\0\0\64\0\40\0\1\0'  >>"$probe" # program headers at 52, one
  printf '\0\0\0\0\0\0'                             >>"$probe"
  printf '\1\0\0\0\0\0\0\0\0\200\4\10\0\200\4\10'   >>"$probe" # load the file at 0x8048000
  printf '\135\0\0\0\135\0\0\0\5\0\0\0\0\20\0\0'    >>"$probe" # 93 bytes, read + execute
  printf '\61\333\270\1\0\0\0\315\200'              >>"$probe" # exit(0)
  chmod +x "$probe"
  "$probe" >/dev/null 2>&1 || rc=$?
  rm -f "$probe"
  [ "$rc" -eq 0 ]
}

# Sets VE1_ARCH (i686 or x86_64) and what goes with it: the Debian packages of its Wine
# (VE1_WINE_PACKAGES), the loader (VE1_WINE), WINEARCH (VE1_WINEARCH) and the default build
# directory (VE1_ARCH_BUILD). Fails with a clear word where i686 is forced but cannot run.
ve1_choose_arch() {
  local top="$1"
  if [ -n "${VE1_WIN32_ARCH:-}" ]; then
    VE1_ARCH="$VE1_WIN32_ARCH"
  elif ve1_runs_32bit; then
    VE1_ARCH=i686
  else
    VE1_ARCH=x86_64
  fi
  if [ "$VE1_ARCH" = i686 ] && ! ve1_runs_32bit; then
    echo "VE1_WIN32_ARCH=i686: this machine's kernel cannot run 32-bit programs, so the" >&2
    echo "i686 suite cannot run under Wine here; use VE1_WIN32_ARCH=x86_64 or leave it unset." >&2
    return 1
  fi
  ve1_set_arch "$top" "$VE1_ARCH"
}

# Sets what goes with architecture $2 (see ve1_choose_arch).
ve1_set_arch() {
  local top="$1"
  VE1_ARCH="$2"
  case "$VE1_ARCH" in
    i686)
      # libwine:i386 needs GStreamer's base plugins of i386; named here, apt's resolver finds
      # them where it otherwise gives up (the i386 halves taken from the main suite).
      VE1_WINE_PACKAGES=(wine wine32:i386 libgstreamer-plugins-base1.0-0:i386)
      # The ODBC driver manager, its configuration library and the SQLite driver that 32-bit
      # Wine loads for the ADO test. Without libodbcinst the driver cannot read the data
      # source's database file and works on a temporary database instead.
      VE1_ODBC_PACKAGES=(libodbc2:i386 libodbcinst2:i386 libsqliteodbc:i386)
      VE1_WINE=/usr/lib/wine/wine
      VE1_WINEARCH=win32
      VE1_ARCH_BUILD="$top/build-win32"
      ;;
    x86_64)
      VE1_WINE_PACKAGES=(wine wine64)
      VE1_ODBC_PACKAGES=(libodbc2 libodbcinst2 libsqliteodbc)
      VE1_WINE=/usr/lib/wine/wine64
      VE1_WINEARCH=win64
      VE1_ARCH_BUILD="$top/build-win64"
      ;;
    *)
      echo "VE1_WIN32_ARCH must be i686 or x86_64, not '$VE1_ARCH'" >&2
      return 1
      ;;
  esac
  # Debian's wine wrapper would take the 32-bit loader whenever it is installed.
  export WINELOADER="$VE1_WINE"
}

# ve1_install_wine TOP [odbc]: installs the chosen architecture's Wine (with "odbc", also the
# ODBC pieces its ADO test loads). Where i686 was the probe's choice and its packages cannot be
# installed, says why in one line, takes the i386 architecture away again if this run added it
# and nothing of i386 is installed, and goes on as x86_64. A forced i686 fails instead.
ve1_install_wine() {
  local top="$1" with_odbc="${2:-}"
  if [ "$VE1_ARCH" = i686 ]; then
    VE1_INSTALL_QUIET=1 ve1_install "${VE1_WINE_PACKAGES[@]}" ${with_odbc:+"${VE1_ODBC_PACKAGES[@]}"} && return 0
    if [ -n "${VE1_WIN32_ARCH:-}" ]; then
      echo "VE1_WIN32_ARCH=i686: 32-bit Wine cannot be installed here: $VE1_INSTALL_FAILURE" >&2
      return 1
    fi
    echo "The i686 suite cannot run, 32-bit Wine does not install here ($VE1_INSTALL_FAILURE); the suite runs as x86_64."
    ve1_drop_added_i386
    ve1_set_arch "$top" x86_64
  fi
  ve1_install "${VE1_WINE_PACKAGES[@]}" ${with_odbc:+"${VE1_ODBC_PACKAGES[@]}"}
}
