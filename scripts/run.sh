#!/usr/bin/env bash
# Installs what building and running the program needs, builds the program (it ends up
# in build/src/gui/qt/kelvatrix) and starts it with the simulated meter. Arguments are passed
# on to the program in place of that: `scripts/run.sh --simulate=run.txt` for a run of
# your own, `scripts/run.sh --` alone for the real meter. Without a display it runs on a
# virtual one (Xvfb).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" --program
dir=$("$root/scripts/build.sh" plain --program | tail -n 1)

if [ $# -eq 0 ]; then set -- --simulate; elif [ "$1" = "--" ]; then shift; fi
cd "${KELVATRIX_WORKDIR:-$PWD}"
echo "Starting $dir/src/gui/qt/kelvatrix $*" >&2
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display: starting on a virtual X display." >&2
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$dir/src/gui/qt/kelvatrix" "$@"
fi
exec "$dir/src/gui/qt/kelvatrix" "$@"
