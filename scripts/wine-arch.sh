# Sourced by build.sh, test.sh and run.sh (after install-deps.sh): decides once per run which
# Windows architecture the Wine tests run, and exports it as BREVIX_WINE_ARCH for the scripts
# they call.
#  - win32: the host runs 32-bit code (the 32-bit Wine loader starts). The Windows tree is the
#    shipped i686 build, run by the system's wine, as always.
#  - win64: it does not (no 32-bit support in the kernel). The Windows tree is an x86_64 build,
#    run in 64-bit prefixes (WINEARCH=win64) by the 64-bit loader: scripts/wine64 goes first on
#    PATH, so every "wine", "wineboot", "winepath" and "wineserver" reaches it. The shipped i686
#    product is still built beside it (build.sh).
# BREVIX_WINE_ARCH set beforehand (win32 or win64) is kept, to force one on a capable host.
brevix_scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
if [ -z "${BREVIX_WINE_ARCH:-}" ]; then
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    BREVIX_WINE_ARCH=win32
  else
    BREVIX_WINE_ARCH=win64
  fi
fi
case "$BREVIX_WINE_ARCH" in
  win32) ;;
  win64)
    case ":$PATH:" in
      *":$brevix_scripts/wine64:"*) ;;
      *) PATH="$brevix_scripts/wine64:$PATH" ;;
    esac
    export PATH WINEARCH=win64
    ;;
  *) echo "BREVIX_WINE_ARCH must be win32 or win64, not '$BREVIX_WINE_ARCH'" >&2; return 1 ;;
esac
export BREVIX_WINE_ARCH
unset brevix_scripts
