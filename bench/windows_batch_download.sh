#!/usr/bin/env bash
# kelvatrix.exe's batch download under Wine: the simulated meter at zero latency with
# READINGS readings, timed from the batch's "meter: connected" line to its "download:"
# line, over the pacing floor (fetches x 5 ms, plus the 100 ms handshake wait), and the
# CPU time the whole batch used (user and system, Wine's loader included).
#   windows_batch_download.sh EXE WINE [READINGS]   (default 4000)
# WINEPREFIX is used as set (the Windows stage's prefix); fails when the download fails.
set -euo pipefail
exe=$(realpath "$1")
wine=$2
readings=${3:-4000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$(dirname "$(realpath "$0")")/meter_run_file.sh" "$readings" > "$work/run.txt"
printf '[kelvatrix]\nDriver=%s\nDatabase=%s/kelvatrix.db\nJournalMode=WAL\nSyncPragma=NORMAL\n' \
  "$(ls /usr/lib/*/odbc/libsqlite3odbc.so | head -n 1)" "$work" > "$work/odbc.ini"

cd "$work"
export ODBCINI=$work/odbc.ini WINEDEBUG=-all
started=$(date +%s.%N)
# Each line with the time it came.
(
  "$wine" "$exe" --batch --simulate="Z:${work//\//\\}\\run.txt"
  echo "exit $?"
  times > "$work/cpu"
) 2>&1 | while IFS= read -r line; do echo "$(date +%s.%N) ${line%$'\r'}"; done > "$work/lines"
ended=$(date +%s.%N)

stamp() { grep -m 1 " $1" "$work/lines" | cut -d' ' -f1; }
connected=$(stamp "meter: connected")
downloaded=$(stamp "download: $readings readings stored")
if [ -z "$connected" ] || [ -z "$downloaded" ]; then
  echo "the batch did not download $readings readings:" >&2
  cut -d' ' -f2- "$work/lines" >&2
  exit 1
fi
stored=$(sqlite3 "$work/kelvatrix.db" "SELECT COUNT(*) FROM savedata")
[ "$stored" = "$readings" ] || { echo "savedata holds $stored rows, not $readings" >&2; exit 1; }
# `times` prints the shell's own line, then its children's: "1m2.5s 0m0.3s".
cpu=$(sed -n 2p "$work/cpu" | awk '{
  total = 0
  for (i = 1; i <= 2; i++) { split($i, part, "m"); total += part[1] * 60 + part[2] }
  print total }')
awk -v a="$connected" -v b="$downloaded" -v s="$started" -v e="$ended" -v cpu="$cpu" -v n="$readings" 'BEGIN {
  floor = (int(n / 2) + 1) * 0.005 + 0.100
  printf "%d readings, kelvatrix.exe --batch under Wine: download %.2f s, pacing floor %.2f s, ratio %.3f; whole batch %.2f s, CPU %.2f s (%.1f %% of a core)\n", n, b - a, floor, (b - a) / floor, e - s, cpu, 100 * cpu / (e - s)
}'
