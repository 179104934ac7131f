#!/usr/bin/env bash
# Installs what the build and the tests need, from Debian's packages, and builds
# minizip's unzip module for the mingw targets from Debian's zlib source package.
# Idempotent: when everything is present it prints nothing and returns at once.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
third="$here/third_party/minizip"

packages=(
  wine wine32:i386 xvfb xauth x11-apps
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  libz-mingw-w64-dev libstb-dev librapidxml-dev
  fonts-wqy-microhei fonts-liberation fonts-liberation2
  imagemagick librsvg2-bin optipng zopfli curl dpkg-dev ninja-build cmake
  openssl osslsigncode
  googletest python3 clang libclang-rt-dev zlib1g-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq >/dev/null
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  # The posix thread model is what std::thread needs.
  for t in i686 x86_64; do
    $SUDO update-alternatives --set "$t-w64-mingw32-g++" "/usr/bin/$t-w64-mingw32-g++-posix" >/dev/null 2>&1 || true
    $SUDO update-alternatives --set "$t-w64-mingw32-gcc" "/usr/bin/$t-w64-mingw32-gcc-posix" >/dev/null 2>&1 || true
  done
fi

# minizip's unzip module: sources from Debian's zlib source package, kept under
# third_party/minizip (not committed) and compiled by CMake for each target.
if [ ! -f "$third/unzip.c" ]; then
  echo "setup: fetching minizip sources from Debian's zlib source package"
  # Source entries mirroring the machine's own binary entries (addresses,
  # suites, components and Signed-By), so the source package comes from where
  # the installed zlib came from; apt refuses conflicting Signed-By values.
  src_list=/etc/apt/sources.list.d/zk-deb-src.sources
  wanted="$(python3 "$here/scripts/apt-source-entries.py" "$src_list")"
  if [ -z "$wanted" ]; then
    echo "setup: no apt binary source entry found to derive a source entry from" >&2
    exit 1
  fi
  if [ "$(cat "$src_list" 2>/dev/null)" != "$wanted" ]; then
    printf '%s\n' "$wanted" | $SUDO tee "$src_list" >/dev/null
    $SUDO apt-get update -qq >/dev/null
  fi
  # The minizip sources of the zlib that is installed, not of some other release
  # (one line per installed architecture: they share one version). minizip is
  # taken from the upstream tarball, which every Debian revision of the same
  # upstream version shares: when the installed revision's source cannot be
  # fetched (a security archive may serve binaries only), another revision of
  # that upstream version is as good.
  read -r zlib_pkg zlib_ver < <(dpkg-query -W -f='${source:Package} ${source:Version}\n' zlib1g | head -n 1)
  upstream="${zlib_ver#*:}"; upstream="${upstream%-*}"
  work="$(mktemp -d)"
  fetched=""
  for v in "$zlib_ver" $(apt-cache showsrc "$zlib_pkg" 2>/dev/null | awk '/^Version:/ {print $2}' | sort -u); do
    u="${v#*:}"; [ "${u%-*}" = "$upstream" ] || continue
    if ( cd "$work" && apt-get source -qq --download-only "$zlib_pkg=$v" >"$work/log" 2>&1 ); then
      fetched="$v"; break
    fi
  done
  if [ -z "$fetched" ]; then
    cat "$work/log" >&2
    echo "setup: could not fetch the source package $zlib_pkg $upstream (installed: $zlib_ver)" >&2
    exit 1
  fi
  [ "$fetched" = "$zlib_ver" ] || echo "setup: took $zlib_pkg $fetched (installed: $zlib_ver, same upstream tarball)"
  tarball="$(ls "$work"/"${zlib_pkg}"_*.orig.tar.* | head -n 1)"
  mkdir -p "$work/x"
  tar -xf "$tarball" -C "$work/x"
  mini="$(find "$work/x" -type d -path '*contrib/minizip' | head -n 1)"
  mkdir -p "$third"
  cp "$mini"/unzip.c "$mini"/unzip.h "$mini"/ioapi.c "$mini"/ioapi.h "$mini"/crypt.h \
     "$mini"/zip.c "$mini"/zip.h "$mini"/iowin32.c "$mini"/iowin32.h "$third"/
  rm -rf "$work"
fi
