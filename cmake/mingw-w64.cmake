# Cross build for 64-bit Windows with mingw-w64 (Debian: g++-mingw-w64-x86-64-posix),
# the posix threads variant, so std::thread and std::mutex work. Loaded by the
# Windows Qt's qt.toolchain.cmake (QT_CHAINLOAD_TOOLCHAIN_FILE), which adds
# Qt's prefix (with SQLite and libjpeg) to the search roots. The Windows
# libraries themselves are built with it too: scripts/build_windows_deps.sh
# copies it into their prefix, whose own toolchain file includes it.
# The C++ runtime is linked dynamically, as the Qt DLLs are: one libstdc++-6.dll
# in the process, shipped beside the program with libgcc_s_seh-1.dll and
# libwinpthread-1.dll.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QEL_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QEL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QEL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QEL_MINGW_TRIPLE}-windres)

list(APPEND CMAKE_FIND_ROOT_PATH /usr/${QEL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
