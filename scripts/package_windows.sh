#!/usr/bin/env bash
# Makes dist/QEL23-windows-x64.zip from the Windows build (scripts/build_windows.sh):
# a folder QEL23 with "QEL 23.exe", qel-settings.exe, the Qt DLLs and plugins,
# Qt's Russian texts (translations\qtbase_ru.qm),
# the mingw runtime, libjpeg and SQLite, README.txt, and Data\ with the demo
# database and its settings file, both written by the Windows tools under Wine.
# Unpacked anywhere, "QEL 23.exe" starts on the demo database.
set -euo pipefail
source "$(dirname "$0")/build_windows.sh"
bash scripts/install_packages.sh package

bin=$BUILD_DIR/bin
deps=$QEL_WINDOWS_DEPS
stage=$BUILD_DIR/package/QEL23
rm -rf "$BUILD_DIR/package"
mkdir -p "$stage/Data" "$stage/platforms" "$stage/styles" "$stage/sqldrivers" "$stage/translations" dist

install -m 0755 "$bin/QEL 23.exe" "$bin/qel-settings.exe" "$stage/"
install -m 0755 "$deps"/bin/Qt6{Core,Gui,Widgets,Sql}.dll \
  "$deps"/bin/lib{stdc++-6,gcc_s_seh-1,winpthread-1,jpeg-62,sqlite3-0}.dll "$stage/"
install -m 0755 "$deps/plugins/platforms/qwindows.dll" "$stage/platforms/"
install -m 0755 "$deps/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
install -m 0755 "$deps"/plugins/sqldrivers/q{sqlite,sqlodbc}.dll "$stage/sqldrivers/"
# The toolkit's Russian texts, which the build put beside the program.
install -m 0644 "$bin/translations/qtbase_ru.qm" "$stage/translations/"
x86_64-w64-mingw32-strip --strip-unneeded "$stage"/*.exe

# The demo database and the settings file pointing at it, made by the Windows
# builds of the tools (run from the build folder, where their DLLs are found
# through WINEPATH).
export WINEPATH="$deps/bin"
wine "$bin/qel-make-demo-db.exe" --schema sql/sqlite/schema.sql --data sql/sqlite/demo_data.sql \
  --output "$stage/Data/demo.db" >/dev/null
echo gate2026 | wine "$stage/qel-settings.exe" --server file:Data/demo.db --database QEL \
  --login qel_gate --password - --output "$stage/Data/QEL" >/dev/null
wineserver -k 2>/dev/null || true
[[ -s $stage/Data/demo.db && -s $stage/Data/QEL ]] || { echo "the demo database was not written" >&2; exit 1; }

# README.txt for Notepad: UTF-8 with a byte order mark, CRLF line ends.
{ printf '\xef\xbb\xbf'; sed 's/$/\r/' packaging/README.txt; } >"$stage/README.txt"

zip_file=$PWD/dist/QEL23-windows-x64.zip
rm -f "$zip_file"
(cd "$BUILD_DIR/package" && zip -q -r -9 "$zip_file" QEL23)
echo "$zip_file: $(du -h "$zip_file" | cut -f1)"
