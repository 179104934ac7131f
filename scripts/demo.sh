#!/usr/bin/env bash
# Builds the installer and runs it under Wine on a virtual display against the
# local download service. Set DISPLAY to watch it on a real X display instead.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/setup.sh"
source "$root/scripts/wine-env.sh"
bash "$root/scripts/build.sh" "$ZK_WINE_ARCH"
bash "$root/scripts/wine-prefix.sh"
source "$root/scripts/session.sh"
[ -n "${DISPLAY:-}" ] && ZK_KEEP_DISPLAY=1
mkdir -p "$root/build/logs"

# The local download service, where the build looks for the package (the
# default build settings point at 127.0.0.1); it serves the substitute package.
service_pid=""
demo_stop() {
  if [ -n "$service_pid" ]; then kill "$service_pid" 2>/dev/null || true; wait "$service_pid" 2>/dev/null || true; fi
  zk_session_stop
}
trap demo_stop EXIT
server="$(cat "$root/build/$ZK_WINE_ARCH/download-server.txt" 2>/dev/null || true)"
case "$server" in
  http://127.0.0.1:*)
    python3 "$root/tools/download-service/download_service.py" --port "${server##*:}" \
      --package "$root/build/$ZK_WINE_ARCH/tools/package/ZKPDFEditorPackage.exe" \
      --log "$root/build/logs/demo-requests.log" >"$root/build/logs/demo-service.log" 2>&1 </dev/null &
    service_pid=$!
    echo "demo: download service on $server"
    ;;
  *) echo "demo: the build downloads from $server (no local service started)" ;;
esac
# The substitute package takes a few seconds, as a real installation would.
export ZK_PACKAGE_DELAY_MS="${ZK_PACKAGE_DELAY_MS:-3000}"
zk_session_start
exe="$root/build/$ZK_WINE_ARCH/installer/entry/ZKInstaller.exe"
echo "demo: starting $exe"
set +e
timeout 300 "$ZK_WINE" "$exe" >"$root/build/logs/demo.log" 2>&1 </dev/null
rc=$?
set -e
echo "demo: installer exited with status $rc"
exit $rc
