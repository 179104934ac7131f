#!/usr/bin/env bash
# Configures and builds one target architecture: build.sh [i686|x86_64] [extra cmake args]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
arch="${1:-i686}"; shift || true
dir="$root/build/$arch"
mkdir -p "$root/build"
# The arguments of the last successful configure, one a line: a run with other
# arguments configures afresh (without the old cache, so an option left out
# returns to its default), or it would silently build the old settings.
stamp="$dir/.zk-configure-args"
args="$(printf '%s\n' "$@")"
if [ ! -f "$dir/build.ninja" ] || [ ! -f "$stamp" ] || [ "$(cat "$stamp")" != "$args" ]; then
  rm -f "$stamp" "$dir/CMakeCache.txt"
  cmake -S "$root" -B "$dir" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch-w64-mingw32.cmake" \
    -DCMAKE_BUILD_TYPE=Release "$@" >"$root/build/configure-$arch.log" 2>&1 \
    || { cat "$root/build/configure-$arch.log"; exit 1; }
  printf '%s' "$args" >"$stamp"
fi
log="$root/build/build-$arch.log"
if ! cmake --build "$dir" -- -j"$(nproc)" >"$log" 2>&1; then
  grep -v '^\[[0-9]*/[0-9]*\] ' "$log" | tail -n 80
  echo "build ($arch) failed; full log: $log"
  exit 1
fi
grep -i 'warning' "$log" | head -n 20 || true
