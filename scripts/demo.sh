#!/usr/bin/env bash
# Builds the installer and runs it under Wine on a virtual display, taking a
# screenshot while it runs. Set DISPLAY to watch it on a real X display instead.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh" i686
bash "$root/scripts/wine-prefix.sh"
source "$root/scripts/session.sh"
[ -n "${DISPLAY:-}" ] && ZK_KEEP_DISPLAY=1
zk_session_start
trap zk_session_stop EXIT
exe="$root/build/i686/installer/entry/ZKInstaller.exe"
echo "demo: starting $exe"
set +e
timeout 300 wine "$exe" >"$root/build/logs/demo.log" 2>&1 </dev/null
rc=$?
set -e
echo "demo: installer exited with status $rc"
exit $rc
