#!/usr/bin/env bash
# Builds everything, then takes the README's screenshots of the real windows
# under Xvfb, on the demo database: docs/signin.png, docs/main.png and the rest
# of the Linux program, docs/main-1366x768.png of the whole 1366 x 768 screen
# under openbox; then docs/windows-main.png of the Windows package under Wine
# with the real windows platform (scripts/check_windows_package.sh --screenshot,
# which goes on with its check of the self-update).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/windows_deps.sh
bash scripts/setup.sh
out="$(pwd)/docs"
(cd build/bin && QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1600x1000x24" ./qel-screenshots "$out")
# The laptop's screen, 1366 x 768, under a window manager (openbox) that frames the window.
(cd build/bin && QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1366x768x24" \
  sh -c 'openbox --sm-disable & sleep 1; ./qel-screenshots "$1" --desktop; kill $!' sh "$out")
qel_ensure_windows_deps
export QEL_WINDOWS_DEPS
bash scripts/package_windows.sh
bash scripts/check_windows_package.sh --screenshot
