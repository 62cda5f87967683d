#!/usr/bin/env bash
# The C test as a program of the MSVC ABI, made without MSVC: clang for x86_64-pc-windows-msvc
# with no C runtime, linked by lld-link against tarn.lib and a kernel32.lib made from a short
# .def, run under Wine beside libtarn.dll. Its exit status is the number of failed checks.
#   msvc_abi.sh INCLUDE_DIR BIN_DIR TARN_LIB      (BIN_DIR holds libtarn.dll)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
include=$1 bin=$2 tarn_lib=$3
work=$bin/msvc-abi
mkdir -p "$work"
printf 'LIBRARY kernel32.dll\nEXPORTS\nGetStdHandle\nWriteFile\nExitProcess\n' >"$work/kernel32.def"
llvm-dlltool -m i386:x86-64 -d "$work/kernel32.def" -l "$work/kernel32.lib"
clang --target=x86_64-pc-windows-msvc -ffreestanding -nostdlib -std=c99 -Wall -Wextra -Werror \
  -O1 -DTARN_TEST_FREESTANDING -I"$include" -c "$here/c_test.c" -o "$work/c_test.obj"
lld-link /nologo /nodefaultlib /entry:start /subsystem:console "$work/c_test.obj" "$tarn_lib" \
  "$work/kernel32.lib" /out:"$bin/tarn_c_msvc.exe"
exec "$here/../scripts/wine-run.sh" "$bin/tarn_c_msvc.exe"
