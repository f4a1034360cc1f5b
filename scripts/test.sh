#!/usr/bin/env bash
# Builds everything and runs the whole test suite through CTest, then the
# Windows build of the Qt-free core under Wine; exits non-zero when either fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
linux=0
ctest --test-dir build --output-on-failure -j2 || linux=$?
windows=0
bash scripts/test_windows.sh || windows=$?
if ((linux)); then
  echo "Linux tests FAILED" >&2
fi
exit $((linux || windows))
