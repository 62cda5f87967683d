# Cross build for Linux arm64 with Debian's aarch64-linux-gnu toolchain; tests run under qemu-user,
# which takes the target's C and C++ runtimes from the cross sysroot.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(tarn_triple aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${tarn_triple}-gcc)
set(CMAKE_CXX_COMPILER ${tarn_triple}-g++)
set(TARN_BINUTILS_PREFIX ${tarn_triple}- CACHE STRING "Prefix of the target's binutils (nm, objdump, c++filt)")

set(CMAKE_FIND_ROOT_PATH /usr/${tarn_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64 -L /usr/${tarn_triple})
