#!/usr/bin/env bash
# Creates the project's Wine prefix once, with the font replacements that let
# the skin's Chinese font names render with WenQuanYi Micro Hei and its Arial
# faces with the metric-compatible Liberation faces; then makes it trust the
# build's test root certificate (trust-test-root.sh, again whenever it changes).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
stamp="$WINEPREFIX/.zk-ready"
# Raise this whenever the prefix's settings below change: a prefix made with
# another version is made afresh.
version="2"

# Keep the prefix self-contained: Wine links the user's shell folders (Desktop,
# Documents, ...) to $HOME; as plain folders, a desktop shortcut made by a test
# stays inside build/wineprefix.
unlink_shell_folders() {
  local link
  for link in "$WINEPREFIX"/drive_c/users/*/{Desktop,Documents,Downloads,Music,Pictures,Videos}; do
    if [ -L "$link" ]; then rm -f "$link" && mkdir -p "$link"; fi
  done
}

trust_test_root() { bash "$(dirname "${BASH_SOURCE[0]}")/trust-test-root.sh"; }

# A second fixed drive, D:, inside the prefix: the end-to-end tests install
# into folders on it as on a machine with two disks.
add_drive_d() {
  if [ ! -e "$WINEPREFIX/dosdevices/d:" ]; then
    mkdir -p "$WINEPREFIX/drive_d"
    ln -s ../drive_d "$WINEPREFIX/dosdevices/d:"
  fi
}

if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$version" ]; then unlink_shell_folders; add_drive_d; trust_test_root; exit 0; fi
if [ -d "$WINEPREFIX" ]; then
  echo "wine-prefix: settings changed, re-creating $WINEPREFIX"
  wineserver -k >/dev/null 2>&1 || true   # this prefix's server only
  rm -rf "$WINEPREFIX"
fi
mkdir -p "$WINEPREFIX"
echo "wine-prefix: creating $WINEPREFIX"
"$ZK_WINE" wineboot -i >"$WINEPREFIX.boot.log" 2>&1 </dev/null || true
# A REGEDIT5 file must be UTF-16LE with a BOM, or the CJK key name is mangled.
reg="$WINEPREFIX/zk-fonts.reg"
python3 - "$reg" <<'PY'
import sys
text = "\r\n".join([
    "Windows Registry Editor Version 5.00", "",
    r"[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]",
    '"微软雅黑"="WenQuanYi Micro Hei"',
    '"Microsoft YaHei"="WenQuanYi Micro Hei"',
    '"Microsoft YaHei UI"="WenQuanYi Micro Hei"',
    '"宋体"="WenQuanYi Micro Hei"',
    '"SimSun"="WenQuanYi Micro Hei"',
    '"Arial"="Liberation Sans"',
    '"Arial Narrow"="Liberation Sans Narrow"', "",
    # Without a window manager on the test display, the X11 driver waits two
    # seconds for every hidden or destroyed window it believes managed.
    r"[HKEY_CURRENT_USER\Software\Wine\X11 Driver]",
    '"Managed"="N"', "", ""])
open(sys.argv[1], "wb").write(b"\xff\xfe" + text.encode("utf-16-le"))
PY
"$ZK_WINE" regedit "$reg" >"$WINEPREFIX.reg.log" 2>&1 </dev/null
wineserver -w
unlink_shell_folders
add_drive_d
printf '%s' "$version" >"$stamp"
trust_test_root
