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
# With the T-SQL server of the SQL Server stage running (QEL_TDS_PORT, from
# scripts/lib/sqlserver_peer.sh), the tests over TDS run here too: through
# Wine's ODBC layer and the Linux FreeTDS driver, named by its file in the
# tests' own connections, and registered under the Windows driver's name
# "SQL Server" for the programs' (the server check's) own, in an odbcinst.ini
# of this run that the Unix side reads. Without the server they skip.
if [[ -n ${QEL_TDS_PORT:-} ]]; then
  freetds=$(sed -n 's/^QEL_FREETDS_ODBC_DRIVER:FILEPATH=//p' "$BUILD_DIR/CMakeCache.txt")
  odbc_config="$PWD/$BUILD_DIR/odbc-tds"
  mkdir -p "$odbc_config"
  printf '[SQL Server]\nDescription=FreeTDS under the name of the Windows driver\nDriver=%s\n' "$freetds" >"$odbc_config/odbcinst.ini"
  : >"$odbc_config/odbc.ini"
  export ODBCSYSINI="$odbc_config" ODBCINSTINI=odbcinst.ini ODBCINI="$odbc_config/odbc.ini"
  echo "Tests over TDS under Wine: the T-SQL server on $QEL_TDS_HOST,$QEL_TDS_PORT, FreeTDS at $freetds"
fi
status=0
ctest --test-dir "$BUILD_DIR" --output-on-failure -j2 -E "$exclude" || status=$?
# Programs the tests left behind in this prefix end with its server (trap).
if ((status)); then
  echo "Windows tests under Wine FAILED" >&2
fi
exit "$status"
