#!/usr/bin/env bash
# Cross-builds the whole program, its tools and its tests for 64-bit Windows
# (scripts/build_windows.sh, into build-win/) and runs every test under Wine
# through CTest, headless with the offscreen platform; exits non-zero on any
# failure, and when the Windows libraries or a working Wine are missing.
set -euo pipefail
source "$(dirname "$0")/build_windows.sh"

# One Wine server for the whole run, instead of one started per test program,
# with Wine's own background services started now, on no terminal or pipe:
# started by the first test instead, they would hold its output open and CTest
# would wait for them.
# The server of the Wine check above, or one an interrupted run left running
# for good, ends first (waiting for the latter would never end).
wineserver -k 2>/dev/null || true
wineserver -w
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
wine cmd /c echo ok </dev/null >/dev/null 2>&1
# The tests over a real ODBC driver reach this machine's unixODBC and its
# SQLite ODBC driver through Wine's ODBC layer. Tests of what Wine does not do
# as Windows does are not run here, and named with the reason.
not_under_wine=(
  "DownloadFileTest.BodyOfUnannouncedLengthEndedByAResetFails|under Wine 8, WinInet reads a body of unannounced length cut off by a connection reset as whole"
)
exclude=""
echo "Not run under Wine:"
for entry in "${not_under_wine[@]}"; do
  echo "  ${entry%%|*}: ${entry#*|}"
  exclude+="${exclude:+|}^${entry%%|*}\$"
done
status=0
ctest --test-dir "$BUILD_DIR" --output-on-failure -j2 -E "$exclude" || status=$?
# Programs the tests left behind in this prefix end with its server (trap).
if ((status)); then
  echo "Windows tests under Wine FAILED" >&2
fi
exit "$status"
