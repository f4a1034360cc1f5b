# CMake toolchain of a prefix of Windows libraries made by
# scripts/build_windows_deps.sh, which copies it and the project's
# mingw-w64.cmake into the prefix: 64-bit Windows with Debian's mingw-w64
# (posix threads), finding libraries in this prefix and in the mingw-w64
# sysroot only. The prefix's Qt loads it from its qt.toolchain.cmake.
include("${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake")
list(APPEND CMAKE_FIND_ROOT_PATH "${CMAKE_CURRENT_LIST_DIR}")
list(REMOVE_DUPLICATES CMAKE_FIND_ROOT_PATH)
