#!/usr/bin/env bash
# Runs every test of one GoogleTest executable in a process of its own, so a
# test that passes only after another has set something up fails here.
# run-tests-alone.sh <test exe>   (inside a session: Wine, a display)
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
exe="$1"
failed=0
count=0
while read -r name; do
  count=$((count + 1))
  if ! "$here/wine-run" "$exe" --gtest_filter="$name" --gtest_color=no >/tmp/zk-alone.log 2>&1; then
    echo "FAIL (alone): $name"; tail -n 20 /tmp/zk-alone.log
    failed=$((failed + 1))
  fi
done < <("$here/wine-run" "$exe" --gtest_list_tests 2>/dev/null | tr -d '\r' | awk '/^[^ ]/ {suite = $1} /^  / {print suite $1}')
echo "$(basename "$exe"): $count tests run alone, $failed failed"
[ "$failed" -eq 0 ] && [ "$count" -gt 0 ]
