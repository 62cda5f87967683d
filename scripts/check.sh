#!/usr/bin/env bash
# The project's whole check: every build and every test, stopping at the first failure.
# Installs what it needs (Debian packages) when it is missing. Builds go under build/check/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
. scripts/packages.sh

need_packages cmake ninja-build g++ clang libc6-dev pkg-config libgtest-dev googletest \
  libbenchmark-dev binutils

out=$root/build/check
mkdir -p "$out"
started=$SECONDS

leg() { echo; echo "== $1 ($((SECONDS - started)) s)"; }

# configure_build_test NAME [cmake arguments...]: a fresh build of everything, then all its tests.
configure_build_test() {
  local name=$1; shift
  cmake -S "$root" -B "$out/$name" -G Ninja "$@" >"$out/$name.configure.log" ||
    { cat "$out/$name.configure.log"; return 1; }
  cmake --build "$out/$name"
  ctest --test-dir "$out/$name" --output-on-failure
}

leg "gcc"
configure_build_test gcc -DCMAKE_CXX_COMPILER=g++ -DCMAKE_BUILD_TYPE=RelWithDebInfo

leg "clang"
configure_build_test clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug

leg "AddressSanitizer + UndefinedBehaviorSanitizer (LeakSanitizer on)"
# allocator_may_return_null: an impossible malloc answers null, as it does without the sanitizer.
ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1:strict_string_checks=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
configure_build_test asan -DCMAKE_CXX_COMPILER=g++ -DCMAKE_BUILD_TYPE=Debug -DTARN_INSTALL_TEST=OFF \
  "-DCMAKE_CXX_FLAGS=-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"

leg "ThreadSanitizer"
TSAN_OPTIONS=halt_on_error=1:allocator_may_return_null=1 \
configure_build_test tsan -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug -DTARN_INSTALL_TEST=OFF \
  "-DCMAKE_CXX_FLAGS=-fsanitize=thread -O1"

leg "Windows x86-64: mingw-w64 cross build, tests under Wine"
need_packages g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64
configure_build_test windows -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo

leg "all legs passed in $((SECONDS - started)) s"
