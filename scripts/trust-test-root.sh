#!/usr/bin/env bash
# Makes the project's Wine prefix trust the root of the test PKI that the build
# made (build/<arch>/test-pki/root.der), as a Windows machine trusts a real
# publisher's root CA: the tests and the demo check the package's signature
# chain against it. trust-test-root.sh [build folder, default build/$ZK_WINE_ARCH]
#
# Runs the built tools/trust-root tool once per prefix and root: a stamp in the
# prefix holds the certificate's SHA-256, so a new root is added again. Does
# nothing before the build has made the root and the tool.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
build="${1:-$ZK_ROOT/build/$ZK_WINE_ARCH}"
cert="$build/test-pki/root.der"
tool="$build/tools/trust-root/zk_trust_root.exe"
[ -f "$cert" ] && [ -f "$tool" ] || exit 0
stamp="$WINEPREFIX/.zk-test-root"
sum="$(sha256sum "$cert" | cut -d' ' -f1)"
[ "$(cat "$stamp" 2>/dev/null || true)" = "$sum" ] && exit 0
# Wine maps the Unix root to drive Z:.
"$ZK_WINE" "$tool" "Z:$(cd "$(dirname "$cert")" && pwd | tr '/' '\\')\\root.der" </dev/null
echo "wine-prefix: the prefix trusts the test root $cert"
printf '%s' "$sum" >"$stamp"
