#!/usr/bin/env bash
# The Windows stage: the Qt-free libraries, their tests and the Windows program
# (kelvatrix.exe, the Win32 front end) built with mingw-w64, for 32-bit and 64-bit
# Windows, and run under Wine in prefixes inside the build tree (nothing lands in the
# user's home): the tests, then the program's batch beside the Linux program's and its
# window on a virtual display (tests/gui/win32/program_under_wine.sh).
#
# The tests run in the 64-bit build under 64-bit Wine. The 32-bit build (the meter's
# traditional home) is built and linked in full; its tests run too where the kernel can
# run 32-bit programs, which some virtual machines cannot.
#   scripts/test-windows.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# Wine's programs by their full paths: the wine and wineserver commands on PATH are Debian's
# wrappers (package wine), which pick a loader by the program's bitness.
wine64=/usr/lib/wine/wine64
wineserver64=/usr/lib/wine/wineserver64
wine32=/usr/lib/wine/wine
wineserver32=/usr/lib/wine/wineserver32
[ -x "$wine64" ] && [ -x "$wineserver64" ] ||
  { echo "64-bit Wine is missing (scripts/install-deps.sh installs wine64)" >&2; exit 1; }

start=$(date +%s)
build() {  # build DIR TOOLCHAIN
  cmake -S "$root" -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$2" -DKELVATRIX_WITH_QT=OFF >/dev/null
  cmake --build "$1" -j2
}
run_tests() {  # run_tests DIR WINEARCH WINE WINESERVER
  export WINEPREFIX="$1/wine-prefix" WINEARCH=$2 WINEDEBUG=-all HOME="$1/home" WINESERVER=$4
  local wineserver=$4
  mkdir -p "$HOME"
  if [ ! -f "$WINEPREFIX/.kelvatrix-ready" ]; then
    # Windows without a display: Wine's null graphics driver still makes the hidden
    # window that receives the device-change broadcast.
    "$3" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null
    "$wineserver" -w
    touch "$WINEPREFIX/.kelvatrix-ready"
  fi
  # One server for the whole run: each test then starts in a fraction of a second.
  "$wineserver" -p
  # Wine's own services (the device services behind its HID devices among them) start
  # with the first program that needs them and inherit its output: started here, they do
  # not hold ctest's pipe open after the tests have ended.
  "$3" wineboot >/dev/null 2>&1 || true
  "$3" "$1/tests/hid/hid_tests.exe" --gtest_filter='WindowsControllerTest.Scan*' >/dev/null 2>&1 || true
  local status=0
  (cd "$1" && ctest --output-on-failure --timeout 300) || status=1
  # Each test program runs as one ctest test, which passes when one of its tests skips:
  # name every skipped test with the reason it gave.
  local skipped
  skipped=$(grep -B1 '^\[  SKIPPED \] [A-Za-z]' "$1/Testing/Temporary/LastTest.log" 2>/dev/null | grep -v '^--$' || true)
  if [ -n "$skipped" ]; then
    echo "SKIPPED under Wine ($2):"
    echo "$skipped" | sed 's/^/  /'
  fi
  "$wineserver" -k >/dev/null 2>&1 || true
  return $status
}

status=0
echo "== windows 64-bit build and tests (Wine)"
build "$root/build-windows64" mingw-x86_64.cmake
run_tests "$root/build-windows64" win64 "$wine64" "$wineserver64" || status=1
echo "== kelvatrix.exe under Wine, beside the Linux program"
# The Linux program is the one the batch is compared with (the plain stage has built it;
# for this stage alone it is built here).
linux_build=$("$root/scripts/build.sh" plain --program | tail -n 1)
"$root/tests/gui/win32/program_under_wine.sh" "$root/build-windows64" "$linux_build/src/gui/qt/kelvatrix" \
  "$wine64" "$wineserver64" || status=1
# The Windows batch download benchmark, once at a tiny size, so that it cannot rot.
WINEPREFIX=$root/build-windows64/wine-prefix "$root/bench/windows_batch_download.sh" \
  "$root/build-windows64/src/gui/win32/kelvatrix.exe" "$wine64" 200 || status=1
"$wineserver64" -k > /dev/null 2>&1 || true
echo "== windows 32-bit build"
build "$root/build-windows32" mingw-i686.cmake
if [ -x "$wineserver32" ] && "$wineserver32" --version >/dev/null 2>&1; then
  run_tests "$root/build-windows32" win32 "$wine32" "$wineserver32" || status=1
else
  echo "32-bit programs cannot run on this kernel: the 32-bit build is compiled and linked, not run"
fi
echo "windows stage: $(( $(date +%s) - start )) s"
exit $status
