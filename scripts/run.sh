#!/usr/bin/env bash
# Builds everything and starts the program on the embedded demo database.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display: start the program from a desktop session (or set DISPLAY)." >&2
  exit 1
fi
cd build/bin
exec ./QEL23
