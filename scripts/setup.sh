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
  fonts-wqy-microhei imagemagick curl dpkg-dev ninja-build cmake
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
  src_list=/etc/apt/sources.list.d/zk-deb-src.sources
  if [ ! -f "$src_list" ]; then
    # Same Signed-By as the binary entry, or apt refuses the conflicting values.
    printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: bookworm\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
      | $SUDO tee "$src_list" >/dev/null
    $SUDO apt-get update -qq >/dev/null
  fi
  work="$(mktemp -d)"
  ( cd "$work" && apt-get source -qq --download-only "zlib=1:1.2.13.dfsg-1" >/dev/null 2>&1 )
  tarball="$(ls "$work"/zlib_*.orig.tar.* | head -n 1)"
  mkdir -p "$work/x"
  tar -xf "$tarball" -C "$work/x"
  mini="$(find "$work/x" -type d -path '*contrib/minizip' | head -n 1)"
  mkdir -p "$third"
  cp "$mini"/unzip.c "$mini"/unzip.h "$mini"/ioapi.c "$mini"/ioapi.h "$mini"/crypt.h \
     "$mini"/zip.c "$mini"/zip.h "$mini"/iowin32.c "$mini"/iowin32.h "$third"/
  rm -rf "$work"
fi
