#!/usr/bin/env bash
# Configures and builds one flavour of the program and its tests.
#   scripts/build.sh [plain|asan|tsan] [extra cmake arguments...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
flavour=${1:-plain}
shift || true

case "$flavour" in
  plain) dir=build;      sanitize="" ;;
  asan)  dir=build-asan; sanitize=address ;;
  tsan)  dir=build-tsan; sanitize=thread ;;
  *) echo "unknown build flavour '$flavour' (plain, asan or tsan)" >&2; exit 2 ;;
esac

cmake -S "$root" -B "$root/$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKELVATRIX_SANITIZE="$sanitize" "$@" >/dev/null
cmake --build "$root/$dir" -j2
echo "$root/$dir"
