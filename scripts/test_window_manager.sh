#!/usr/bin/env bash
# The windows on a real desktop: an Xvfb screen of 1366 x 768 with openbox, a
# window manager that frames windows (title bar, borders) after they are
# mapped, and the window tests that need one on the xcb platform: the main
# window and the report preview inside the screen with their frames, a box's
# standard buttons in Russian, the focus back where it was after a box. The
# rest of the window tests runs headless. About a minute; part of
# scripts/test.sh, after the Linux build.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install_packages.sh build

work=$(mktemp -d /tmp/qel23-wm.XXXXXX)
xvfb_pid="" wm_pid=""
cleanup() {
  [[ -n $wm_pid ]] && kill "$wm_pid" 2>/dev/null || true
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display and writes its number (other Xvfb servers may run).
Xvfb -displayfd 3 -screen 0 1366x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [[ -s $work/display ]] && break; sleep 0.1; done
[[ -s $work/display ]] || { echo "FAILED: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(head -n 1 "$work/display")
openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm_pid=$!
# openbox has taken the screen when it has set the window manager's check
# window (up to half a minute on a busy machine).
for _ in $(seq 300); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done
xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' ||
  { echo "FAILED: openbox did not start" >&2; cat "$work/openbox.log" >&2; exit 1; }

export QT_QPA_PLATFORM=xcb
failed=0
# Only the cases written for a window manager; headless they skip.
for suite in build/bin/app_tests build/bin/ui_tests; do
  "$suite" --gtest_filter='*UnderAWindowManager*' --gtest_brief=1 || failed=1
done
exit "$failed"
