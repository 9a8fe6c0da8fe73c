#!/bin/bash
# The kernel HID scenarios, run as root inside the guest, in a chroot of the host's own
# (read-only) root: the program's real Linux backend against the meter served through
# /dev/uhid. Prints one "KERNEL-HID <scenario>: ok" or "... FAILED: why" line each, then
# "KERNEL-HID done: N failed".
#   scenarios.sh SOURCE_DIR BUILD_DIR
set -u
source_dir=$1
build=$2
kelvatrix=$build/src/gui/qt/kelvatrix
meter=$build/tests/kernel/uhid_meter
probe=$build/tests/kernel/hotplug_probe
work=/run/kelvatrix
mkdir -p "$work/xdg" "$work/tmp" "$work/home"
chmod 700 "$work/xdg"
export HOME=$work/home XDG_RUNTIME_DIR=$work/xdg TMPDIR=$work/tmp ODBCINI=$work/odbc.ini QT_QPA_PLATFORM=offscreen
failed=0
say() { echo "KERNEL-HID $1"; }
fail() { say "$1: FAILED: $2"; failed=$((failed + 1)); }

# A run of readings: the resistance climbs, some over range, some in G ohm.
run_file() {
  {
    echo "# a short test run"
    for i in $(seq 0 23); do
      word=$(( (i * 37 % 1000 + 1) | (i % 7 == 6 ? 0x1000 : 0) | (i % 5 == 4 ? 0x8000 : 0) ))
      printf '%02X F4 %02X %02X\n' $(( i == 0 ? 0x81 : 0x01 )) $(( word >> 8 )) $(( word & 0xFF ))
    done
    printf '%s\n' "$@"
  } > "$work/run.txt"
}

start_meter() {  # start_meter [uhid_meter options...]: waits until the node is there
  rm -f "$work/ready"
  "$meter" --run "$work/run.txt" --ready "$work/ready" "$@" &
  meter_pid=$!
  for _ in $(seq 100); do
    [ -f "$work/ready" ] && ls /dev/hidraw* >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}
stop_meter() { kill "$meter_pid" 2>/dev/null; wait "$meter_pid" 2>/dev/null; sleep 0.3; }

rows() {  # the rows of savedata in DIR, one line each
  sqlite3 "$1/kelvatrix.db" "SELECT recno, times, voltage, unitv, register, unitr FROM savedata ORDER BY rowid"
}

# The rows the run file's readings make, worked out here from the reading layout, not by
# the program: byte 0 bit 7 a run start, its low 4 bits and byte 1 the voltage in tens of
# volts; bytes 2-3 bits 0-9 the digits, bit 12 over range, bits 13-14 the decimals, bit 15
# G ohm.
expected_rows() {
  grep -E '^[0-9A-Fa-f]{2} ' "$work/run.txt" | awk '
    function hex(s) { return index("0123456789ABCDEF", toupper(substr(s, 1, 1))) * 16 - 16 + index("0123456789ABCDEF", toupper(substr(s, 2, 1))) - 1 }
    {
      b0 = hex($1); b1 = hex($2); w = hex($3) * 256 + hex($4)
      if (b0 >= 128) t = 0
      t++
      volts = ((b0 % 16) * 256 + b1) * 10
      decimals = int(w / 8192) % 4
      value = (w % 1024) / (decimals == 0 ? 1 : decimals == 1 ? 10 : decimals == 2 ? 100 : 1000)
      resistance = int(w / 4096) % 2 ? "----" : sprintf("%.15g", value)
      printf "%d|%d|%d|V|%s|%s\n", NR - 1, t, volts, resistance, (w >= 32768 ? "G ohm" : "M ohm")
    }'
}

batch() {  # batch DIR [options]: runs the program in DIR, output in DIR/out.txt
  local dir=$1
  shift
  mkdir -p "$dir"
  (cd "$dir" && "$kelvatrix" --batch "$@" > out.txt 2>&1)
}

# 1. The readings of the run, stored exactly as the meter sent them.
run_file
start_meter || fail download "the meter's node did not appear"
if batch "$work/download"; then
  if [ "$(rows "$work/download")" = "$(expected_rows)" ] && [ "$(rows "$work/download" | wc -l)" = 24 ]; then
    say "download: ok ($(grep -o 'download: .*' "$work/download/out.txt"))"
  else
    fail download "the rows differ from the run's: $(diff <(rows "$work/download") <(expected_rows) | head -3 | tr '\n' ' ')"
  fi
else
  fail download "$(tr '\n' ' ' < "$work/download/out.txt")"
fi
stop_meter

# 2. Pulled out after the third fetch: the rows so far stay, and the batch says so.
run_file "@unplug-after 3"
start_meter
batch "$work/unplug"
if grep -q 'the meter was disconnected after 6 readings (kept in savedata)' "$work/unplug/out.txt" && [ "$(rows "$work/unplug" | wc -l)" = 6 ]; then
  say "unplug: ok"
else
  fail unplug "$(tr '\n' ' ' < "$work/unplug/out.txt")"
fi

# 3. Plugged in again: a second download works.
sleep 0.5
stop_meter
run_file "@unplug-after 2" "@replug-after 400"
start_meter
batch "$work/replug-first"
# Gone when the download gave up, or back already: either is said.
if ! grep -Eq '(was disconnected|stopped answering) after 4 readings \(kept in savedata\)' "$work/replug-first/out.txt" ||
   [ "$(rows "$work/replug-first" | wc -l)" != 4 ]; then
  fail replug "the first download: $(tr '\n' ' ' < "$work/replug-first/out.txt")"
fi
# The meter comes back 400 ms after it left: the second download waits for its node.
for _ in $(seq 100); do ls /dev/hidraw* >/dev/null 2>&1 && break; sleep 0.1; done
if batch "$work/replug-second" && grep -q 'download: 24 readings stored' "$work/replug-second/out.txt" &&
   [ "$(rows "$work/replug-second")" = "$(expected_rows)" ]; then
  say "replug: ok"
else
  fail replug "$(tr '\n' ' ' < "$work/replug-second/out.txt")"
fi
stop_meter

# 4. Another HID device beside the meter gets no output report.
run_file
start_meter --other "$work/other-count"
if batch "$work/other" && [ "$(cat "$work/other-count")" = 0 ]; then
  say "other device: ok (it received no report)"
else
  fail "other device" "$(cat "$work/other-count" 2>/dev/null) reports; $(tr '\n' ' ' < "$work/other/out.txt")"
fi
stop_meter

# 5. A node the user may not open: found, named, and the udev rule pointed at.
run_file
start_meter
chmod 600 /dev/hidraw*
mkdir -p "$work/locked"
chown nobody "$work/locked"
(cd "$work/locked" && env HOME="$work/locked" XDG_RUNTIME_DIR="$work/locked" ODBCINI="$work/locked/odbc.ini" \
  setpriv --reuid=nobody --regid=nogroup --clear-groups "$kelvatrix" --batch > "$work/locked/out.txt" 2>&1)
if grep -q 'meter: The meter was found at /dev/hidraw.*cannot be opened for reading and writing (Permission denied). Install the udev rule 70-kelvatrix-meter.rules' "$work/locked/out.txt"; then
  say "no access: ok"
else
  fail "no access" "$(tr '\n' ' ' < "$work/locked/out.txt")"
fi
stop_meter

# 6. Hot-plug without a udev daemon: the kernel's own events tell of the meter.
hotplug() {  # hotplug NAME: the probe sees the meter plugged in after its first scan, and pulled out
  run_file
  rm -f "$work/probe-ready"
  "$probe" 60 "$work/probe-ready" > "$work/probe.txt" 2>&1 &
  probe_pid=$!
  for _ in $(seq 300); do [ -f "$work/probe-ready" ] && break; sleep 0.1; done
  start_meter --plug-after 500 --unplug-after-ms 1500
  if wait "$probe_pid"; then
    say "$1: ok"
  else
    fail "$1" "$(tr '\n' ' ' < "$work/probe.txt")"
  fi
  stop_meter
}
hotplug "hot-plug without udev"

# 7. With udev running, the rule gives the meter's node to the logged-in user.
udevd=$(command -v systemd-udevd || echo /lib/systemd/systemd-udevd)
if [ -x "$udevd" ]; then
  mkdir -p /run/udev/rules.d
  cp "$source_dir/data/70-kelvatrix-meter.rules" /run/udev/rules.d/
  "$udevd" --daemon >/dev/null 2>&1
  udevadm trigger --subsystem-match=hidraw >/dev/null 2>&1
  start_meter
  udevadm settle --timeout=20
  node=$(ls /dev/hidraw* | head -1)
  tags=$(udevadm info --query=property --name="$node" | grep -E '^(CURRENT_)?TAGS=' | tr '\n' ' ')
  mode=$(stat -c %a "$node")
  if echo "$tags" | grep -q ':uaccess:' && [ "$mode" = 660 ]; then
    say "udev rule: ok ($node: mode $mode, $tags)"
  else
    fail "udev rule" "$node: mode $mode, $tags"
  fi
  stop_meter
  # 8. Hot-plug as on a desktop: the udev daemon's events tell of the meter.
  hotplug "hot-plug with udev"
  udevadm control --exit 2>/dev/null
else
  fail "udev rule" "systemd-udevd is not installed"
fi

say "done: $failed failed"
