#!/usr/bin/env bash
# The Debian package as a user installs it, into a throw-away root (dpkg --root; its
# dependencies are the host's, which has them): lintian finds no error or warning; the
# installed program runs a batch with the simulated meter from its own folder (the report
# layout found under /usr/share/kelvatrix), stores 600 rows, writes a worksheet that
# LibreOffice reads back and prints the report; removing the package leaves nothing of it
# behind, only what the user wrote.
#   deb_test.sh PACKAGE.deb
set -euo pipefail
deb=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }

echo "-- lintian"
lintian --fail-on error,warning --suppress-tags-from-file /dev/null "$deb" > "$work/lintian.txt" 2>&1 ||
  fail "lintian: $(cat "$work/lintian.txt")"
[ -s "$work/lintian.txt" ] && sed 's/^/  /' "$work/lintian.txt"

echo "-- install into a throw-away root"
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
dpkg --root="$root" --force-depends --force-script-chrootless -i "$deb" > "$work/install.txt" 2>&1 ||
  fail "dpkg -i: $(cat "$work/install.txt")"
for file in usr/bin/kelvatrix usr/share/kelvatrix/kelvatrix.rpt usr/share/man/man1/kelvatrix.1.gz \
            usr/lib/udev/rules.d/70-kelvatrix-meter.rules usr/share/applications/kelvatrix.desktop \
            usr/share/metainfo/org.kelvatrix.Kelvatrix.metainfo.xml usr/share/icons/hicolor/128x128/apps/kelvatrix.png; do
  [ -e "$root/$file" ] || fail "not installed: /$file"
done

echo "-- the installed program"
user=$work/user
mkdir -m 700 "$user" "$user/runtime"
(cd "$user" && ODBCINI=$user/odbc.ini XDG_RUNTIME_DIR=$user/runtime LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen \
  "$root/usr/bin/kelvatrix" --batch --simulate --save-xls "$user/run.xls" --print-to "$user" --print-data \
  > out.txt 2>&1) || fail "the batch: $(cat "$user/out.txt")"
grep -q "download: 600 readings stored in savedata" "$user/out.txt" || fail "no download: $(cat "$user/out.txt")"
grep -q "print data: Insulation resistance test, 12 pages" "$user/out.txt" ||
  fail "the report (its layout from /usr/share/kelvatrix): $(cat "$user/out.txt")"
[ "$(sqlite3 "$user/kelvatrix.db" "SELECT COUNT(*) FROM savedata")" = 600 ] || fail "savedata does not hold 600 rows"
(cd "$user" && soffice --headless --convert-to csv --outdir csv run.xls > /dev/null 2>&1) || true
[ "$(grep -c . "$user/csv/run.csv" 2>/dev/null)" -ge 601 ] && grep -q '^0,1,500,V,60,M ohm' "$user/csv/run.csv" ||
  fail "the worksheet does not read back: $(head -3 "$user/csv/run.csv" 2>/dev/null)"

echo "-- remove it"
dpkg --root="$root" --force-depends --force-script-chrootless -P kelvatrix > "$work/remove.txt" 2>&1 ||
  fail "dpkg -P: $(cat "$work/remove.txt")"
left=$(cd "$root" && find . -mindepth 1 -not -path './var' -not -path './var/lib' -not -path './var/lib/dpkg' \
  -not -path './var/lib/dpkg/*' -not -path './var/log' -not -path './var/log/dpkg.log' | sort)
[ -z "$left" ] || fail "left behind after removal: $left"
for file in kelvatrix.db run.xls odbc.ini; do [ -e "$user/$file" ] || fail "the user's $file is gone"; done

[ $status = 0 ] && echo "the Debian package: ok"
exit $status
