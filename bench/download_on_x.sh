#!/usr/bin/env bash
# The whole program on an X server (Xvfb), as an operator runs it: the simulated meter at
# zero latency with READINGS readings, Download clicked in the shown window, and the time
# until the last reading is in savedata, over the pacing floor (fetches x 5 ms, plus the
# 100 ms handshake wait). Unlike download_bench, the window paints to a real display.
#   download_on_x.sh PROGRAM [READINGS]   (default 20000)
set -euo pipefail
program=$(realpath "$1")
readings=${2:-20000}
work=$(mktemp -d)
trap 'kill "$(cat "$work/pid" 2>/dev/null)" 2>/dev/null || true; rm -rf "$work"' EXIT

"$(dirname "$(realpath "$0")")/meter_run_file.sh" "$readings" > "$work/run.txt"
mkdir -m 700 "$work/runtime"

export ODBCINI=$work/odbc.ini XDG_RUNTIME_DIR=$work/runtime LC_ALL=C.UTF-8
unset QT_QPA_PLATFORM
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  set -euo pipefail
  work=$1 program=$2 readings=$3
  cd "$work"
  "$program" --simulate="$work/run.txt" > "$work/out.log" 2>&1 &
  echo $! > "$work/pid"
  if ! window=$(timeout 30 xdotool search --sync --onlyvisible --name "^Kelvatrix V" | head -n 1); then
    echo "the window did not appear: $(cat "$work/out.log")" >&2
    exit 1
  fi
  # The meter is found at the first device search, within a second of the window.
  sleep 2
  count() { sqlite3 "$work/kelvatrix.db" "SELECT COUNT(*) FROM savedata" 2>/dev/null || echo 0; }
  start=$(date +%s.%N)
  xdotool mousemove --window "$window" 215 525 click 1
  deadline=$(( $(date +%s) + readings / 100 + 60 ))
  # The database is not looked at before nine tenths of the pacing floor: a reader of a
  # database in WAL mode keeps the writer from checkpointing, which then costs it more.
  sleep "$(awk -v n="$readings" "BEGIN { print (int(n / 2) + 1) * 0.0045 }")"
  while [ "$(count)" -lt "$readings" ]; do
    if [ "$(date +%s)" -gt "$deadline" ]; then
      echo "the download did not store $readings readings (stored $(count))" >&2
      exit 1
    fi
    sleep 0.05
  done
  end=$(date +%s.%N)
  echo "$start $end" > "$work/times"
' on_x "$work" "$program" "$readings"

read -r start end < "$work/times"
awk -v start="$start" -v end="$end" -v readings="$readings" 'BEGIN {
  fetches = int(readings / 2) + 1
  floor = fetches * 0.005 + 0.100
  wall = end - start
  printf "%d readings on X, window shown: wall %.2f s (to the last row stored, polled every 0.05 s from 0.9 of the floor), pacing floor %.2f s, ratio %.3f\n", readings, wall, floor, wall / floor
}'
