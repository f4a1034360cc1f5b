#!/usr/bin/env bash
# Checks dist/QEL23-windows-x64.zip (made by scripts/package_windows.sh) as a
# Windows user would use it: unpacked into a fresh folder, "QEL 23.exe" run
# under Wine with the real windows platform on an Xvfb display, the demo user
# typed into the sign-in window with xdotool, and the main window expected.
# With --screenshot, the first year, department and teacher are then chosen
# with the keyboard and docs/windows-main.png is the screen with the main window.
# Then the self-update for real: the demo user's update flag set to 2, the new
# build served by a loopback HTTP server of the check (as WinInet's proxy, so
# the program's fixed update address reaches it), the demo user signed in, and
# "QEL 23.exe" expected replaced by the served bytes through the hidden batch
# file and started again.
# The last part of scripts/test.sh; it starts its own Xvfb (on a free display)
# and a Wine prefix of its own, and ends both.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install_packages.sh package-check
screenshot=0
[[ ${1:-} == --screenshot ]] && screenshot=1
zip_file=$PWD/dist/QEL23-windows-x64.zip
[[ -f $zip_file ]] || { echo "no $zip_file: run scripts/package_windows.sh first" >&2; exit 1; }

work=$(mktemp -d /tmp/qel23-package.XXXXXX)
export WINEPREFIX=$work/wineprefix WINEDEBUG=-all
xvfb_pid="" program_pid="" server_pid=""
cleanup() {
  [[ -n $program_pid ]] && kill "$program_pid" 2>/dev/null || true
  [[ -n $server_pid ]] && kill "$server_pid" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
unzip -q "$zip_file" -d "$work/unpacked"
# The unpacked folder holds nothing of the build: no Qt on any search path.
unset WINEPATH
[[ -s $work/unpacked/QEL23/translations/qtbase_ru.qm ]] ||
  { echo "FAILED: the package lacks translations/qtbase_ru.qm (the toolkit's Russian texts)" >&2; exit 1; }

# Xvfb picks a free display and writes its number (other Xvfb servers may run).
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [[ -s $work/display ]] && break; sleep 0.1; done
[[ -s $work/display ]] || { echo "FAILED: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(head -n 1 "$work/display")
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.2; done
wine cmd /c echo ok >/dev/null 2>&1   # the Wine prefix, before the program's clock starts

# type_demo_sign_in WINDOW: types the demo user's login and password into the
# sign-in window and presses Enter.
type_demo_sign_in() {
  sleep 2
  xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1"
  xdotool type --delay 80 "demo"
  xdotool key Tab
  xdotool type --delay 80 "demo2026"
  xdotool key Return
}

# wait_window REGEX SECONDS: the id of a visible window whose title matches.
wait_window() {
  local id
  for _ in $(seq $(($2 * 2))); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1) && [[ -n $id ]] && { echo "$id"; return 0; }
    sleep 0.5
  done
  return 1
}

(cd "$work/unpacked/QEL23" && exec wine "QEL 23.exe") >"$work/program.log" 2>&1 &
program_pid=$!
signin=$(wait_window "^Аутентификация" 120) || { echo "FAILED: no sign-in window" >&2; cat "$work/program.log" >&2; exit 1; }
echo "sign-in window shown"
type_demo_sign_in "$signin"
main=$(wait_window "^QEL 23 Научная деятельность сотрудника$" 120) ||
  { echo "FAILED: no main window after signing in as demo" >&2; cat "$work/program.log" >&2; exit 1; }
echo "main window shown: signed in as demo from the unpacked package"
if ((screenshot)); then
  sleep 3
  for _ in year department teacher; do
    xdotool key Down
    sleep 3
    xdotool key Tab
  done
  sleep 3
  scrot --overwrite "$PWD/docs/windows-main.png"
  echo "screenshot: docs/windows-main.png"
fi

# ---- the self-update ----
home=$work/unpacked/QEL23
original=$work/original.exe
cp "$home/QEL 23.exe" "$original"
# The new build: the program with bytes appended, so that the swap shows.
cp "$original" "$work/new.exe"
printf 'QEL23-UPDATE-CHECK' >>"$work/new.exe"
python3 - "$home/Data/demo.db" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute("UPDATE QEL_User SET update_flag = 2 WHERE QEL_login = 'demo'")
db.commit()
PY

# update_server MODE: a loopback HTTP server answering every GET (WinInet sends
# it the full address, as to a proxy) with the new build ("full"), with the
# first half of it under the whole length, the connection then closed ("cut"),
# or with an HTML page ("page").
update_server() {
  rm -f "$work/server.port" "$work/server.log"
  python3 - "$1" "$work/new.exe" "$work/server.port" "$work/server.log" <<'PY' &
import http.server, sys
mode, body = sys.argv[1], open(sys.argv[2], 'rb').read()
page = b'<html><body>Service temporarily unavailable</body></html>'
class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        with open(sys.argv[4], 'a') as log:
            log.write(self.path + '\n')
        sent = page if mode == 'page' else body
        self.send_response(200)
        self.send_header('Content-Type', 'text/html' if mode == 'page' else 'application/octet-stream')
        self.send_header('Content-Length', str(len(sent)))
        self.end_headers()
        self.wfile.write(sent[:len(sent) // 2] if mode == 'cut' else sent)
        self.close_connection = True
    def log_message(self, *args):
        pass
server = http.server.HTTPServer(('127.0.0.1', 0), Handler)
open(sys.argv[3], 'w').write(str(server.server_address[1]))
server.serve_forever()
PY
  server_pid=$!
  for _ in $(seq 50); do [[ -s $work/server.port ]] && break; sleep 0.1; done
  export http_proxy=http://127.0.0.1:$(cat "$work/server.port")
}

stop_program() {
  [[ -n $program_pid ]] && kill "$program_pid" 2>/dev/null || true
  program_pid=""
  [[ -n $server_pid ]] && kill "$server_pid" 2>/dev/null || true
  server_pid=""
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
}

# sign_in_for_update: starts the program, signs in as demo, waits until it ends
# (or 60 s); returns 0 when it ended by itself.
sign_in_for_update() {
  (cd "$home" && exec wine "QEL 23.exe") >"$work/program.log" 2>&1 &
  program_pid=$!
  signin=$(wait_window "^Аутентификация" 120) || { echo "FAILED: no sign-in window before the update" >&2; exit 1; }
  type_demo_sign_in "$signin"
  for _ in $(seq 120); do kill -0 "$program_pid" 2>/dev/null || { program_pid=""; return 0; }; sleep 0.5; done
  return 1
}

stop_program
update_server full
sign_in_for_update || { echo "FAILED: the program did not end for the update" >&2; exit 1; }
echo "the program downloaded $(head -n 1 "$work/server.log") and ended"
for _ in $(seq 120); do cmp -s "$home/QEL 23.exe" "$work/new.exe" && [[ ! -e $home/tempQEL ]] && break; sleep 0.5; done
cmp -s "$home/QEL 23.exe" "$work/new.exe" || { echo "FAILED: QEL 23.exe was not replaced by the download" >&2; exit 1; }
[[ ! -e $home/tempQEL ]] || { echo "FAILED: tempQEL was left behind" >&2; exit 1; }
echo "QEL 23.exe replaced by the served build, tempQEL removed"
wait_window "^Аутентификация" 120 >/dev/null || { echo "FAILED: the new program did not start" >&2; exit 1; }
echo "the new program started: its sign-in window is shown"

# A download that is not the whole program never replaces it.
failed=0
for mode in cut page; do
  stop_program
  cp "$home/QEL 23.exe" "$original"
  update_server "$mode"
  sign_in_for_update || true   # it may wait on a message for the user
  sleep 5
  if cmp -s "$home/QEL 23.exe" "$original"; then
    echo "a $mode download left QEL 23.exe as it was"
  else
    echo "FAILED: QEL 23.exe was replaced by a $mode download" >&2
    cp "$original" "$home/QEL 23.exe"
    failed=1
  fi
  rm -rf "$home/tempQEL" "$home/QEL 23.bat"
done
stop_program
exit "$failed"
