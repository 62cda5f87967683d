#!/usr/bin/env bash
# The project's whole check: every build and every test, stopping at the first failure.
# Installs what it needs (Debian packages) when it is missing. Builds go under build/check/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
. scripts/packages.sh

need_packages cmake ninja-build g++ clang libclang-rt-14-dev libc6-dev pkg-config libgtest-dev \
  googletest libbenchmark-dev binutils valgrind python3 runc

out=$root/build/check
mkdir -p "$out"
started=$SECONDS

leg_started=$SECONDS
# Each leg's heading says when it starts and how long the one before it took.
leg() {
  echo; echo "== $1 (at $((SECONDS - started)) s; the leg before took $((SECONDS - leg_started)) s)"
  leg_started=$SECONDS
}

# configure_build_test NAME [cmake arguments...]: a fresh build of everything with warnings as
# errors, then all its tests.
configure_build_test() {
  local name=$1; shift
  cmake -S "$root" -B "$out/$name" -G Ninja -DTARN_WERROR=ON "$@" >"$out/$name.configure.log" ||
    { cat "$out/$name.configure.log"; return 1; }
  cmake --build "$out/$name"
  ctest --test-dir "$out/$name" --output-on-failure
}

leg "gcc, with the real-cgroup tests again on a cgroup-v2 kernel under user-mode Linux"
need_packages user-mode-linux e2fsprogs
configure_build_test gcc -DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARN_BENCHMARKS=ON \
  -DTARN_INSTALL_TEST_FROM_USR=ON -DTARN_UML_TEST=ON

leg "ABI of the gcc build against the committed baseline (types and layouts)"
need_packages abigail-tools
bash scripts/check-abi.sh "$out/gcc/libtarn.so" abi/linux-x86_64.abi

leg "valgrind memcheck over the gcc build's test programs"
# The allocation-failure test replaces operator new itself: nouserintercepts leaves it in place.
memcheck() {
  valgrind -q --error-exitcode=1 --child-silent-after-fork=yes --leak-check=full --show-leak-kinds=definite,indirect \
    --errors-for-leak-kinds=definite,indirect --soname-synonyms=somalloc=nouserintercepts \
    --log-file="$out/valgrind.log" "$@" >/dev/null ||
    { cat "$out/valgrind.log"; echo "valgrind found errors in: $*"; return 1; }
  echo "clean: $*"
}
# Forked children run so slowly under valgrind that the fork test's alarm takes them for hung,
# and valgrind's own memory would count against the real memory limit's; the other legs run them.
memcheck "$out/gcc/tests/tarn_tests" --gtest_filter=-*Fork*:*UnderARealLimit*
for program in tarn_scripted_tests tarn_c_tests tarn_c_scripted_tests; do
  memcheck "$out/gcc/tests/$program"
done
memcheck "$out/gcc/examples/tarn-info"
memcheck "$out/gcc/examples/tarn-info" --env

leg "clang"
configure_build_test clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DCMAKE_BUILD_TYPE=Debug

leg "clang with libc++ (the C++ library of macOS, FreeBSD and Android), GoogleTest built alike"
need_packages libc++-dev libc++abi-dev
configure_build_test libcxx -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS=-stdlib=libc++ -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON
"$out/libcxx/examples/tarn-info" >/dev/null

leg "AddressSanitizer + UndefinedBehaviorSanitizer (LeakSanitizer on)"
# allocator_may_return_null: an impossible malloc answers null, as it does without the sanitizer.
ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1:strict_string_checks=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
asan_flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
configure_build_test asan -DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc -DCMAKE_BUILD_TYPE=Debug \
  -DTARN_INSTALL_TEST=OFF "-DCMAKE_CXX_FLAGS=$asan_flags" "-DCMAKE_C_FLAGS=$asan_flags"

leg "ThreadSanitizer (the concurrency test at 400 rounds a thread)"
TSAN_OPTIONS=halt_on_error=1:allocator_may_return_null=1 \
configure_build_test tsan -DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc -DCMAKE_BUILD_TYPE=Debug \
  -DTARN_INSTALL_TEST=OFF -DTARN_CONCURRENCY_ROUNDS=400 "-DCMAKE_CXX_FLAGS=-fsanitize=thread -O1" \
  "-DCMAKE_C_FLAGS=-fsanitize=thread -O1"

leg "libFuzzer: every reader of host text from its corpus, 18 s each, two at a time"
bash scripts/fuzz.sh

leg "Windows x86-64: mingw-w64 cross build, tests under Wine"
need_packages g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 locales clang lld llvm
# Wine takes its ANSI code page from the locale; the tests run once under 932 (Japanese).
locale -a | grep -qx 'ja_JP.utf8' || localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
configure_build_test windows -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo

leg "Windows ZIP: unpacked afresh, a consumer built against it and run under Wine"
need_packages unzip
rm -rf "$out/zip" && mkdir -p "$out/zip"
(cd "$out/windows" && cpack -G ZIP -B "$out/zip" >/dev/null)
unzip -q "$out"/zip/tarn-*-win64.zip -d "$out/zip/unpacked"
unpacked=$(echo "$out"/zip/unpacked/tarn-*-win64)
cmake -S tests/consumer -B "$out/zip/consumer" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -Dtarn_DIR="$unpacked/lib/cmake/tarn" -DCMAKE_EXE_LINKER_FLAGS=-static >/dev/null
cmake --build "$out/zip/consumer" >/dev/null
export WINEPREFIX=$out/windows/tests/wine-prefix # booted by the tests already
WINEPATH="$unpacked/bin" scripts/wine-run.sh "$out/zip/consumer/consumer.exe"
scripts/wine-run.sh "$unpacked/bin/tarn-info.exe" --version
# An MSVC-ABI program links the ZIP's tarn.lib and runs beside its DLL.
bash tests/msvc_abi.sh "$unpacked/include" "$unpacked/bin" "$unpacked/lib/tarn.lib"
unset WINEPREFIX

# cross_leg TRIPLE QEMU_CPU: a Linux cross build for the GNU triple, every test under qemu-user.
cross_leg() {
  local triple=$1 cpu=$2
  configure_build_test "$triple" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/linux-cross.cmake" \
    -DTARN_CROSS_TRIPLE="$triple" -DCMAKE_BUILD_TYPE=RelWithDebInfo
  "qemu-$cpu" -L "/usr/$triple" "$out/$triple/examples/tarn-info"
}
need_packages qemu-user

leg "Linux arm64: cross build, tests under qemu-user"
need_packages g++-aarch64-linux-gnu
cross_leg aarch64-linux-gnu aarch64

leg "Linux armhf (32-bit size_t and long): cross build, tests under qemu-user"
need_packages g++-arm-linux-gnueabihf
cross_leg arm-linux-gnueabihf arm

leg "Linux s390x (big-endian): cross build, tests under qemu-user"
need_packages g++-s390x-linux-gnu
cross_leg s390x-linux-gnu s390x

leg "Debian packages: built, checked by lintian, installed, consumed, removed"
need_packages dpkg-dev debhelper fakeroot lintian
bash scripts/build-deb.sh "$out/deb" >"$out/deb.log" 2>&1 || { tail -n 60 "$out/deb.log"; exit 1; }
lintian -I -E --pedantic --fail-on error,warning,info,pedantic "$out"/deb/*.changes
remove_packages() { dpkg -r tarn-tools libtarn-dev libtarn1 >/dev/null; }
trap remove_packages EXIT
dpkg -i "$out"/deb/libtarn1_*.deb "$out"/deb/libtarn-dev_*.deb "$out"/deb/tarn-tools_*.deb >/dev/null
[ -z "$(pkg-config --cflags tarn)" ] || { echo "pkg-config --cflags tarn: $(pkg-config --cflags tarn)"; exit 1; }
g++ tests/consumer/main.cpp $(pkg-config --libs tarn) -o "$out/deb/pkg-consumer"
"$out/deb/pkg-consumer"
cmake -S tests/consumer -B "$out/deb/consumer" -G Ninja >/dev/null && cmake --build "$out/deb/consumer" >/dev/null
"$out/deb/consumer/consumer"
tarn-info && man -w tarn-info
# the installed libtarn.so.1, found by the loader; what is available now changes between the runs,
# and the programs (Python, tarn-info) differ
now='s/, [0-9.]* [KMGTPE]*i*B available$/, (now) available/; /^executable: /d'
diff <(python3 examples/tarn_info.py | sed "$now") <(tarn-info | sed "$now")
remove_packages
trap - EXIT

leg "all legs passed in $((SECONDS - started)) s"
