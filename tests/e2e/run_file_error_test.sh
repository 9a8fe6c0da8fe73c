#!/usr/bin/env bash
# `kelvatrix --simulate=RUNFILE` with a wrong line, started from a desktop where nobody
# reads its standard error: the error shows in the standard error box (captioned with the
# application title) as well, and the program ends with status 2 once it is closed.
#   run_file_error_test.sh PROGRAM
set -euo pipefail
program=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '81 F4 41 2C\n81 F4 41\n' > "$work/bad.run"
mkdir -m 700 "$work/run"
export ODBCINI=$work/odbc.ini XDG_RUNTIME_DIR=$work/run
unset QT_QPA_PLATFORM

# On a display of its own: the box is found by its caption and closed with Enter.
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  "$1" --simulate="$2/bad.run" 2> "$2/stderr" &
  program=$!
  if ! box=$(timeout 30 xdotool search --sync --onlyvisible --name "^Kelvatrix$" 2>/dev/null | head -n 1); then
    kill "$program"
    echo "no error box appeared"
    exit 1
  fi
  sleep 0.5
  xdotool windowfocus --sync "$box" key Return
  status=0
  wait "$program" || status=$?
  echo "$status" > "$2/status"
' box "$program" "$work"

status=$(cat "$work/status")
said=$(cat "$work/stderr")
[ "$status" = 2 ] || { echo "FAILED: exit status $status, not 2 (stderr: $said)"; exit 1; }
[[ "$said" == *"line 2: a reading is four hexadecimal bytes"* ]] || { echo "FAILED: stderr says: $said"; exit 1; }
echo "ok: the error box appeared, and the program ended with status 2: $said"
