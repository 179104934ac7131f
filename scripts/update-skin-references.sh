#!/usr/bin/env bash
# Redraws the skin screenshots and stores them as the committed reference
# images (installer/ui/tests/reference), recompressed losslessly when optipng
# is there. Review the new images before committing them.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
ZK_UPDATE_REFERENCES=1 ZK_SKIP_X64=1 bash "$root/scripts/test.sh" -R '^zk_skin_tests$'
if command -v optipng >/dev/null 2>&1; then
  optipng -quiet -o2 "$root"/installer/ui/tests/reference/*.png
fi
echo "references: $root/installer/ui/tests/reference"
