#!/usr/bin/env bash
# Starts the installer with a few command lines and expects exit status 0.
set -u
source "$(dirname "$0")/../../../scripts/wine-env.sh"
exe="$1"
for args in "" "/S" "/D=C:\\Some Folder" "--insPath=x -o y"; do
  # shellcheck disable=SC2086
  timeout 60 wine "$exe" $args >/dev/null 2>&1 </dev/null
  rc=$?
  if [ "$rc" -ne 0 ]; then echo "exit status $rc for arguments '$args'"; exit 1; fi
done
echo "installer exited 0 for 4 command lines"
