#!/usr/bin/env bash
# Builds the skin reader and its mutation loop natively with the address and
# undefined-behaviour sanitizers and runs it over the test documents.
# Usage: run-native-sanitizers.sh <build folder>
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
core="$(cd "$here/../.." && pwd)"
out="${1:?build folder}"
mkdir -p "$out"
cxx="${CXX_NATIVE:-g++}"
if ! command -v "$cxx" >/dev/null 2>&1; then
  echo "no native compiler ($cxx): skipped"
  exit 0
fi
sources=("$core/CSkinXml.cpp" "$core/SkinTextConvert.cpp" "$here/NativeShim.cpp" "$here/SkinMutationNative.cpp")
exe="$out/skin-mutation-native"
rebuild=0
[ -x "$exe" ] || rebuild=1
for f in "${sources[@]}" "$core/CSkinXml.h" "$core/SkinTextConvert.h" "$here/../SkinMutation.h" "$here/NativeShim.cpp" "$here/windows.h"; do
  [ "$f" -nt "$exe" ] && rebuild=1
done
if [ "$rebuild" = 1 ]; then
  "$cxx" -std=c++17 -O1 -g -fno-omit-frame-pointer -fsanitize=address,undefined -fno-sanitize-recover=all \
    -Wall -Wextra -Werror -I"$here" -I"$core/.." "${sources[@]}" -o "$exe"
fi
data="$here/../data"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
  "$exe" "$data/main.xml" "$data/msgbox.xml" "$data/index.xml" "$data/pages/Page1.xml"
