#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
#   scripts/test.sh          normal build, then the AddressSanitizer+UBSan build
#   scripts/test.sh --plain  normal build only
#   scripts/test.sh --tsan   ThreadSanitizer build only
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"

flavours=(plain asan)
case "${1:-}" in
  "") ;;
  --plain) flavours=(plain) ;;
  --asan) flavours=(asan) ;;
  --tsan) flavours=(tsan) ;;
  *) echo "usage: scripts/test.sh [--plain|--asan|--tsan]" >&2; exit 2 ;;
esac

export QT_QPA_PLATFORM=offscreen
# The full unwinder walks through the ODBC driver, which is unloaded before leaks are
# reported, so the suppressions can name the driver manager.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:fast_unwind_on_malloc=0}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/tests/sanitizer/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# Tests that lock the database start the sqlite3 shell through QProcess from a process
# that already runs Qt's worker threads; ThreadSanitizer would stop that child before it
# gets to run the shell.
export TSAN_OPTIONS=${TSAN_OPTIONS:-suppressions=$root/tests/sanitizer/tsan.supp:halt_on_error=1:second_deadlock_stack=1:die_after_fork=0}

status=0
echo "== windows compile check"
"$root/scripts/check-windows.sh" || status=1
for flavour in "${flavours[@]}"; do
  echo "== $flavour build"
  # The normal build also builds the benchmarks and runs each once at a tiny size.
  bench=OFF
  [ "$flavour" = plain ] && bench=ON
  dir=$("$root/scripts/build.sh" "$flavour" -DKELVATRIX_BUILD_BENCH=$bench | tail -n 1)
  (cd "$dir" && ctest --output-on-failure -j2 --timeout 300) || status=1
done
exit $status
