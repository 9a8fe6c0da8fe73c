#!/usr/bin/env bash
# Installs what is missing, builds, and starts Kelvatrix with the simulated meter. Other
# arguments replace that (`scripts/run.sh` alone means `--simulate`; pass e.g.
# `--simulate=run.txt`, or `--` alone for the real meter). Without a display it runs on a
# virtual one (Xvfb).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
dir=$("$root/scripts/build.sh" plain | tail -n 1)

if [ $# -eq 0 ]; then set -- --simulate; elif [ "$1" = "--" ]; then shift; fi
cd "${KELVATRIX_WORKDIR:-$PWD}"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display: starting on a virtual X display." >&2
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$dir/src/app/kelvatrix" "$@"
fi
exec "$dir/src/app/kelvatrix" "$@"
