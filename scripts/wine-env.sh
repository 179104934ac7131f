# Sourced by the scripts that run Windows programs: one Wine prefix inside the
# build tree (never ~/.wine), quiet, no Mono or Gecko installers.
#
# The product is a 32-bit program, and its tests run as such wherever the
# kernel runs 32-bit Linux programs (Wine's 32-bit loader is one). Some
# kernels are built without that; there the tests run the x86_64 build of the
# same sources under 64-bit Wine. ZK_WINE_ARCH (i686 or x86_64) says which;
# set it to choose.
ZK_ROOT="${ZK_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
if [ -z "${ZK_WINE_ARCH:-}" ]; then
  if [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
    ZK_WINE_ARCH=i686
  else
    ZK_WINE_ARCH=x86_64
  fi
fi
export ZK_WINE_ARCH
if [ "$ZK_WINE_ARCH" = "i686" ]; then
  export WINEPREFIX="${WINEPREFIX:-$ZK_ROOT/build/wineprefix}"
  export WINEARCH="${WINEARCH:-win32}"
  ZK_WINE="wine"
else
  export WINEPREFIX="${WINEPREFIX:-$ZK_ROOT/build/wineprefix-win64}"
  export WINEARCH="${WINEARCH:-win64}"
  # Debian's wrapper would pick the 32-bit loader when it is installed.
  ZK_WINE="$(command -v /usr/lib/wine/wine64 || command -v wine64 || echo wine)"
  case "$ZK_WINE" in */wine64) export WINELOADER="${WINELOADER:-$ZK_WINE}" ;; esac
fi
export ZK_WINE
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
