#!/usr/bin/env bash
# Figures of the downloader: a 20 MB package over loopback, then throttled to
# 10 MB/s, each fetched by the real downloader under Wine and by curl from the
# same service in the same run; then the same 10 MB/s download whose connection
# resets at half-way, against the clean one: the bytes the service sent (its
# own count) and the time to the whole file. Needs a build:
# bench-download.sh [build dir]. Prints `name: value unit` lines (medians of 3
# runs each).
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
  "$ZK_WINE" "$bench" --url="$url" --label="downloader_${label}" --runs=3 >"$work/bench.out" 2>"$work/bench.err" </dev/null
  local status=$?
  cat "$work/bench.out"
  [ "$status" -eq 0 ] || { echo "downloader_${label}: failed (status $status)"; cat "$work/bench.err"; }
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# One download per run, so the service's count of body bytes belongs to it.
resume_runs() {
  local label="$1" query="$2"
  : >"$work/$label.ms"; : >"$work/$label.bytes"
  for _ in 1 2 3; do
    curl -s "$base/control?$query" >/dev/null
    "$ZK_WINE" "$bench" --url="$url" --label=run --runs=1 >"$work/run.out" 2>/dev/null </dev/null \
      || { echo "downloader_$label: failed"; cat "$work/run.out"; }
    awk '/^run_wall_median:/ { print $2 }' "$work/run.out" >>"$work/$label.ms"
    curl -s "$base/log?summary=1" | awk -F'\t' '{ sum += $2 } END { print sum + 0 }' >>"$work/$label.bytes"
  done
}

resume_case() {
  local rate=10000000
  resume_runs clean "size=$size&rate=$rate"
  resume_runs reset "size=$size&rate=$rate&fault=reset&faultcount=1"
  local clean_ms reset_ms reset_bytes
  clean_ms="$(median <"$work/clean.ms")"; reset_ms="$(median <"$work/reset.ms")"
  reset_bytes="$(median <"$work/reset.bytes")"
  echo "downloader_clean_10mbps_20mb_wall_median: $clean_ms ms"
  echo "downloader_reset_half_10mbps_20mb_wall_median: $reset_ms ms"
  echo "downloader_reset_half_bytes_fetched_median: $reset_bytes bytes"
  awk -v b="$reset_bytes" -v s="$size" 'BEGIN { printf "downloader_reset_half_bytes_ratio: %.3f x\n", b / s }'
  awk -v r="$reset_ms" -v c="$clean_ms" 'BEGIN { printf "downloader_reset_half_time_ratio: %.3f x\n", r / c }'
}

wineserver -p >/dev/null 2>&1 </dev/null &
if [ "${ZK_BENCH_ONLY_RESUME:-}" != "1" ]; then
  run_case loopback_20mb "size=$size"
  run_case throttled_10mbps_20mb "size=$size&rate=10000000"
fi
resume_case
wineserver -k >/dev/null 2>&1 || true
