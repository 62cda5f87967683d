# Cross build for Linux on another processor with Debian's cross toolchain, named by its GNU triple:
#   -DCMAKE_TOOLCHAIN_FILE=cmake/linux-cross.cmake -DTARN_CROSS_TRIPLE=arm-linux-gnueabihf
# (aarch64-linux-gnu, arm-linux-gnueabihf, s390x-linux-gnu, ...). The compilers, the sysroot
# /usr/<triple> and the emulator that runs the tests (qemu-user with that sysroot's C and C++
# runtimes) all follow from the triple.
set(TARN_CROSS_TRIPLE "${TARN_CROSS_TRIPLE}" CACHE STRING "GNU triple of the target, e.g. arm-linux-gnueabihf")
if(NOT TARN_CROSS_TRIPLE)
  message(FATAL_ERROR "linux-cross.cmake needs -DTARN_CROSS_TRIPLE=<GNU triple>")
endif()
# try_compile reads this file again in a fresh project: hand the triple on.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TARN_CROSS_TRIPLE)

string(REGEX MATCH "^[^-]+" tarn_cpu "${TARN_CROSS_TRIPLE}")
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${tarn_cpu})

set(CMAKE_C_COMPILER ${TARN_CROSS_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${TARN_CROSS_TRIPLE}-g++)
set(TARN_BINUTILS_PREFIX ${TARN_CROSS_TRIPLE}- CACHE STRING "Prefix of the target's binutils (nm, objdump, c++filt)")

set(CMAKE_FIND_ROOT_PATH /usr/${TARN_CROSS_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# qemu names 32-bit ARM "arm" and 32-bit x86 "i386"; the others as the triple does.
if(tarn_cpu MATCHES "^arm")
  set(tarn_qemu arm)
elseif(tarn_cpu MATCHES "^i[3-6]86$")
  set(tarn_qemu i386)
else()
  set(tarn_qemu ${tarn_cpu})
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-${tarn_qemu} -L /usr/${TARN_CROSS_TRIPLE})
