#!/usr/bin/env bash
# Builds everything and runs the whole test suite through CTest, and the few
# window tests that need a window manager under openbox; then the Windows
# build of the whole program with every test under Wine, and the Windows
# package made and checked under Wine on an Xvfb display of its own;
# exits non-zero when any part fails.
#
# The Windows libraries come from the archive beside the repository or a prefix
# found before (scripts/lib/windows_deps.sh); where there is neither, they are
# built here once from Debian's sources (about half an hour on 2 cores) into
# the cache, which later runs reuse.
#
# The tests over TDS (their names hold "Tds") run in a stage of their own
# against a T-SQL server this command starts and stops
# (scripts/lib/sqlserver_peer.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/windows_deps.sh
source scripts/lib/sqlserver_peer.sh

start=$SECONDS
mark=$start
times=()
# took WHAT: notes how long the part since the last note took.
took() {
  local t=$((SECONDS - mark))
  times+=("$1: $((t / 60))m$((t % 60))s")
  mark=$SECONDS
}
failed=()

bash scripts/setup.sh
linux=0
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j2 -E "$QEL_TDS_TESTS" || linux=$?
((linux == 0)) || failed+=("Linux tests")
took "Linux build and tests"

# ---- the windows under a real window manager ----
# openbox on an Xvfb screen of 1366 x 768: the main window and the report
# preview inside the screen with their frames, a box's buttons in Russian, the
# focus back after a box (scripts/test_window_manager.sh, about a minute).
bash scripts/test_window_manager.sh || failed+=("window tests under a window manager")
took "Window tests under a window manager"

# ---- SQL Server stage: the tests over TDS against a real T-SQL server -------
# The server of shared/sqlserver-peer/ beside the repository, started as its
# own system user on free loopback ports in a temporary folder, and stopped
# and removed at the end (also after a failure or Ctrl+C). It runs on through
# the Windows stage, whose tests over TDS reach it under Wine.
if qel_peer_locate; then
  bash scripts/install_packages.sh sqlserver
  if qel_peer_start; then
    echo "T-SQL server over TDS on $QEL_TDS_HOST,$QEL_TDS_PORT"
    QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j2 -R "$QEL_TDS_TESTS" ||
      failed+=("SQL Server tests over TDS")
  else
    failed+=("the T-SQL server of the SQL Server tests did not start")
  fi
else
  echo "No T-SQL server beside the repository (shared/sqlserver-peer/: neither its archive nor its sources):" \
    "$(ctest --test-dir build -N -R "$QEL_TDS_TESTS" | sed -n 's/^Total Tests: //p') tests over TDS not run" \
    "(nor under Wine)."
fi
took "SQL Server tests over TDS"

if qel_ensure_windows_deps; then
  export QEL_WINDOWS_DEPS
  echo "Windows libraries: $QEL_WINDOWS_DEPS"
  took "Windows libraries"
  bash scripts/test_windows.sh || failed+=("Windows tests under Wine")
  took "Windows build and tests under Wine"
  qel_peer_stop
  if bash scripts/package_windows.sh; then
    bash scripts/check_windows_package.sh || failed+=("Windows package check")
  else
    failed+=("Windows package")
  fi
  took "Windows package and its check"
else
  failed+=("Windows libraries (so the Windows build, its tests and the package)")
  took "Windows libraries"
fi
qel_peer_stop

total=$((SECONDS - start))
printf '%s\n' "${times[@]}"
echo "Whole test command: $((total / 60))m$((total % 60))s"
if ((${#failed[@]})); then
  printf 'FAILED: %s\n' "${failed[@]}" >&2
  exit 1
fi
echo "Everything passed."
