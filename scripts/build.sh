#!/usr/bin/env bash
# Configures and builds one flavour of the program and its tests; the build's progress
# goes to standard error, the build folder is printed last on standard output.
#   scripts/build.sh [plain|asan|tsan] [--program] [extra cmake arguments...]
# --program builds the program alone (a build folder made this way has no tests until a
# build without it).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
flavour=${1:-plain}
shift || true
target=()
configure=()
if [ "${1:-}" = --program ]; then
  shift
  target=(--target kelvatrix)
fi

case "$flavour" in
  plain) dir=build;      sanitize="" ;;
  asan)  dir=build-asan; sanitize=address ;;
  tsan)  dir=build-tsan; sanitize=thread ;;
  *) echo "unknown build flavour '$flavour' (plain, asan or tsan)" >&2; exit 2 ;;
esac

# The program alone needs no test packages: a new build folder for it leaves the tests
# out; one that has them keeps them.
if [ ${#target[@]} -gt 0 ]; then
  [ -f "$root/$dir/CMakeCache.txt" ] || configure=(-DKELVATRIX_BUILD_TESTS=OFF)
else
  configure=(-DKELVATRIX_BUILD_TESTS=ON)
fi

echo "Configuring $root/$dir" >&2
cmake -S "$root" -B "$root/$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKELVATRIX_SANITIZE="$sanitize" "${configure[@]}" "$@" >/dev/null
echo "Building $root/$dir ${target[*]}" >&2
cmake --build "$root/$dir" -j2 "${target[@]}" >&2
echo "$root/$dir"
