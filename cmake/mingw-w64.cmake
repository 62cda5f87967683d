# Cross build for 64-bit Windows with Debian's mingw-w64 (POSIX threads flavour); tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(tarn_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${tarn_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${tarn_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${tarn_mingw}-windres)
set(TARN_BINUTILS_PREFIX ${tarn_mingw}- CACHE STRING "Prefix of the target's binutils (objdump, c++filt)")

set(CMAKE_FIND_ROOT_PATH /usr/${tarn_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs run under Wine, in a prefix of the build tree's own (see scripts/wine-run.sh).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
