#!/usr/bin/env bash
# Builds the Windows installer dist/kelvatrix-1.06-<arch>.msi with wixl (msitools) from the
# Windows build (scripts/test.sh --windows makes it; built here if missing): kelvatrix.exe,
# the report layout beside it and the icon, per machine into Program Files\Kelvatrix, with
# a Start-menu entry. The path of the installer is printed last.
#   scripts/package-msi.sh [x86|x64] [VERSION]   (default x86, the 32-bit program; 1.6.0)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch=${1:-x86}
version=${2:-1.6.0}
case "$arch" in
  x86) build=$root/build-windows32 toolchain=mingw-i686.cmake win64=no programs=ProgramFilesFolder ;;
  x64) build=$root/build-windows64 toolchain=mingw-x86_64.cmake win64=yes programs=ProgramFiles64Folder ;;
  *) echo "usage: scripts/package-msi.sh [x86|x64]" >&2; exit 2 ;;
esac
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" -DKELVATRIX_WITH_QT=OFF >&2
cmake --build "$build" -j2 --target kelvatrix >&2

stage=$build/msi
rm -rf "$stage"
mkdir -p "$stage"
# The installed program is stripped of its debugging information.
strip=$( [ "$arch" = x86 ] && echo i686-w64-mingw32-strip || echo x86_64-w64-mingw32-strip )
"$strip" -o "$stage/kelvatrix.exe" "$build/src/gui/win32/kelvatrix.exe"
cp "$root/data/kelvatrix.rpt" "$root/data/kelvatrix.ico" "$root/packaging/kelvatrix.wxs" "$stage/"
mkdir -p "$root/dist"
installer=$root/dist/kelvatrix-1.06-$arch.msi
[ "$version" = 1.6.0 ] || installer=$root/dist/kelvatrix-$version-$arch.msi
(cd "$stage" && wixl -a "$arch" -D Version="$version" -D Win64="$win64" -D ProgramFiles="$programs" \
  -o "$installer" kelvatrix.wxs) >&2
echo "$installer"
