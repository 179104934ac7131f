#!/usr/bin/env bash
# Runs a Windows test executable under Wine with the download service beside
# it: run-with-service.sh <package file> <test exe> [test arguments...]
#
# The service takes a free port (or ZK_SERVICE_PORT) on 127.0.0.1 and serves <package file>; the
# test learns the address from ZK_TEST_SERVER and the package's Windows path
# from ZK_TEST_PACKAGE. The service is stopped however the test ends.
set -u
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
package="$1"; shift
exe="$1"; shift

work="$(mktemp -d "${TMPDIR:-/tmp}/zk-service.XXXXXX")"
service_pid=""
stop_service() {
  if [ -n "$service_pid" ]; then
    kill "$service_pid" 2>/dev/null
    wait "$service_pid" 2>/dev/null
    service_pid=""
  fi
  rm -rf "$work"
}
trap stop_service EXIT
trap 'exit 130' INT TERM

python3 "$here/download_service.py" --port "${ZK_SERVICE_PORT:-0}" --port-file "$work/port" \
  --package "$package" --log "$work/requests.log" >"$work/service.out" 2>&1 </dev/null &
service_pid=$!
for _ in $(seq 1 100); do
  [ -s "$work/port" ] && break
  kill -0 "$service_pid" 2>/dev/null || break
  sleep 0.1
done
if [ ! -s "$work/port" ]; then
  echo "download service did not start:"; cat "$work/service.out"
  exit 1
fi

export ZK_TEST_SERVER="http://127.0.0.1:$(cat "$work/port")"
# Wine maps the Unix root to drive Z:.
export ZK_TEST_PACKAGE="Z:$(printf '%s' "$(cd "$(dirname "$package")" && pwd)/$(basename "$package")" | tr '/' '\\')"
echo "download service at $ZK_TEST_SERVER serving $package"
"$root/scripts/wine-run" "$exe" "$@"
status=$?
if [ "$status" -ne 0 ] && [ -s "$work/requests.log" ]; then
  echo "--- requests seen by the download service (last 20)"
  tail -n 20 "$work/requests.log"
fi
exit $status
