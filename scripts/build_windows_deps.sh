#!/usr/bin/env bash
# Builds the Windows (x86_64, mingw-w64 posix threads) libraries the Windows
# build of the program needs, from Debian 12's own source packages only, into
# one relocatable prefix:
#
#   SQLite        (sqlite3 source package)        -> bin/libsqlite3-0.dll, lib/libsqlite3.dll.a
#   libjpeg-turbo (libjpeg-turbo source package)  -> bin/libjpeg-62.dll, lib/libjpeg.dll.a, lib/libjpeg.a
#   Qt 6 qtbase   (qt6-base source package)       -> Core Gui Widgets Sql Test, shared, release;
#                 plugins: platforms/qwindows, platforms/qoffscreen (and qminimal, qdirect2d),
#                 sqldrivers/qsqlite (against the SQLite above), sqldrivers/qsqlodbc (odbc32),
#                 styles/qwindowsvistastyle, imageformats/qgif, qico, qjpeg (libjpeg above)
#   the mingw runtime DLLs (libstdc++-6, libgcc_s_seh-1, libwinpthread-1) -> bin/
#   DejaVu fonts (fonts-dejavu-core) -> lib/fonts, for the offscreen platform plugin
#
# This file is the one place of the versions and options: the sources are
# exactly the versions of the installed Linux packages built from them
# (qt6-base-dev, libsqlite3-dev, libjpeg62-turbo-dev; Qt must match, as the
# target Qt is built with the native Qt's moc, rcc and uic), and the build
# options are SQLITE_CFLAGS, JPEG_OPTIONS and qt_configure_args below. What a
# complete prefix holds is said once, in scripts/lib/windows_deps.sh; the
# packages it installs are the job windows-deps of scripts/packages.txt; the
# files it builds with (the prefix's CMake toolchain, the self-test program)
# are in scripts/build_windows_deps/.
#
# It takes long: about half an hour on 2 quiet cores, over an hour on a busy
# machine (Qt is nearly all of it). The prefix is ~76 MB and relocatable; the
# work folder grows to ~2.2 GB.
# scripts/build_windows.sh finds the result in the default PREFIX by itself.
#
# Usage (on Debian 12, as root or with sudo; adds deb-src entries to apt if it has none):
#   bash scripts/build_windows_deps.sh [PREFIX [WORKDIR]]
#     PREFIX   where everything is installed (default: ~/.cache/qel23/windows-deps,
#              that is $QEL_CACHE/windows-deps)
#     WORKDIR  sources and build trees (default: PREFIX.build)
#   Environment:
#     JOBS=N            parallel compile jobs (default: nproc)
#     DEB_SRC_CACHE=DIR a folder already holding some of the source files that
#                       apt-get source would download (*.dsc, *.orig.tar.*,
#                       *.debian.tar.*); they are linked in instead of downloaded
#     STEPS="..."       run only these steps, in order (default: all of
#                       packages sources sqlite jpeg qt runtime selftest)
#     QT_RECONFIGURE=1  configure qtbase afresh even if its build tree exists
#     SELFTEST=0        skip the final Wine check
#     ARCHIVE=1         also pack the prefix as PREFIX.tar.xz with its .sha256
#                       (what QEL_WINDOWS_DEPS_TARBALL takes)
#     CLEAN_WORK=1      remove WORKDIR once the prefix is complete (scripts/test.sh,
#                       which builds the libraries where none are found, does)
#
# Each step is skipped when its output already exists, so the script can be run
# again after a failure and continues where it stopped (the Qt build is an
# incremental ninja build).
#
# Under Wine, QT_* variables of the Unix environment do not reach the program:
# use WINEQT_QPA_PLATFORM=offscreen (seen by the program as QT_QPA_PLATFORM) or
# the argument -platform offscreen.
set -euo pipefail

usage() { sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit "${1:-2}"; }
[[ ${1:-} == -h || ${1:-} == --help ]] && usage 0
(($# <= 2)) || usage

SCRIPTS=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
FILES=$SCRIPTS/build_windows_deps
source "$SCRIPTS/lib/windows_deps.sh"
PREFIX=$(realpath -m "${1:-$QEL_WINDOWS_DEPS_BUILT}")
WORK=$(realpath -m "${2:-$PREFIX.build}")
JOBS=${JOBS:-$(nproc)}
STEPS=${STEPS:-packages sources sqlite jpeg qt runtime selftest}
TRIPLE=x86_64-w64-mingw32
CC_W=$TRIPLE-gcc-posix
CXX_W=$TRIPLE-g++-posix
TOOLCHAIN=$PREFIX/toolchain-mingw-w64-x86_64.cmake
SRC=$WORK/src
BUILD=$WORK/build
export DEBIAN_FRONTEND=noninteractive
SUDO=""
[[ $(id -u) == 0 ]] || SUDO=sudo

T0=$SECONDS
say() { printf '\n==> [%s +%dm%02ds] %s\n' "$(date +%H:%M:%S)" $(((SECONDS - T0) / 60)) $(((SECONDS - T0) % 60)) "$*"; }
die() { printf '\n!!! %s\n' "$*" >&2; exit 1; }

mkdir -p "$PREFIX" "$SRC" "$BUILD"
say "This takes long: about half an hour on 2 cores, Qt is nearly all of it (run again, it continues where it stopped)."
say "prefix $PREFIX, work folder $WORK, $JOBS jobs, steps: $STEPS"

# ---------------------------------------------------------------- packages ---
step_packages() {
  bash "$SCRIPTS/install_packages.sh" windows-deps
  say "packages: all installed"
}

# ----------------------------------------------------------------- sources ---
# apt-get source needs deb-src entries; a clean Debian 12 has none.
ensure_deb_src() {
  if apt-get source --print-uris -qq sqlite3 >/dev/null 2>&1; then return; fi
  say "sources: adding deb-src entries (/etc/apt/sources.list.d/windows-deps-src.sources)"
  $SUDO install -m 0644 "$FILES/deb-src.sources" /etc/apt/sources.list.d/windows-deps-src.sources
  $SUDO apt-get update -qq
}
# fetch NAME[=VERSION] DIRGLOB: apt-get source unless a folder matching DIRGLOB exists.
fetch() {
  local spec=$1 glob=$2 d
  for d in "$SRC"/$glob; do
    [[ -d $d ]] && { say "sources: $(basename "$d") already unpacked"; return; }
  done
  say "sources: apt-get source $spec"
  if [[ -n ${DEB_SRC_CACHE:-} && -d $DEB_SRC_CACHE ]]; then
    local f
    for f in "$DEB_SRC_CACHE"/*; do
      [[ -f $f && ! -e $SRC/$(basename "$f") ]] && ln -s "$(realpath "$f")" "$SRC/"
    done
  fi
  (cd "$SRC" && apt-get source -q -o APT::Sandbox::User=root "$spec")
}
# The versions: those of the installed Linux packages built from each source.
# The target Qt must be the host Qt's version (its tools build the target's).
installed_version() { dpkg-query -W -f='${Version}' "$1"; }
# Only the sources of the parts the prefix still lacks.
step_sources() {
  local -A wanted=(
    [qt]="qt6-base=$(installed_version qt6-base-dev) qt6-base-*"
    [sqlite]="sqlite3=$(installed_version libsqlite3-dev) sqlite3-*"
    [jpeg]="libjpeg-turbo=$(installed_version libjpeg62-turbo-dev) libjpeg-turbo-*"
  )
  local part spec glob
  for part in qt sqlite jpeg; do
    if qel_windows_deps_complete "$PREFIX" "$part"; then
      say "sources: $part already in $PREFIX"
      continue
    fi
    ensure_deb_src
    read -r spec glob <<<"${wanted[$part]}"
    fetch "$spec" "$glob"
  done
}
srcdir() {  # srcdir GLOB -> the unpacked source folder
  local d
  for d in "$SRC"/$1; do [[ -d $d ]] && { echo "$d"; return; }; done
  die "no source folder $SRC/$1 (run the 'sources' step)"
}

# --------------------------------------------------------------- toolchain ---
# Lives in the prefix: Qt's generated qt.toolchain.cmake loads it again when
# the project is built, and it puts the prefix itself on CMake's search roots.
# The compilers and search modes are the project's own cmake/mingw-w64.cmake,
# copied beside it. Files left as they are keep the Qt build tree up to date.
write_toolchain() {
  cmp -s "$SCRIPTS/../cmake/mingw-w64.cmake" "$PREFIX/mingw-w64.cmake" ||
    install -m 0644 "$SCRIPTS/../cmake/mingw-w64.cmake" "$PREFIX/mingw-w64.cmake"
  cmp -s "$FILES/toolchain-mingw-w64-x86_64.cmake" "$TOOLCHAIN" ||
    install -m 0644 "$FILES/toolchain-mingw-w64-x86_64.cmake" "$TOOLCHAIN"
}

# ------------------------------------------------------------------ sqlite ---
# Debian's compile options for libsqlite3 (debian/rules of the sqlite3 package).
SQLITE_CFLAGS=(
  -O2 -fno-strict-aliasing
  -DSQLITE_SECURE_DELETE -DSQLITE_ENABLE_COLUMN_METADATA
  -DSQLITE_ENABLE_FTS3 -DSQLITE_ENABLE_FTS3_PARENTHESIS
  -DSQLITE_ENABLE_RTREE=1 -DSQLITE_SOUNDEX=1
  -DSQLITE_ENABLE_UNLOCK_NOTIFY
  -DSQLITE_OMIT_LOOKASIDE=1 -DSQLITE_ENABLE_DBSTAT_VTAB
  -DSQLITE_ALLOW_ROWID_IN_VIEW
  -DSQLITE_ENABLE_UPDATE_DELETE_LIMIT=1
  -DSQLITE_ENABLE_LOAD_EXTENSION
  -DSQLITE_ENABLE_JSON1
  -DSQLITE_LIKE_DOESNT_MATCH_BLOBS
  -DSQLITE_THREADSAFE=1
  -DSQLITE_ENABLE_FTS3_TOKENIZER=1
  -DSQLITE_USE_URI=1
  -DSQLITE_MAX_SCHEMA_RETRY=25
  -DSQLITE_ENABLE_PREUPDATE_HOOK
  -DSQLITE_ENABLE_SESSION
  -DSQLITE_ENABLE_STMTVTAB
  -DSQLITE_MAX_VARIABLE_NUMBER=250000
)
step_sqlite() {
  if qel_windows_deps_complete "$PREFIX" sqlite; then
    say "sqlite: already in $PREFIX"; return
  fi
  local src b version
  src=$(srcdir 'sqlite3-*')
  b=$BUILD/sqlite
  mkdir -p "$b/gen"
  say "sqlite: generating the amalgamation (native configure + make sqlite3.c shell.c)"
  if [[ ! -f $b/gen/sqlite3.c || ! -f $b/gen/shell.c ]]; then
    (cd "$b/gen" && "$src/configure" --quiet --disable-tcl >/dev/null && make -s sqlite3.c shell.c)
  fi
  version=$(tr -d '\n' <"$src/VERSION")
  say "sqlite: cross-compiling SQLite $version (DLL, import library, sqlite3.exe shell)"
  (
    cd "$b"
    $CC_W "${SQLITE_CFLAGS[@]}" -I gen -c gen/sqlite3.c -o sqlite3.o
    $CC_W -shared -s -o libsqlite3-0.dll sqlite3.o -static-libgcc \
      -Wl,--out-implib,libsqlite3.dll.a -Wl,--major-image-version,0
    $CC_W -O2 -s -DSQLITE_THREADSAFE=1 -I gen gen/shell.c -o sqlite3.exe -L. -lsqlite3 -static-libgcc
  )
  install -d "$PREFIX/bin" "$PREFIX/lib/pkgconfig" "$PREFIX/include"
  install -m 0644 "$b/gen/sqlite3.h" "$src/src/sqlite3ext.h" "$PREFIX/include/"
  install -m 0644 "$b/libsqlite3.dll.a" "$PREFIX/lib/"
  install -m 0755 "$b/libsqlite3-0.dll" "$b/sqlite3.exe" "$PREFIX/bin/"
  cat >"$PREFIX/lib/pkgconfig/sqlite3.pc" <<EOF
prefix=\${pcfiledir}/../..
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: SQLite
Description: SQL database engine (Debian sqlite3 source, mingw-w64 build)
Version: $version
Libs: -L\${libdir} -lsqlite3
Cflags: -I\${includedir}
EOF
  say "sqlite: done"
}

# -------------------------------------------------------------------- jpeg ---
JPEG_OPTIONS=(
  -DCMAKE_BUILD_TYPE=Release
  -DENABLE_SHARED=ON -DENABLE_STATIC=ON
  -DWITH_TURBOJPEG=OFF -DWITH_JPEG8=OFF
  -DWITH_SIMD=ON -DREQUIRE_SIMD=ON -DCMAKE_ASM_NASM_COMPILER=nasm
)
step_jpeg() {
  if qel_windows_deps_complete "$PREFIX" jpeg; then
    say "jpeg: already in $PREFIX"; return
  fi
  local src b=$BUILD/libjpeg-turbo
  src=$(srcdir 'libjpeg-turbo-*')
  write_toolchain
  say "jpeg: configuring libjpeg-turbo (libjpeg 6.2 API, as Debian's libjpeg62-turbo)"
  cmake -S "$src" -B "$b" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
    -DCMAKE_INSTALL_PREFIX="$PREFIX" \
    "${JPEG_OPTIONS[@]}"
  say "jpeg: building"
  cmake --build "$b" -j "$JOBS"
  cmake --install "$b" --strip
  rm -rf "$PREFIX/share/doc/libjpeg-turbo" "$PREFIX/share/man"
  say "jpeg: done"
}

# ---------------------------------------------------------------------- qt ---
qt_configure_args() {
  local args=(
    -G Ninja
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN"
    -DCMAKE_INSTALL_PREFIX="$PREFIX"
    -DCMAKE_BUILD_TYPE=Release
    -DBUILD_SHARED_LIBS=ON
    # Host tools from Debian's native Qt 6.4.2
    -DQT_HOST_PATH=/usr
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    -DQT_QMAKE_TARGET_MKSPEC=win32-g++
    -DQT_QMAKE_DEVICE_OPTIONS=CROSS_COMPILE=$TRIPLE-
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
    -DFEATURE_pkg_config=OFF                      # never pick up the build machine's libraries
    # Modules: Core Gui Widgets Sql Test only
    -DFEATURE_gui=ON -DFEATURE_widgets=ON -DFEATURE_sql=ON -DFEATURE_testlib=ON
    -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_xml=OFF
    -DFEATURE_concurrent=OFF -DFEATURE_printsupport=OFF
    -DINPUT_opengl=no -DFEATURE_opengl=OFF -DFEATURE_vulkan=OFF
    # Keep Qt's default "direct2d" on (it also builds the extra direct2d platform
    # plugin): Qt 6.4 compiles QtGui's DirectWrite font database only with it, but
    # the windows plugin uses that class whenever directwrite3 is on, so turning
    # direct2d off fails to link qwindows.dll.
    # Debian's tarball drops src/3rdparty/wintab (licence): no Wacom tablet support
    -DFEATURE_tabletevent=OFF
    -DFEATURE_androiddeployqt=OFF                 # Debian's cross.patch would turn it on
    -DFEATURE_zstd=OFF -DFEATURE_icu=OFF -DFEATURE_glib=OFF
    # Bundled copies for what mingw has no library of
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF
    -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF
    -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_libb2=OFF -DFEATURE_system_textmarkdownreader=OFF
    # JPEG image plugin against the libjpeg-turbo above
    -DFEATURE_jpeg=ON -DFEATURE_system_jpeg=ON
    -DJPEG_INCLUDE_DIR="$PREFIX/include" -DJPEG_LIBRARY="$PREFIX/lib/libjpeg.dll.a"
    # SQL drivers: SQLite (the DLL above) and ODBC (mingw's odbc32) only
    -DFEATURE_sql_sqlite=ON -DFEATURE_system_sqlite=ON
    -DSQLite3_INCLUDE_DIR="$PREFIX/include" -DSQLite3_LIBRARY="$PREFIX/lib/libsqlite3.dll.a"
    -DFEATURE_sql_odbc=ON
    -DFEATURE_sql_psql=OFF -DFEATURE_sql_mysql=OFF -DFEATURE_sql_oci=OFF
    -DFEATURE_sql_db2=OFF -DFEATURE_sql_ibase=OFF
  )
  printf '%s\n' "${args[@]}"
}
# Qt's qt.toolchain.cmake loads the toolchain file Qt was configured with by
# its absolute path; make that path relative to the prefix, so that the prefix
# still works when moved or unpacked elsewhere.
relocate_qt_toolchain() {
  local f=$PREFIX/lib/cmake/Qt6/qt.toolchain.cmake
  [[ -f $f ]] || return 0
  sed -i 's|^set(__qt_initially_configured_toolchain_file ".*/toolchain-mingw-w64-x86_64.cmake")$|set(__qt_initially_configured_toolchain_file "${CMAKE_CURRENT_LIST_DIR}/../../../toolchain-mingw-w64-x86_64.cmake")|' "$f"
  grep -q 'CMAKE_CURRENT_LIST_DIR}/../../../toolchain-mingw-w64-x86_64.cmake' "$f" ||
    die "qt: could not make $f relocatable"
}
step_qt() {
  if qel_windows_deps_complete "$PREFIX" qt; then
    relocate_qt_toolchain
    say "qt: already in $PREFIX"; return
  fi
  qel_windows_deps_complete "$PREFIX" sqlite || die "qt: SQLite must be built first (step sqlite)"
  qel_windows_deps_complete "$PREFIX" jpeg || die "qt: libjpeg must be built first (step jpeg)"
  local src b=$BUILD/qtbase host_version src_version
  src=$(srcdir 'qt6-base-*')
  host_version=$(/usr/lib/qt6/bin/qtpaths6 --qt-query QT_VERSION 2>/dev/null || qtpaths6 --qt-query QT_VERSION)
  src_version=$(sed -n 's/^set(QT_REPO_MODULE_VERSION "\(.*\)")/\1/p' "$src/.cmake.conf")
  [[ $host_version == "$src_version" ]] ||
    die "qt: host Qt is $host_version but the qtbase source is $src_version; they must match"
  write_toolchain
  if [[ ! -f $b/build.ninja || ${QT_RECONFIGURE:-0} == 1 ]]; then
    local args
    rm -f "$b/CMakeCache.txt"   # a fresh configure (the object files are kept)
    mapfile -t args < <(qt_configure_args)
    say "qt: configuring qtbase $src_version for win32-g++ with:"
    printf '      %s\n' "${args[@]}"
    cmake -S "$src" -B "$b" "${args[@]}"
  fi
  say "qt: building qtbase ($JOBS jobs; this is the long part)"
  cmake --build "$b" --parallel "$JOBS"
  say "qt: installing into $PREFIX"
  cmake --install "$b" --strip >"$b/install.log"
  relocate_qt_toolchain
  say "qt: done"
}

# ----------------------------------------------------------------- runtime ---
step_runtime() {
  local dll path
  install -d "$PREFIX/bin"
  for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
    [[ -f $PREFIX/bin/$dll ]] && continue
    path=$($CXX_W -print-file-name="$dll")
    [[ -f $path ]] || die "runtime: $dll not found by $CXX_W"
    install -m 0755 "$(realpath "$path")" "$PREFIX/bin/$dll"
    $TRIPLE-strip --strip-unneeded "$PREFIX/bin/$dll"   # Debian's carry debug info (24 MB)
  done
  say "runtime: mingw runtime DLLs in $PREFIX/bin"
  # On Windows the offscreen platform plugin reads fonts from Qt's library
  # folder (PREFIX/lib/fonts) or QT_QPA_FONTDIR, not from the system.
  install -d "$PREFIX/lib/fonts"
  cp -u /usr/share/fonts/truetype/dejavu/DejaVu{Sans,Sans-Bold,SansMono,SansMono-Bold,Serif,Serif-Bold}.ttf "$PREFIX/lib/fonts/"
  say "runtime: DejaVu fonts in $PREFIX/lib/fonts (for the offscreen platform plugin)"
}

# ---------------------------------------------------------------- selftest ---
# A tiny Widgets + Sql program (build_windows_deps/selftest), built against the
# prefix and run under Wine with the offscreen platform plugin.
step_selftest() {
  [[ ${SELFTEST:-1} == 0 ]] && { say "selftest: skipped (SELFTEST=0)"; return; }
  local t=$BUILD/selftest app=$BUILD/selftest/app
  rm -rf "$t/build"; mkdir -p "$t"
  say "selftest: building a Widgets + Sql program against $PREFIX"
  cmake -S "$FILES/selftest" -B "$t/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$PREFIX/lib/cmake/Qt6/qt.toolchain.cmake" >"$t/configure.log"
  cmake --build "$t/build"
  rm -rf "$app"; mkdir -p "$app/platforms" "$app/sqldrivers"
  cp "$t/build/selftest.exe" "$PREFIX"/bin/Qt6{Core,Gui,Widgets,Sql}.dll "$PREFIX"/bin/lib{sqlite3-0,jpeg-62,stdc++-6,gcc_s_seh-1,winpthread-1}.dll "$app/"
  cp "$PREFIX"/plugins/platforms/q{windows,offscreen}.dll "$app/platforms/"
  cp "$PREFIX"/plugins/sqldrivers/q{sqlite,sqlodbc}.dll "$app/sqldrivers/"
  # Wine does not pass QT_* (nor VK_*) variables of the Unix environment on to
  # Windows programs; WINEQT_QPA_PLATFORM reaches them as QT_QPA_PLATFORM.
  say "selftest: running it under Wine, deployed (WINEQT_QPA_PLATFORM=offscreen)"
  export WINEPREFIX=$t/wineprefix WINEDEBUG=-all
  local out
  out=$(cd "$app" && WINEQT_QPA_PLATFORM=offscreen timeout 300 wine ./selftest.exe 2>"$t/wine.err") ||
    { cat "$t/wine.err" >&2; die "selftest: the program failed under Wine"; }
  printf '%s\n' "$out"
  [[ $out == *"row: Привет, мир"* && $out == *"drivers: QSQLITE, QODBC"* && $out == *"platform: offscreen"* ]] ||
    die "selftest: unexpected output"
  say "selftest: running it under Wine from the prefix (WINEPATH=$PREFIX/bin, -platform offscreen)"
  out=$(cd "$t/build" && WINEPATH="$PREFIX/bin" timeout 300 wine ./selftest.exe -platform offscreen 2>"$t/wine.err") ||
    { cat "$t/wine.err" >&2; die "selftest: the program failed under Wine"; }
  wineserver -k 2>/dev/null || true
  printf '%s\n' "$out"
  [[ $out == *"row: Привет, мир"* && $out == *"platform: offscreen"* && $out != *"font families 0"* ]] ||
    die "selftest: unexpected output (no fonts in $PREFIX/lib/fonts?)"
  say "selftest: passed"
}

for s in $STEPS; do
  declare -F "step_$s" >/dev/null || die "unknown step $s"
  "step_$s"
done
missing=$(qel_windows_deps_missing "$PREFIX")
if [[ -n $missing ]]; then
  say "steps done: $STEPS; the prefix is not complete yet, it lacks:"
  printf '      %s\n' $missing
  [[ ${ARCHIVE:-0} == 1 ]] && die "archive: not made of an incomplete prefix"
  exit 0
fi
if [[ ${ARCHIVE:-0} == 1 ]]; then
  say "archive: $PREFIX.tar.xz"
  tar -C "$PREFIX" -cJf "$PREFIX.tar.xz" .
  (cd "$(dirname "$PREFIX")" && sha256sum "$(basename "$PREFIX").tar.xz" >"$(basename "$PREFIX").tar.xz.sha256")
fi
if [[ ${CLEAN_WORK:-0} == 1 ]]; then
  say "removing the work folder $WORK"
  rm -rf "$WORK"
fi
say "all done: $PREFIX ($(du -sh "$PREFIX" | cut -f1))"
