#!/usr/bin/env bash
# Figures of the downloader: a 20 MB package over loopback, then throttled to
# 10 MB/s, each fetched by the real downloader under Wine and by curl from the
# same service in the same run. Needs a build: bench-download.sh [build dir]
# Prints `name: value unit` lines (medians of 3 runs each).
set -u
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="${1:-$root/build/i686}"
bench="$build/installer/engine/bench/downloader_bench.exe"
[ -f "$bench" ] || { echo "no $bench: build first (bash scripts/build.sh i686)"; exit 1; }
source "$root/scripts/wine-env.sh"

size=20000000
work="$(mktemp -d "${TMPDIR:-/tmp}/zk-bench.XXXXXX")"
service_pid=""
cleanup() {
  if [ -n "$service_pid" ]; then kill "$service_pid" 2>/dev/null; wait "$service_pid" 2>/dev/null; fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

python3 "$here/download_service.py" --port 0 --port-file "$work/port" >"$work/service.out" 2>&1 </dev/null &
service_pid=$!
for _ in $(seq 1 100); do [ -s "$work/port" ] && break; sleep 0.1; done
[ -s "$work/port" ] || { echo "download service did not start"; cat "$work/service.out"; exit 1; }
base="http://127.0.0.1:$(cat "$work/port")"
url="$base/openapi/download?ch=10009&app=50000"

median_ms() { sort -n | awk '{ v[NR] = $1 } END { printf "%.1f", v[int((NR + 1) / 2)] * 1000 }'; }

run_case() {
  local label="$1" query="$2"
  curl -s "$base/control?$query" >/dev/null
  for _ in 1 2 3; do
    curl -s -o "$work/curl.bin" -w '%{time_total}\n' "$url"
  done >"$work/curl.times"
  echo "curl_${label}_wall_median: $(median_ms <"$work/curl.times") ms"
  echo "curl_${label}_bytes: $(stat -c %s "$work/curl.bin") bytes"
  wine "$bench" --url="$url" --label="downloader_${label}" --runs=3 >"$work/bench.out" 2>"$work/bench.err" </dev/null
  local status=$?
  cat "$work/bench.out"
  [ "$status" -eq 0 ] || { echo "downloader_${label}: failed (status $status)"; cat "$work/bench.err"; }
}

wineserver -p >/dev/null 2>&1 </dev/null &
run_case loopback_20mb "size=$size"
run_case throttled_10mbps_20mb "size=$size&rate=10000000"
wineserver -k >/dev/null 2>&1 || true
