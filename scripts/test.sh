#!/usr/bin/env bash
# Runs every test: installs what is missing, builds for i686 (and checks that the
# x86_64 build compiles), then runs ctest under Xvfb with one wineserver kept
# alive for the whole run.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
start=$(date +%s)
mkdir -p "$root/build"
bash "$root/scripts/setup.sh"
# Includes and links must point down the layers; a violation fails the run,
# after the tests have still run. (The shipped executables' imports are checked
# by the ctest entry shipped_exe_imports.)
status=0
python3 "$root/scripts/check-layers.py" --self-test || status=1
python3 "$root/scripts/check-layers.py" || status=1
bash "$root/scripts/build.sh" i686
if [ "${ZK_SKIP_X64:-0}" != "1" ]; then
  echo "== x86_64 compile check"
  bash "$root/scripts/build.sh" x86_64 -DZK_BUILD_BENCHMARKS=ON
fi
bash "$root/scripts/wine-prefix.sh"
source "$root/scripts/session.sh"
zk_session_start
trap zk_session_stop EXIT
cd "$root/build/i686"
ctest --output-on-failure --timeout 900 "$@" || status=$?
echo "test wall time: $(( $(date +%s) - start )) s"
exit $status
