#!/usr/bin/env bash
# Cross-builds the Qt-free core and its tests for 64-bit Windows (mingw-w64)
# into build-win/ and runs them under Wine through CTest; exits non-zero on any
# failure, and when Wine cannot run programs on this machine at all.
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(cmake ninja-build g++-mingw-w64-x86-64-posix wine libgtest-dev)
bash scripts/install_packages.sh "${PACKAGES[@]}"

# A Wine prefix of the build's own (the toolchain file points the test runs at
# the same one), created here before the build runs any test program in it.
BUILD_DIR=build-win
export WINEPREFIX="$PWD/$BUILD_DIR/wineprefix"
export WINEDEBUG=-all
mkdir -p "$BUILD_DIR"
if ! answer=$(timeout 180 wine cmd /c echo ok 2>"$BUILD_DIR/wine-check.log") || [[ "$answer" != ok* ]]; then
  echo "Windows tests: Wine cannot start programs on this machine (\"wine cmd /c echo ok\" failed" \
       "in $WINEPREFIX); the Windows build of the core was NOT tested." >&2
  tail -n 5 "$BUILD_DIR/wine-check.log" >&2 || true
  exit 1
fi

status=0
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
  -DQEL_CORE_ONLY=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" -j2 &&
  ctest --test-dir "$BUILD_DIR" --output-on-failure -j2 || status=$?
# Programs the tests left behind in this prefix end with its server.
wineserver -k 2>/dev/null || true
if ((status)); then
  echo "Windows tests under Wine FAILED" >&2
fi
exit "$status"
