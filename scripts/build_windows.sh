#!/usr/bin/env bash
# Cross-builds the whole program, its tools and its tests for 64-bit Windows
# (mingw-w64, against the Windows libraries of scripts/lib/windows_deps.sh) into
# build-win/, with a Wine prefix of its own in build-win/wineprefix (CTest
# starts the test programs through Wine there). Sourced by test_windows.sh and
# package_windows.sh, which use QEL_WINDOWS_DEPS and BUILD_DIR afterwards.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/install_packages.sh windows

source scripts/lib/windows_deps.sh
qel_find_windows_deps
echo "Windows libraries: $QEL_WINDOWS_DEPS"

BUILD_DIR=build-win
export WINEPREFIX="$PWD/$BUILD_DIR/wineprefix"
export WINEDEBUG=-all
mkdir -p "$BUILD_DIR"
# The build runs the test programs under Wine to list their cases: the prefix
# is created first, and a Wine that cannot start programs stops here.
if ! answer=$(timeout 180 wine cmd /c echo ok 2>"$BUILD_DIR/wine-check.log") || [[ "$answer" != ok* ]]; then
  echo "Wine cannot start programs on this machine (\"wine cmd /c echo ok\" failed in $WINEPREFIX);" \
       "the Windows build was NOT tested." >&2
  tail -n 5 "$BUILD_DIR/wine-check.log" >&2 || true
  exit 1
fi

# A build configured against another prefix (an older archive) starts afresh.
if [[ -f $BUILD_DIR/CMakeCache.txt ]] &&
   ! grep -qF "QEL_WINDOWS_DEPS_USED:INTERNAL=$QEL_WINDOWS_DEPS" "$BUILD_DIR/CMakeCache.txt"; then
  rm -rf "$BUILD_DIR/CMakeCache.txt" "$BUILD_DIR/CMakeFiles"
fi
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$QEL_WINDOWS_DEPS/lib/cmake/Qt6/qt.toolchain.cmake" \
  -DQT_CHAINLOAD_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" \
  -DQEL_WINDOWS_DEPS_USED:INTERNAL="$QEL_WINDOWS_DEPS" >/dev/null
cmake --build "$BUILD_DIR" -j2
