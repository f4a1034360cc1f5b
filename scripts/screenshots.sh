#!/usr/bin/env bash
# Builds everything, then takes the README's screenshots of the real windows
# under Xvfb, on the demo database: docs/signin.png and docs/main.png.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
out="$(pwd)/docs"
cd build/bin
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1600x1000x24" ./qel-screenshots "$out"
