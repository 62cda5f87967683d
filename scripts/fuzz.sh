#!/usr/bin/env bash
# Fuzzes the readers of host text with libFuzzer (clang, with AddressSanitizer and UBSan), each
# from its corpus in tests/fuzz/corpus, two at a time (the machine has two cores). A crash, a
# leak, a time-out or an out-of-memory fails, and the input that did it is printed.
#   fuzz.sh [TARGET] [SECONDS]   every target for 18 s (the check's leg), or TARGET for SECONDS
# New inputs land in build/fuzz/found/TARGET, never in the committed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
need_packages cmake ninja-build clang libclang-rt-14-dev libgtest-dev
targets=${1:-$(sed -n 's/^set(tarn_fuzz_targets \(.*\)/\1/p; s/^  \([a-z_ ]*\))$/\1/p' tests/fuzz/CMakeLists.txt)}
seconds=${2:-18}
out=build/fuzz
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all"
cmake -S . -B $out -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DTARN_FUZZ=ON \
  -DTARN_EXAMPLES=OFF -DTARN_INSTALL=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS=$flags" >/dev/null
cmake --build $out --target $(printf '%s_fuzz ' $targets) >/dev/null
run() {
  local target=$1
  mkdir -p "$out/found/$target" "$out/crashes"
  rm -f "$out/crashes/$target-"*
  if "$out/tests/fuzz/${target}_fuzz" "$out/found/$target" "tests/fuzz/corpus/$target" \
       -max_total_time="$seconds" -timeout=2 -rss_limit_mb=512 -print_final_stats=1 \
       -artifact_prefix="$out/crashes/$target-" >"$out/$target.log" 2>&1; then
    echo "ok   $target: $(grep -o 'stat::number_of_executed_units: [0-9]*' "$out/$target.log" | grep -o '[0-9]*$') runs," \
         "$(grep -o 'cov: [0-9]*' "$out/$target.log" | tail -n 1)"
  else
    echo "FAIL $target:"; tail -n 30 "$out/$target.log"
    for input in "$out/crashes/$target-"*; do
      [ -e "$input" ] && { echo "the input ($input):"; od -An -c "$input" | head -n 20; }
    done
    return 1
  fi
}
failed=0
set -- $targets
while [ $# -gt 0 ]; do
  run "$1" & first=$!
  second=
  if [ $# -gt 1 ]; then run "$2" & second=$!; fi
  wait $first || failed=1
  [ -z "$second" ] || wait $second || failed=1
  shift $(( $# > 1 ? 2 : 1 ))
done
exit $failed
