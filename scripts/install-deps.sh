#!/usr/bin/env bash
# Installs the Debian packages Kelvatrix needs to build, run and test, if any is missing.
# Safe to run again: it does nothing when everything is there.
#   scripts/install-deps.sh            install what is missing for building, running and testing
#   scripts/install-deps.sh --program  only what building and running the program needs
#   scripts/install-deps.sh --list     print the whole list, one package a line
# The tests run with only the programs of these packages (and Debian's base) on PATH:
# scripts/guarded-path.sh.
set -euo pipefail

# What building and running the program needs (scripts/run.sh installs these alone).
program_packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libgl-dev
  libudev-dev
  # database: the ODBC driver manager (unixODBC) and the SQLite ODBC driver
  unixodbc unixodbc-dev odbcinst libsqliteodbc
  # fonts metric-compatible with Arial, for the charts and printouts
  fonts-liberation
  # a virtual display, for a machine without one
  xvfb xauth
)
# What the tests and benchmarks need besides.
test_packages=(
  libgtest-dev libbenchmark-dev sqlite3
  # answering a real window on a virtual display
  xdotool
  # a locale with a decimal comma, made by the tests with localedef
  locales
  # reading the written worksheets back, and the .xls writer the benchmark compares with
  libreoffice-calc python3-xlwt
  # reading the printed PDF files back, and the Windows program's metafiles (LibreOffice
  # Draw turns them into PDF)
  poppler-utils libreoffice-draw
  # the Windows stage: 32- and 64-bit cross compilers, 64-bit Wine to run the tests (wine
  # holds the wine and wineserver commands; wine64 only the 64-bit loader and server)
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine64
  # the fuzzing stage: clang with libFuzzer and its sanitizers
  clang libclang-rt-14-dev
  # the packages stage: Debian's package tools and lintian, wixl for the Windows installer
  dpkg-dev lintian wixl msitools
  # the kernel HID stage: a guest with Debian's kernel, busybox, and udev to check the rule
  qemu-system-x86 linux-image-amd64 busybox-static cpio xz-utils zstd kmod udev util-linux
)
packages=("${program_packages[@]}" "${test_packages[@]}")

case "${1:-}" in
  --list) printf '%s\n' "${packages[@]}"; exit 0 ;;
  --program) packages=("${program_packages[@]}") ;;
  "") ;;
  *) echo "usage: scripts/install-deps.sh [--program|--list]" >&2; exit 2 ;;
esac

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Run as root or install sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo=(sudo)
fi
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
