#!/usr/bin/env bash
# Builds everything and runs the whole test suite through CTest, then the
# Windows build of the whole program with every test under Wine; exits non-zero
# when either fails.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS
bash scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
linux=0
ctest --test-dir build --output-on-failure -j2 || linux=$?
linux_time=$((SECONDS - start))
windows=0
bash scripts/test_windows.sh || windows=$?
windows_time=$((SECONDS - start - linux_time))
echo "Linux build and tests: $((linux_time / 60))m$((linux_time % 60))s;" \
     "Windows build and tests under Wine: $((windows_time / 60))m$((windows_time % 60))s"
if ((linux)); then
  echo "Linux tests FAILED" >&2
fi
exit $((linux || windows))
