#!/usr/bin/env bash
# The benchmarks' simulated run: READINGS readings at zero latency, the first one starting
# the run, each reading's mantissa climbing and wrapping. Written to standard output.
#   meter_run_file.sh READINGS
set -euo pipefail
readings=$1
echo "@latency 0"
for ((i = 0; i < readings; i++)); do
  mantissa=$((1 + (i * 7) % 1000))
  printf '%02X F4 %02X %02X\n' $((i == 0 ? 0x81 : 0x01)) $((mantissa >> 8)) $((mantissa & 255))
done
