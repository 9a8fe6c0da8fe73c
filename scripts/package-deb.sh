#!/usr/bin/env bash
# Builds the Debian package dist/kelvatrix_1.06-1_<arch>.deb: the program built with
# Debian's hardening flags in build-package/, installed under /usr into a staging folder,
# the manual page and changelog compressed, the copyright file, and Depends computed by
# dpkg-shlibdeps from the libraries it links plus what it loads at run time. The path of
# the package is printed last.
#   scripts/package-deb.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-package
stage=$build/stage
version=1.06-1
arch=$(dpkg --print-architecture)

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELVATRIX_BUILD_TESTS=OFF \
  -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >&2
cmake --build "$build" -j2 --target kelvatrix >&2
rm -rf "$stage"
DESTDIR=$stage cmake --install "$build" --strip >&2

docs=$stage/usr/share/doc/kelvatrix
install -d -m 755 "$docs"
install -m 644 "$root/data/debian/copyright" "$docs/copyright"
gzip -9n -c "$root/data/debian/changelog" > "$docs/changelog.Debian.gz"
gzip -9n "$stage/usr/share/man/man1/kelvatrix.1"
install -d "$stage/usr/share/lintian/overrides"
install -m 644 "$root/data/debian/lintian-overrides" "$stage/usr/share/lintian/overrides/kelvatrix"
find "$stage" -type d -exec chmod 755 {} +
find "$stage" -type f -exec chmod 644 {} +
chmod 755 "$stage/usr/bin/kelvatrix"

# dpkg-shlibdeps reads the package's name from a debian/control of its own.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/debian"
printf 'Source: kelvatrix\n\nPackage: kelvatrix\nArchitecture: any\n' > "$work/debian/control"
linked=$(cd "$work" && dpkg-shlibdeps -O "$stage/usr/bin/kelvatrix" 2>/dev/null | sed -n 's/^shlibs:Depends=//p')
# Loaded at run time, not linked: the SQLite ODBC driver (named in the data source),
# libudev (the meter's hot-plug) and the fonts the layout is drawn for.
depends="$linked, libsqliteodbc, libudev1, fonts-liberation"

mkdir -p "$stage/DEBIAN"
size=$(du -k -s --exclude=DEBIAN "$stage" | cut -f1)
cat > "$stage/DEBIAN/control" <<CONTROL
Package: kelvatrix
Version: $version
Architecture: $arch
Maintainer: Kelvatrix developers <support@kelvatrix.org>
Installed-Size: $size
Depends: $depends
Section: science
Priority: optional
Homepage: https://kelvatrix.org
Description: download, view, save and print insulation-resistance test runs
 Kelvatrix works beside a high-voltage insulation-resistance meter. It downloads
 the test run the meter recorded over USB HID, stores every reading in the table
 savedata of an ODBC data source it registers itself, shows the readings in a
 grid and as two live charts, saves them as an .xls worksheet and prints the
 data, with the run's insulation indices, and the charts. A simulated meter is
 built in, so it can be tried without one.
CONTROL
(cd "$stage" && find usr -type f -exec md5sum {} + | sort -k 2 > DEBIAN/md5sums)
chmod 644 "$stage/DEBIAN/control" "$stage/DEBIAN/md5sums"

mkdir -p "$root/dist"
package=$root/dist/kelvatrix_${version}_${arch}.deb
dpkg-deb --root-owner-group -Zxz --build "$stage" "$package" >&2
echo "$package"
