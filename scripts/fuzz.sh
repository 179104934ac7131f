#!/usr/bin/env bash
# Coverage-guided fuzzing of the parsers, built natively on Linux from the
# portable sources with clang's libFuzzer and the address and
# undefined-behaviour sanitizers (Wine is not involved).
#
#   fuzz.sh --runs N [target...]     N executions per target (test.sh: 20000)
#   fuzz.sh --seconds N [target...]  N seconds per target, one after another
#
# Targets: markup, image_descriptor, attribute_list, command_line,
# control_file, png_rows (default: all). Seeds live in
# tools/fuzz/corpus/<target>; what a run adds goes to
# build/fuzz/corpus-<target> (not committed) and is merged with the seeds on
# the next run. A finding (crash, leak, undefined
# behaviour, time-out, broken invariant) is kept in
# build/fuzz/artifacts-<target>/ and fails the run.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
fuzz="$root/tools/fuzz"
out="$root/build/fuzz"
all=(markup image_descriptor attribute_list command_line control_file png_rows)

mode=""
amount=""
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) mode=runs; amount="${2:?--runs N}"; shift 2 ;;
    --seconds) mode=seconds; amount="${2:?--seconds N}"; shift 2 ;;
    -h|--help) sed -n '2,14p' "$0"; exit 0 ;;
    *) targets+=("$1"); shift ;;
  esac
done
[ -n "$mode" ] || { echo "usage: fuzz.sh --runs N | --seconds N [target...]" >&2; exit 2; }
[ ${#targets[@]} -gt 0 ] || targets=("${all[@]}")

cxx="${CXX_FUZZ:-clang++}"
mkdir -p "$out"
probe="$out/probe"
if ! command -v "$cxx" >/dev/null 2>&1 ||
   ! echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' |
     "$cxx" -x c++ -fsanitize=fuzzer,address,undefined - -o "$probe" >/dev/null 2>&1; then
  echo "fuzz: skipped, no clang++ with libFuzzer and the sanitizers (Debian: clang, libclang-rt-dev)"
  exit 0
fi
rm -f "$probe"

core="$root/ui-framework/core"
shim="$core/tests/native"
common=("$shim/NativeShim.cpp" "$core/UiString.cpp")
sources_of() {
  case "$1" in
    markup) echo "$fuzz/FuzzMarkup.cpp $core/CSkinXml.cpp $core/SkinTextConvert.cpp" ;;
    image_descriptor) echo "$fuzz/FuzzImageDescriptor.cpp $root/ui-framework/render/TImageSpecText.cpp" ;;
    attribute_list) echo "$fuzz/FuzzAttributeList.cpp $root/ui-framework/controls/UiAttributeValues.cpp" ;;
    command_line) echo "$fuzz/FuzzCommandLine.cpp $root/installer/entry/CommandLine.cpp" ;;
    png_rows) echo "$fuzz/FuzzPngRows.cpp $root/ui-framework/render/PngRows.cpp" ;;
    control_file) echo "$fuzz/FuzzControlFile.cpp $root/installer/engine/PackageInterfaceText.cpp $root/tools/package/PackageArguments.cpp" ;;
    *) echo "fuzz: unknown target $1" >&2; return 1 ;;
  esac
}

# The build settings header the installer's interface reads (addresses are
# not used by anything fuzzed).
generated="$out/generated"
mkdir -p "$generated"
settings="$generated/ZKBuildSettings.h"
if [ ! -f "$settings" ]; then
  cat >"$settings" <<'HEADER'
#pragma once
// Build settings of the native fuzz build.
#define ZK_DOWNLOAD_URL L"http://127.0.0.1:1/openapi/download?ch=10009&app=50000"
#define ZK_AGREEMENT_URL L"http://127.0.0.1:1/agreement"
#define ZK_PRODUCT_FOLDER L"ZKPDFEditor"
#define ZK_RELEASE_BUILD 0
HEADER
fi

flags=(-std=c++17 -O1 -g -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
       -Wall -Wextra -Werror -I"$shim" -I"$root/ui-framework" -I"$root" -I"$generated")

# Rebuilt when a source or any header it read (the compiler's dependency
# list) is newer than the executable.
build() {
  local target="$1" exe="$out/fuzz-$1" deps="$out/fuzz-$1.d"
  local sources
  read -r -a sources <<<"$(sources_of "$target")"
  sources+=("${common[@]}")
  local stale=0
  if [ ! -x "$exe" ] || [ ! -f "$deps" ]; then
    stale=1
  else
    for f in $(sed -e 's/\\$//' -e 's/^[^:]*://' "$deps") "$0"; do
      if [ ! -e "$f" ] || [ "$f" -nt "$exe" ]; then stale=1; break; fi
    done
  fi
  [ "$stale" = 1 ] || return 0
  echo "== fuzz: building $target"
  rm -f "$deps"
  local objects=() o
  for s in "${sources[@]}"; do
    o="$out/obj-$target-$(basename "${s%.cpp}").o"
    "$cxx" "${flags[@]}" -MMD -MF "$o.d" -c "$s" -o "$o"
    cat "$o.d" >>"$deps"
    objects+=("$o")
  done
  "$cxx" "${flags[@]}" "${objects[@]}" -lz -o "$exe"
}

status=0
summary=()
for target in "${targets[@]}"; do
  build "$target"
  seeds="$fuzz/corpus/$target"
  corpus="$out/corpus-$target"
  artifacts="$out/artifacts-$target"
  mkdir -p "$corpus" "$artifacts"
  options=(-timeout=10 -rss_limit_mb=2048 -max_len=4096 -print_final_stats=1 -artifact_prefix="$artifacts/")
  [ -f "$fuzz/$target.dict" ] && options+=(-dict="$fuzz/$target.dict")
  # The short run is the same on every machine: a fixed seed.
  if [ "$mode" = runs ]; then options+=(-runs="$amount" -seed=1); else options+=(-max_total_time="$amount"); fi
  log="$out/fuzz-$target.log"
  echo "== fuzz: $target ($mode $amount)"
  if ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1" UBSAN_OPTIONS="print_stacktrace=1" \
     "$out/fuzz-$target" "${options[@]}" "$corpus" "$seeds" >"$log" 2>&1; then
    result=ok
  else
    result=FAILED
    status=1
    grep -E "ERROR|INVARIANT|runtime error|SUMMARY|Test unit written" "$log" | head -20 || true
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1 || true)
  seconds=$(grep -oE 'Done [0-9]+ runs in [0-9]+ second' "$log" | grep -oE '[0-9]+ second' | grep -oE '[0-9]+' | tail -1 || true)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1 || true)
  edges=$(sed -n 's/.* cov: \([0-9]*\) .*/\1/p' "$log" | tail -1 || true)
  # A run under a second has no meaningful rate.
  [ "${seconds:-0}" != 0 ] || speed="-"
  line="$target: $result, ${runs:-?} runs${seconds:+ in ${seconds} s}, ${speed:-?} exec/s, ${edges:-?} edges, corpus $(ls "$corpus" | wc -l) (+$(ls "$seeds" 2>/dev/null | wc -l) seeds), log $log"
  echo "   $line"
  summary+=("$line")
done
echo "== fuzz summary"
printf '   %s\n' "${summary[@]}"
exit $status
