#!/usr/bin/env bash
# kelvatrix.exe under Wine as a user runs it, beside the Linux program:
#  - a batch run with the simulated meter stores the same rows, writes the same worksheet
#    byte for byte and prints the same report and charts (the metafiles read back by
#    LibreOffice: their texts, the run's figures among them);
#  - a second start is refused while the first runs (the named mutex);
#  - the window on a virtual display: Download clicked fills savedata, Save as... answered
#    in Windows' own dialog writes the worksheet, a cell edited in the grid is stored,
#    Alt+F4 ends the program.
#   program_under_wine.sh WINDOWS_BUILD LINUX_PROGRAM WINE WINESERVER
set -euo pipefail
build=$(cd "$1" && pwd) linux_program=$(realpath "$2") wine=$3 wineserver=$4
exe=$build/src/gui/win32/kelvatrix.exe
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }
winpath() { echo "Z:${1//\//\\}"; }
data_source() {  # data_source DIR: odbc.ini naming DIR/kelvatrix.db
  printf '[kelvatrix]\nDriver=%s\nDatabase=%s/kelvatrix.db\nJournalMode=WAL\nSyncPragma=NORMAL\n' \
    "$(ls /usr/lib/*/odbc/libsqlite3odbc.so | head -n 1)" "$1" > "$1/odbc.ini"
}
rows() { sqlite3 "$1/kelvatrix.db" "SELECT * FROM savedata ORDER BY recno"; }

export WINEDEBUG=-all
# Windows' odbc32 under Wine hands every call to the host's unixODBC: the data source is
# the host's, named by ODBCINI.
mkdir -p "$work/linux" "$work/win"
data_source "$work/linux"
data_source "$work/win"

echo "-- batch: the same run on both programs"
(cd "$work/linux" && ODBCINI=$work/linux/odbc.ini LC_ALL=C.UTF-8 "$linux_program" --batch --simulate \
  --save-xls "$work/linux/run.xls" --print-to "$work/linux" --print-data --print-graph > out.txt 2>&1) ||
  fail "the Linux program's batch: $(cat "$work/linux/out.txt")"
(cd "$work/win" && ODBCINI=$work/win/odbc.ini "$wine" "$exe" --batch --simulate \
  --save-xls "$(winpath "$work/win/run.xls")" --print-to "$(winpath "$work/win")" --print-data --print-graph \
  > out.txt 2> err.txt) || fail "the Windows program's batch: $(cat "$work/win/out.txt" "$work/win/err.txt")"
for step in "download:" "indices:" "save: 600 rows" "print data: Insulation resistance test, 12 pages" \
            "print graph: Chart1, 1 page" "print graph: Chart2, 1 page"; do
  linux_line=$(grep -F "$step" "$work/linux/out.txt" | sed 's/ to .*//' || true)
  # A Windows program's text output ends its lines with CR LF.
  win_line=$(grep -F "$step" "$work/win/out.txt" | tr -d '\r' | sed 's/ to .*//' || true)
  [ -n "$win_line" ] && [ "$linux_line" = "$win_line" ] || fail "batch line '$step': Linux '$linux_line', Windows '$win_line'"
done
[ "$(rows "$work/linux" | md5sum)" = "$(rows "$work/win" | md5sum)" ] && [ "$(rows "$work/win" | wc -l)" = 600 ] ||
  fail "savedata differs: $(rows "$work/win" | wc -l) rows on Windows"
cmp "$work/linux/run.xls" "$work/win/run.xls" || fail "the worksheets differ"

echo "-- the printed metafiles, read back"
(cd "$work/win" && soffice --headless --convert-to pdf --outdir pdf "Insulation resistance test-1.emf" \
  "Insulation resistance test-12.emf" Chart1-1.emf Chart2-1.emf > soffice.log 2>&1) || true
page() { pdftotext -layout "$work/win/pdf/$1.pdf" - 2>/dev/null | tr -s ' ' || true; }
first=$(page "Insulation resistance test-1")
for text in "Insulation resistance test" "R(15 s) 3,050 M ohm" "R(30 s) 6,010 M ohm" "R(60 s) 11,200 M ohm" \
            "R(600 s) 38,600 M ohm" "1.86" "3.45" "Page 1 of 12" "5000 V"; do
  grep -qF "$text" <<< "$first" || fail "report page 1 lacks '$text'"
done
grep -qF "Page 12 of 12" <<< "$(page "Insulation resistance test-12")" || fail "report page 12 lacks its number"
grep -qF "Voltage" <<< "$(page Chart1-1)" && grep -qF "UNIT V" <<< "$(page Chart1-1)" || fail "Chart1's page"
grep -qF "Resistance" <<< "$(page Chart2-1)" && grep -qF "35,000" <<< "$(page Chart2-1)" || fail "Chart2's page"

echo "-- a second start while one runs"
printf '@latency 20\n81 F4 41 2C\n' > "$work/win/slow.run"
for i in $(seq 200); do echo "01 F4 41 2C"; done >> "$work/win/slow.run"
(cd "$work/win" && ODBCINI=$work/win/odbc.ini "$wine" "$exe" --batch --simulate="$(winpath "$work/win/slow.run")" \
  > first.txt 2>&1) &
first_pid=$!
for i in $(seq 300); do grep -q "meter: connected" "$work/win/first.txt" 2>/dev/null && break; sleep 0.1; done
set +e
(cd "$work/win" && ODBCINI=$work/win/odbc.ini "$wine" "$exe" --batch --simulate > second.txt 2>&1)
second=$?
set -e
[ $second = 1 ] && grep -q "start-up: refused, another instance is running" "$work/win/second.txt" ||
  fail "second start: status $second, $(cat "$work/win/second.txt")"
wait $first_pid || fail "the first instance: $(cat "$work/win/first.txt")"

echo "-- the window on a virtual display"
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 > /dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
export DISPLAY=$display
# A prefix of its own with Wine's X11 driver (the test programs' one has the null driver).
export WINEPREFIX=$build/wine-prefix-x11
if [ ! -f "$WINEPREFIX/.kelvatrix-ready" ]; then
  "$wine" wineboot -i > /dev/null 2>&1 || true
  "$wineserver" -w
  touch "$WINEPREFIX/.kelvatrix-ready"
fi
mkdir -p "$work/gui"
data_source "$work/gui"
(cd "$work/gui" && ODBCINI=$work/gui/odbc.ini "$wine" "$exe" --simulate > out.txt 2>&1) &
program=$!
window=
for i in $(seq 300); do
  window=$(xdotool search --name '^Kelvatrix V1.06$' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
if [ -z "$window" ]; then
  fail "no window titled Kelvatrix V1.06"
else
  sleep 1
  height=$(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: [0-9]*x\([0-9]*\).*/\1/p')
  bar=$((height - 41))
  xdotool mousemove --window "$window" 216 $((bar + 21)) click 1 2>/dev/null
  count=0
  for i in $(seq 600); do
    count=$(sqlite3 "$work/gui/kelvatrix.db" "SELECT count(*) FROM savedata" 2>/dev/null || echo 0)
    [ "$count" -ge 600 ] && break
    sleep 0.1
  done
  [ "$count" = 600 ] || fail "Download in the window stored $count readings"
  sleep 1
  xdotool mousemove --window "$window" 352 $((bar + 21)) click 1 2>/dev/null
  dialog=
  for i in $(seq 100); do
    dialog=$(xdotool search --name '^Save As$' 2>/dev/null | head -n 1 || true)
    [ -n "$dialog" ] && break
    sleep 0.1
  done
  if [ -z "$dialog" ]; then
    fail "Save as... showed no Save As dialog"
  else
    sleep 0.5
    # Keys go where the X focus is: there is no window manager to give the dialog the focus.
    xdotool windowfocus "$dialog" 2>/dev/null
    xdotool type --delay 5 "$(winpath "$work/gui/saved")" 2>/dev/null
    xdotool key Return 2>/dev/null
    for i in $(seq 100); do [ -s "$work/gui/saved.xls" ] && break; sleep 0.1; done
    cmp "$work/gui/saved.xls" "$work/linux/run.xls" || fail "the worksheet saved from the window"
  fi
  # An edit in the grid: a cell of the voltage column, F2, a new value, Enter, and Down to
  # leave the row, which posts it.
  xdotool windowfocus "$window" 2>/dev/null
  xdotool mousemove --window "$window" 110 60 click 1 2>/dev/null
  sleep 0.3
  xdotool key F2 ctrl+a BackSpace 2>/dev/null
  xdotool type --delay 5 4321 2>/dev/null
  xdotool key Return Down 2>/dev/null
  edited=0
  for i in $(seq 50); do
    edited=$(sqlite3 "$work/gui/kelvatrix.db" "SELECT COUNT(*) FROM savedata WHERE voltage = '4321'" 2>/dev/null || echo 0)
    [ "$edited" = 1 ] && break
    sleep 0.1
  done
  [ "$edited" = 1 ] || fail "an edit in the grid was not stored"
  xdotool key alt+F4 2>/dev/null
  for i in $(seq 100); do kill -0 $program 2>/dev/null || break; sleep 0.1; done
  kill -0 $program 2>/dev/null && fail "Alt+F4 did not end the program"
fi
kill $program 2>/dev/null || true
"$wineserver" -k > /dev/null 2>&1 || true
[ $status = 0 ] && echo "the Windows program under Wine: ok"
exit $status
