#!/usr/bin/env bash
# Runs every test: installs what is missing, builds for i686 and x86_64, then
# runs ctest under Xvfb with one wineserver kept alive for the whole run (on
# the i686 build where the kernel runs 32-bit programs, else on x86_64).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
start=$(date +%s)
mkdir -p "$root/build"
bash "$root/scripts/setup.sh"
# Includes and links must point down the layers; a violation fails the run,
# after the tests have still run. (The shipped executables' imports are checked
# by the ctest entry shipped_exe_imports, its size by shipped_exe_size.)
status=0
python3 "$root/scripts/check-layers.py" --self-test || status=1
python3 "$root/scripts/check-layers.py" || status=1
# The parsers under libFuzzer and the sanitizers, built natively (no Wine): a
# short run from the seeds; scripts/fuzz.sh --seconds N for a long one.
bash "$root/scripts/fuzz.sh" --runs 20000 || status=1
source "$root/scripts/wine-env.sh"
# The shipped 32-bit build always; the x86_64 build keeps the code 64-bit clean
# and is what the tests run where this kernel cannot run 32-bit programs.
bash "$root/scripts/build.sh" i686
# The same sources under clang, warnings as errors: what only GCC accepts.
python3 "$root/scripts/check-clang.py" "$root/build/i686" || status=1
# A product build without tests, with and without benchmarks, must configure.
for combo in "-DZK_BUILD_BENCHMARKS=OFF" "-DZK_BUILD_BENCHMARKS=ON"; do
  cmake -S "$root" -B "$root/build/product" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-w64-mingw32.cmake" \
    -DZK_BUILD_TESTS=OFF $combo >"$root/build/configure-product.log" 2>&1 \
    || { cat "$root/build/configure-product.log"; echo "product-only build ($combo) does not configure"; status=1; }
  rm -rf "$root/build/product"
done
if [ "$ZK_WINE_ARCH" = "x86_64" ] || [ "${ZK_SKIP_X64:-0}" != "1" ]; then
  echo "== x86_64 build"
  bash "$root/scripts/build.sh" x86_64 -DZK_BUILD_BENCHMARKS=ON
fi
if [ "$ZK_WINE_ARCH" != "i686" ]; then
  echo "== this kernel runs no 32-bit programs: the tests run the $ZK_WINE_ARCH build under 64-bit Wine"
  # What needs no Wine is still checked on the shipped 32-bit build.
  (cd "$root/build/i686" && ctest --output-on-failure -R 'imports|shipped_exe_size') || status=$?
fi
bash "$root/scripts/wine-prefix.sh"
source "$root/scripts/session.sh"
zk_session_start
trap zk_session_stop EXIT
cd "$root/build/$ZK_WINE_ARCH"
ctest --output-on-failure --timeout 900 "$@" || status=$?
# The window and shadow tests once more, each in a process of its own.
bash "$root/scripts/run-tests-alone.sh" "$root/build/$ZK_WINE_ARCH/ui-framework/windows/tests/veneer_windows_tests.exe" \
  || status=1
echo "test wall time: $(( $(date +%s) - start )) s"
exit $status
