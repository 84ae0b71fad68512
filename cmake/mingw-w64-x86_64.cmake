# Cross-builds for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64-posix: the
# posix thread model, which std::thread and std::mutex need). Used by the "windows" preset.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(kx_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${kx_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${kx_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${kx_mingw}-windres)

# Libraries and packages from the mingw sysroot only: the build machine's headers and
# libraries (all of /usr/include) must never reach the cross compiler.
set(CMAKE_FIND_ROOT_PATH /usr/${kx_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C++ runtime, winpthreads and libgcc go into each .exe, so that it runs on a bare
# Windows without the mingw DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests and other programs the build runs are started through Wine (tools/wine-run.sh).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run.sh)
