#!/usr/bin/env bash
# The test stages run with scripts/guarded-path.sh's PATH: a program that install-deps.sh
# does not bring must fail there with its package named, as it would on a fresh machine.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
check() {  # check WHAT EXPECTED ACTUAL
  if [[ "$3" != *"$2"* ]]; then echo "FAILED: $1: expected '$2' in: $3"; failed=1; else echo "ok: $1"; fi
}

# A program of its own, not from any package, first on PATH.
mkdir -p "$work/own"
printf '#!/bin/sh\necho own\n' > "$work/own/kelvatrix-own-tool"
chmod +x "$work/own/kelvatrix-own-tool"
export PATH="$work/own:$PATH"

mapfile -t listed < <("$root/scripts/install-deps.sh" --list)
without_wine=()
for package in "${listed[@]}"; do [ "$package" = wine ] || without_wine+=("$package"); done

# The case that hid once: the Windows stage calls wineserver, which is Debian's wine
# package (an alternative pointing into wine64's files), while the list held only wine64.
"$root/scripts/guarded-path.sh" "$work/without-wine" "${without_wine[@]}" > /dev/null
said=$(PATH="$work/without-wine" wineserver -k 2>&1) && status=0 || status=$?
check "wineserver without the wine package fails" "127" "$status"
check "and names the program and its package" \
  "wineserver: /usr/bin/wineserver comes from the Debian package wine, which scripts/install-deps.sh does not install" "$said"
said=$(PATH="$work/without-wine" kelvatrix-own-tool 2>&1) || true
check "a program from no package fails" "kelvatrix-own-tool is not from a Debian package" "$said"

# With the whole list, the same programs resolve to the real ones.
"$root/scripts/guarded-path.sh" "$work/listed" > /dev/null
check "wineserver with the wine package" "/usr/bin/wineserver" "$(readlink "$work/listed/wineserver")"
check "a listed package's program" "/usr/bin/sqlite3" "$(readlink "$work/listed/sqlite3")"
check "a base program" "/usr/bin/sed" "$(readlink "$work/listed/sed")"
exit $failed
