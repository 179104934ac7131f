# Sourced by the scripts that run Windows programs: one Wine prefix inside the
# build tree (never ~/.wine), quiet, no Mono or Gecko installers.
ZK_ROOT="${ZK_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
export WINEPREFIX="${WINEPREFIX:-$ZK_ROOT/build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEARCH="${WINEARCH:-win32}"
