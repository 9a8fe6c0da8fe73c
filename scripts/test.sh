#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test, stage by stage:
#   scripts/test.sh            the normal build (with each benchmark once at a tiny size),
#                              the AddressSanitizer+UBSan build, the Windows stage,
#                              the kernel HID stage, the fuzzing stage and the packages stage
#   scripts/test.sh --plain    the normal build only
#   scripts/test.sh --asan     the AddressSanitizer+UBSan build only
#   scripts/test.sh --tsan     the ThreadSanitizer build only
#   scripts/test.sh --windows  the Windows stage only (mingw-w64 builds, tests under Wine)
#   scripts/test.sh --kernel-hid  the kernel HID stage only (the meter as a kernel HID
#                              device in a QEMU guest, the program's real Linux backend)
#   scripts/test.sh --fuzz [SECONDS]  the fuzzing stage only: every libFuzzer harness for
#                              SECONDS each (default 20, the short run of the whole test)
#   scripts/test.sh --packages the packages stage only: the Debian package and the Windows
#                              installers built, installed, run and removed
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
# From here on only the programs that a fresh machine has after install-deps.sh are on
# PATH: one this machine has for another reason fails with its package named.
PATH=$("$root/scripts/guarded-path.sh" "$root/build-guarded-path")
export PATH

stages=(plain asan windows kernel-hid fuzz packages)
fuzz_seconds=20
case "${1:-}" in
  "") ;;
  --plain) stages=(plain) ;;
  --asan) stages=(asan) ;;
  --tsan) stages=(tsan) ;;
  --windows) stages=(windows) ;;
  --kernel-hid) stages=(kernel-hid) ;;
  --fuzz) stages=(fuzz); fuzz_seconds=${2:-20} ;;
  --packages) stages=(packages) ;;
  *) echo "usage: scripts/test.sh [--plain|--asan|--tsan|--windows|--kernel-hid|--fuzz [SECONDS]|--packages]" >&2; exit 2 ;;
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
for stage in "${stages[@]}"; do
  started=$(date +%s)
  echo "== $stage"
  if [ "$stage" = windows ]; then
    "$root/scripts/test-windows.sh" || status=1
  elif [ "$stage" = kernel-hid ]; then
    "$root/scripts/test-kernel-hid.sh" || status=1
  elif [ "$stage" = fuzz ]; then
    "$root/scripts/test-fuzz.sh" "$fuzz_seconds" || status=1
  elif [ "$stage" = packages ]; then
    "$root/scripts/test-packages.sh" || status=1
  else
    # The normal build also builds the benchmarks and runs each once at a tiny size.
    bench=OFF
    [ "$stage" = plain ] && bench=ON
    dir=$("$root/scripts/build.sh" "$stage" -DKELVATRIX_BUILD_BENCH=$bench | tail -n 1)
    (cd "$dir" && ctest --output-on-failure -j2 --timeout 300) || status=1
  fi
  echo "== $stage: $(( $(date +%s) - started )) s"
done
exit $status
