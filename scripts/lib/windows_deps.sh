# Sourced by the Windows build scripts: what a prefix of the Windows libraries
# (Qt 6 for win32-g++, SQLite, libjpeg-turbo, the mingw runtime DLLs) holds,
# where scripts/build_windows_deps.sh makes one, and qel_find_windows_deps,
# which sets QEL_WINDOWS_DEPS to a complete prefix or explains how to get one
# and fails (qel_ensure_windows_deps builds one instead).
#
# qel_find_windows_deps looks, in order, at:
#   1. QEL_WINDOWS_DEPS already set: a prefix made by build_windows_deps.sh.
#   2. The archive QEL_WINDOWS_DEPS_TARBALL, by default shared/windows-deps.tar.xz
#      beside the repository (for a git worktree, beside its main repository;
#      for a clone of a local repository, beside that one), unpacked once into
#      the cache folder $QEL_CACHE/windows-deps-<sha256> and reused while the
#      archive is the same. A windows-deps.tar.xz.sha256 beside it must match.
#   3. The prefix build_windows_deps.sh makes by default ($QEL_CACHE/windows-deps).
#   4. An archive's prefix unpacked into the cache before ($QEL_CACHE/windows-deps-*).
# QEL_CACHE defaults to ${XDG_CACHE_HOME:-~/.cache}/qel23.

qel_repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
QEL_CACHE=${QEL_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/qel23}
QEL_WINDOWS_DEPS_BUILT=$QEL_CACHE/windows-deps

# The files of each part of a prefix that the build links against or the
# programs and the package load; build_windows_deps.sh makes each part in a
# step of that name. A prefix is complete when it holds every part.
declare -gA QEL_WINDOWS_DEPS_PARTS=(
  [sqlite]="bin/libsqlite3-0.dll lib/libsqlite3.dll.a include/sqlite3.h"
  [jpeg]="bin/libjpeg-62.dll lib/libjpeg.dll.a include/jpeglib.h"
  [qt]="lib/cmake/Qt6/qt.toolchain.cmake
        bin/Qt6Core.dll bin/Qt6Gui.dll bin/Qt6Widgets.dll bin/Qt6Sql.dll bin/Qt6Test.dll
        plugins/platforms/qwindows.dll plugins/platforms/qoffscreen.dll
        plugins/sqldrivers/qsqlite.dll plugins/sqldrivers/qsqlodbc.dll
        plugins/styles/qwindowsvistastyle.dll"
  [runtime]="bin/libstdc++-6.dll bin/libgcc_s_seh-1.dll bin/libwinpthread-1.dll
             lib/fonts/DejaVuSans.ttf"
)

# qel_windows_deps_missing PREFIX [PART...]: prints the files of these parts
# (of every part without any) that PREFIX lacks, one a line.
qel_windows_deps_missing() {
  local prefix=$1 part file
  shift
  (($#)) || set -- "${!QEL_WINDOWS_DEPS_PARTS[@]}"
  for part; do
    [[ -v QEL_WINDOWS_DEPS_PARTS[$part] ]] || { echo "unknown part of the Windows libraries: $part" >&2; return 2; }
    for file in ${QEL_WINDOWS_DEPS_PARTS[$part]}; do
      [[ -f $prefix/$file ]] || echo "$file"
    done
  done
}

# qel_windows_deps_complete PREFIX [PART...]: whether PREFIX holds every file
# of these parts (of every part without any).
qel_windows_deps_complete() {
  local missing
  missing=$(qel_windows_deps_missing "$@") && [[ -z $missing ]]
}

# The archives a shared/ folder may hold beside the repository DIR, beside the
# main repository of a worktree, and beside a local repository it was cloned
# from (followed up to three clones deep).
qel_deps_candidates() {
  local dir=$1 depth=${2:-0} common origin
  echo "$dir/../shared/windows-deps.tar.xz"
  common=$(git -C "$dir" rev-parse --path-format=absolute --git-common-dir 2>/dev/null) &&
    echo "$common/../../shared/windows-deps.tar.xz"
  origin=$(git -C "$dir" remote get-url origin 2>/dev/null) || return 0
  origin=${origin#file://}
  if [[ $origin == /* && -d $origin && $(realpath "$origin") != "$(realpath "$dir")" && $depth -lt 3 ]]; then
    qel_deps_candidates "$origin" $((depth + 1))
  fi
}

# Sets QEL_WINDOWS_DEPS_TARBALL, unless given, to the first archive found
# beside this repository (or to where it would be, for the messages).
qel_choose_windows_deps_tarball() {
  [[ -z ${QEL_WINDOWS_DEPS_TARBALL:-} ]] || return 0
  local candidate
  QEL_WINDOWS_DEPS_TARBALL=$qel_repo/../shared/windows-deps.tar.xz
  while read -r candidate; do
    if [[ -f $candidate ]]; then QEL_WINDOWS_DEPS_TARBALL=$(realpath "$candidate"); break; fi
  done < <(qel_deps_candidates "$qel_repo")
}

# qel_unpack_windows_deps: unpacks QEL_WINDOWS_DEPS_TARBALL into the cache,
# unless done before, and sets QEL_WINDOWS_DEPS to it.
qel_unpack_windows_deps() {
  local tarball sum expected target work
  tarball=$(realpath "$QEL_WINDOWS_DEPS_TARBALL")
  sum=$(sha256sum "$tarball" | cut -d' ' -f1)
  if [[ -f $tarball.sha256 ]]; then
    expected=$(cut -d' ' -f1 "$tarball.sha256")
    if [[ $sum != "$expected" ]]; then
      echo "$tarball does not match its checksum ($tarball.sha256): not used." >&2
      return 1
    fi
  fi
  target=$QEL_CACHE/windows-deps-$sum
  if ! qel_windows_deps_complete "$target"; then
    echo "Unpacking the Windows libraries from $tarball into $target"
    mkdir -p "$QEL_CACHE"
    work=$(mktemp -d "$QEL_CACHE/.unpack.XXXXXX")
    if ! tar -xJf "$tarball" -C "$work" || ! qel_windows_deps_complete "$work"; then
      rm -rf "$work"
      echo "$tarball is not a complete archive of the Windows libraries." >&2
      return 1
    fi
    rm -rf "$target"
    mv "$work" "$target"
  fi
  QEL_WINDOWS_DEPS=$target
}

# qel_locate_windows_deps: sets QEL_WINDOWS_DEPS as qel_find_windows_deps
# does; fails quietly when nothing is found, loudly when QEL_WINDOWS_DEPS or
# the archive is given but unusable.
qel_locate_windows_deps() {
  if [[ -n ${QEL_WINDOWS_DEPS:-} ]]; then
    qel_windows_deps_complete "$QEL_WINDOWS_DEPS" && return 0
    echo "QEL_WINDOWS_DEPS=$QEL_WINDOWS_DEPS is not a complete prefix of the Windows libraries; it lacks:" >&2
    qel_windows_deps_missing "$QEL_WINDOWS_DEPS" | sed 's/^/  /' >&2
    return 2
  fi
  qel_choose_windows_deps_tarball
  if [[ -f $QEL_WINDOWS_DEPS_TARBALL ]]; then
    qel_unpack_windows_deps || return 2
    return 0
  fi
  if qel_windows_deps_complete "$QEL_WINDOWS_DEPS_BUILT"; then
    QEL_WINDOWS_DEPS=$QEL_WINDOWS_DEPS_BUILT
    return 0
  fi
  # An archive unpacked here before, by a clone that could see it.
  local unpacked
  for unpacked in "$QEL_CACHE"/windows-deps-*; do
    if qel_windows_deps_complete "$unpacked"; then
      echo "Using the Windows libraries unpacked before in $unpacked"
      QEL_WINDOWS_DEPS=$unpacked
      return 0
    fi
  done
  return 1
}

qel_find_windows_deps() {
  local found=0
  qel_locate_windows_deps || found=$?
  ((found == 1)) || return "$found"
  cat >&2 <<MSG
The Windows build needs Qt 6, SQLite and libjpeg built for Windows, and none were found
(no archive $QEL_WINDOWS_DEPS_TARBALL,
no prefix $QEL_WINDOWS_DEPS_BUILT).
Build them once from Debian's source packages (about half an hour on 2 cores) with:

    bash scripts/build_windows_deps.sh

(scripts/test.sh does this by itself), or set QEL_WINDOWS_DEPS_TARBALL to a
windows-deps.tar.xz, or QEL_WINDOWS_DEPS to a prefix.
MSG
  return 1
}

# qel_ensure_windows_deps: as qel_find_windows_deps, but where nothing is
# found it builds the libraries into $QEL_WINDOWS_DEPS_BUILT with
# scripts/build_windows_deps.sh (its work folder removed afterwards), once:
# later runs find that prefix.
qel_ensure_windows_deps() {
  local found=0
  qel_locate_windows_deps || found=$?
  ((found == 1)) || return "$found"
  cat <<MSG
==> The Windows libraries (Qt 6, SQLite, libjpeg for Windows) were not found
    (no archive $QEL_WINDOWS_DEPS_TARBALL, no prefix $QEL_WINDOWS_DEPS_BUILT).
    Building them now from Debian's source packages into $QEL_WINDOWS_DEPS_BUILT.
    This happens once and takes about half an hour on 2 cores (longer on a busy
    machine; it needs the network for apt-get source); later runs reuse the prefix.
    Stopped, it continues where it stopped on the next run.
MSG
  CLEAN_WORK=1 bash "$qel_repo/scripts/build_windows_deps.sh" "$QEL_WINDOWS_DEPS_BUILT" || return 1
  qel_windows_deps_complete "$QEL_WINDOWS_DEPS_BUILT" || {
    echo "scripts/build_windows_deps.sh ended without a complete prefix in $QEL_WINDOWS_DEPS_BUILT" >&2
    return 1
  }
  QEL_WINDOWS_DEPS=$QEL_WINDOWS_DEPS_BUILT
}
