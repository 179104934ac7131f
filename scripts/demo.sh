#!/usr/bin/env bash
# Builds the installer and runs it under Wine against the local download
# service. With DISPLAY set it shows on that display and the person clicks;
# without, it runs on a virtual display, drives the quick install itself and
# leaves a screenshot of each page it passes in build/demo/.
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
    # About 450 KB/s, so the download takes a few seconds and page 2 shows its
    # bytes, speed and time left, as on a real network.
    python3 - "$server" <<'PY' || echo "demo: the service did not answer; the download runs at full speed"
import sys, time, urllib.request
for _ in range(50):
    try:
        urllib.request.urlopen(sys.argv[1] + "/control?rate=450000", timeout=2).read()
        break
    except OSError:
        time.sleep(0.1)
else:
    sys.exit(1)
PY
    ;;
  *) echo "demo: the build downloads from $server (no local service started)" ;;
esac
# The substitute package takes a few seconds, as a real installation would.
export ZK_PACKAGE_DELAY_MS="${ZK_PACKAGE_DELAY_MS:-3000}"
zk_session_start
exe="$root/build/$ZK_WINE_ARCH/installer/entry/ZKInstaller.exe"
if [ -n "${ZK_KEEP_DISPLAY:-}" ]; then
  # A display of the user's: the person clicks through the installer.
  echo "demo: starting $exe on $DISPLAY"
  set +e
  timeout 300 "$ZK_WINE" "$exe" >"$root/build/logs/demo.log" 2>&1 </dev/null
  rc=$?
  set -e
  echo "demo: installer exited with status $rc"
  exit $rc
fi

# Nobody can click on the virtual display: the driver clicks through page 0
# with real input and captures each page it passes; each becomes a PNG here.
shots="$root/build/demo"
rm -rf "$shots"
mkdir -p "$shots"
driver="$root/build/$ZK_WINE_ARCH/tools/demo-driver/zk_demo_driver.exe"
echo "demo: no display of yours: the demo drives the install itself on the virtual display $DISPLAY"
echo "demo: starting $exe"
rc=1
while read -r kind name x y w h; do
  case "$kind" in
    step) echo "demo: $name $x $y $w $h" | sed 's/ *$//' ;;
    shot)
      convert "$shots/$name.bmp" "$shots/$name.png" && rm -f "$shots/$name.bmp"
      echo "demo: screenshot $shots/$name.png" ;;
    record) echo "demo: the package recorded $name: $x $y $w $h" | sed 's/ *$//' ;;
    exit) rc="$name"; echo "demo: installer exited with status $rc" ;;
  esac
done < <(timeout 120 "$ZK_WINE" "$driver" "$exe" "Z:$(printf '%s' "$shots" | tr '/' '\\')" \
           2>"$root/build/logs/demo.log" </dev/null | tr -d '\r')
exit "$rc"
