# Sourced by the Windows build scripts: finds the Windows libraries (Qt 6 for
# win32-g++, SQLite, libjpeg-turbo, the mingw runtime DLLs) and sets
# QEL_WINDOWS_DEPS to their prefix, or explains how to get them and fails.
#
# In order:
#   1. QEL_WINDOWS_DEPS already set: a prefix made by build_windows_deps.sh.
#   2. The archive QEL_WINDOWS_DEPS_TARBALL, by default shared/windows-deps.tar.xz
#      beside the repository (for a git worktree, beside its main repository;
#      for a clone of a local repository, beside that one), unpacked once into
#      the cache folder $QEL_CACHE/windows-deps-<sha256> and reused while the
#      archive is the same. A windows-deps.tar.xz.sha256 beside it must match.
#   3. The prefix build_windows_deps.sh makes by default ($QEL_CACHE/windows-deps).
#   4. An archive's prefix unpacked into the cache before ($QEL_CACHE/windows-deps-*).
# QEL_CACHE defaults to ${XDG_CACHE_HOME:-~/.cache}/qel23.

qel_repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
QEL_CACHE=${QEL_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/qel23}

# The folders a shared/ folder with the archive may sit beside: the repository,
# the main repository of a worktree, and a local repository it was cloned from.
qel_deps_candidates() {
  local dir=$1 common origin
  echo "$dir/../shared/windows-deps.tar.xz"
  common=$(git -C "$dir" rev-parse --path-format=absolute --git-common-dir 2>/dev/null) &&
    echo "$common/../../shared/windows-deps.tar.xz"
  origin=$(git -C "$dir" remote get-url origin 2>/dev/null) || return 0
  origin=${origin#file://}
  if [[ $origin == /* && -d $origin && $(realpath "$origin") != "$(realpath "$dir")" && ${2:-0} -lt 3 ]]; then
    qel_deps_candidates "$origin" $((${2:-0} + 1))
  fi
}
if [[ -z ${QEL_WINDOWS_DEPS_TARBALL:-} ]]; then
  QEL_WINDOWS_DEPS_TARBALL=$qel_repo/../shared/windows-deps.tar.xz
  while read -r candidate; do
    if [[ -f $candidate ]]; then QEL_WINDOWS_DEPS_TARBALL=$(realpath "$candidate"); break; fi
  done < <(qel_deps_candidates "$qel_repo")
fi
QEL_WINDOWS_DEPS_BUILT=$QEL_CACHE/windows-deps

# A prefix holds what the build links against and what the programs load.
qel_windows_deps_complete() {
  local p=$1
  [[ -f $p/lib/cmake/Qt6/qt.toolchain.cmake && -f $p/bin/Qt6Widgets.dll && -f $p/bin/libstdc++-6.dll &&
     -f $p/plugins/platforms/qwindows.dll && -f $p/plugins/sqldrivers/qsqlite.dll && -d $p/lib/fonts ]]
}

qel_find_windows_deps() {
  if [[ -n ${QEL_WINDOWS_DEPS:-} ]]; then
    qel_windows_deps_complete "$QEL_WINDOWS_DEPS" && return 0
    echo "QEL_WINDOWS_DEPS=$QEL_WINDOWS_DEPS is not a complete prefix of the Windows libraries." >&2
    return 1
  fi
  if [[ -f $QEL_WINDOWS_DEPS_TARBALL ]]; then
    local tarball sum expected target
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
      local work
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
  cat >&2 <<MSG
The Windows build needs Qt 6, SQLite and libjpeg built for Windows, and none were found
(no archive $QEL_WINDOWS_DEPS_TARBALL,
no prefix $QEL_WINDOWS_DEPS_BUILT).
Build them once from Debian's source packages (about 25 minutes on 2 cores) with:

    bash scripts/build_windows_deps.sh

or set QEL_WINDOWS_DEPS_TARBALL to a windows-deps.tar.xz, or QEL_WINDOWS_DEPS to a prefix.
MSG
  return 1
}
