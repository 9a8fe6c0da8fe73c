#!/usr/bin/env bash
# The packages stage: the Debian package built (scripts/package-deb.sh), checked by lintian,
# installed into a throw-away root, run and removed (tests/package/deb_test.sh); the
# Windows installers built for 32- and 64-bit Windows (scripts/package-msi.sh), and the
# 64-bit one installed, run, upgraded and removed under Wine (tests/package/msi_test.sh).
#   scripts/test-packages.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
start=$(date +%s)
status=0
echo "== the Debian package"
deb=$("$root/scripts/package-deb.sh" | tail -n 1)
"$root/tests/package/deb_test.sh" "$deb" || status=1
echo "== the Windows installers"
"$root/scripts/package-msi.sh" x86 | tail -n 1
msi=$("$root/scripts/package-msi.sh" x64 | tail -n 1)
# A newer build of the same installer, to upgrade with.
newer=$("$root/scripts/package-msi.sh" x64 1.6.1 | tail -n 1)
prefix=$root/build-windows64/wine-prefix-msi
rm -rf "$prefix"
"$root/tests/package/msi_test.sh" "$msi" "$newer" /usr/lib/wine/wine64 /usr/lib/wine/wineserver64 "$prefix" || status=1
rm -f "$newer"
echo "packages stage: $(( $(date +%s) - start )) s"
exit $status
