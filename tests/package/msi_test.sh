#!/usr/bin/env bash
# The Windows installer under Wine, in a prefix of its own: a quiet install puts
# kelvatrix.exe, its report layout and the icon into Program Files\Kelvatrix and a
# Start-menu entry; the installed program runs a batch with the simulated meter (and
# finds its report layout); a newer installer replaces the older one; a quiet uninstall
# leaves nothing of it behind.
#   msi_test.sh INSTALLER.msi NEWER.msi WINE WINESERVER PREFIX
set -euo pipefail
msi=$(realpath "$1") newer=$(realpath "$2") wine=$3 wineserver=$4
export WINEPREFIX=$5 WINEDEBUG=-all
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }
winpath() { echo "Z:${1//\//\\}"; }
programs=$WINEPREFIX/drive_c/Program\ Files/Kelvatrix
# The installer is per machine (ALLUSERS=1), whose Start menu is every user's on Windows;
# Wine 8 puts a per-machine shortcut into the installing user's own Start menu.
common_menu=$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/Kelvatrix
user_menu=$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs/Kelvatrix

if [ ! -f "$WINEPREFIX/.kelvatrix-ready" ]; then
  "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f > /dev/null 2>&1
  "$wineserver" -w
  touch "$WINEPREFIX/.kelvatrix-ready"
fi
product_count() {  # installed products named Kelvatrix
  "$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null |
    tr -d '\r' | grep -c 'DisplayName    REG_SZ    Kelvatrix$' || true
}

echo "-- install"
"$wine" msiexec /i "$(winpath "$msi")" /qn > "$work/install.txt" 2>&1 || fail "msiexec /i: $(cat "$work/install.txt")"
for file in kelvatrix.exe kelvatrix.rpt kelvatrix.ico; do
  [ -f "$programs/$file" ] || fail "not installed: Program Files\\Kelvatrix\\$file"
done
[ -f "$common_menu/Kelvatrix.lnk" ] || [ -f "$user_menu/Kelvatrix.lnk" ] ||
  fail "no Start-menu entry: $(find "$WINEPREFIX/drive_c" -iname '*.lnk' 2>&1)"
[ "$(product_count)" = 1 ] || fail "installed products named Kelvatrix: $(product_count)"

echo "-- the installed program"
printf '[kelvatrix]\nDriver=%s\nDatabase=%s/kelvatrix.db\n' "$(ls /usr/lib/*/odbc/libsqlite3odbc.so | head -n 1)" "$work" \
  > "$work/odbc.ini"
(cd "$work" && ODBCINI=$work/odbc.ini "$wine" 'C:\Program Files\Kelvatrix\kelvatrix.exe' --batch --simulate \
  --print-to "$(winpath "$work")" --print-data > out.txt 2>&1) || fail "the batch: $(cat "$work/out.txt")"
grep -q "download: 600 readings stored in savedata" "$work/out.txt" || fail "no download: $(cat "$work/out.txt")"
grep -q "print data: Insulation resistance test, 12 pages" "$work/out.txt" ||
  fail "the report layout beside the installed program: $(cat "$work/out.txt")"

echo "-- a newer installer replaces it"
"$wine" msiexec /i "$(winpath "$newer")" /qn > "$work/upgrade.txt" 2>&1 || fail "msiexec /i newer: $(cat "$work/upgrade.txt")"
[ "$(product_count)" = 1 ] || fail "after the upgrade, installed products named Kelvatrix: $(product_count)"
[ -f "$programs/kelvatrix.exe" ] || fail "the upgrade left no kelvatrix.exe"

echo "-- uninstall"
"$wine" msiexec /x "$(winpath "$newer")" /qn > "$work/remove.txt" 2>&1 || fail "msiexec /x: $(cat "$work/remove.txt")"
[ ! -e "$programs" ] || fail "left in Program Files: $(ls "$programs")"
[ ! -e "$common_menu" ] && [ ! -e "$user_menu" ] || fail "left in the Start menu: $(find "$WINEPREFIX/drive_c" -iname '*.lnk')"
[ "$(product_count)" = 0 ] || fail "still registered as installed"
"$wineserver" -k > /dev/null 2>&1 || true
[ $status = 0 ] && echo "the Windows installer: ok"
exit $status
