#!/usr/bin/env bash
# Runs the benchmarks and writes docs/PERFORMANCE.md: every operation as a ratio to the bare host
# call it wraps, measured in the same run (medians of several repetitions), and how getenviron and
# tarnstr appending scale with size.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
need_packages cmake ninja-build g++ libbenchmark-dev python3
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARN_TESTS=OFF -DTARN_EXAMPLES=OFF \
  -DTARN_BENCHMARKS=ON >/dev/null
cmake --build build/bench >/dev/null
build/bench/bench/tarn_bench --benchmark_repetitions=${TARN_BENCH_REPETITIONS:-7} \
  --benchmark_min_time=0.2 --benchmark_report_aggregates_only=true \
  --benchmark_out=build/bench/results.json --benchmark_out_format=json >/dev/null
python3 scripts/performance_table.py build/bench/results.json "${TARN_BENCH_REPETITIONS:-7}" \
  > docs/PERFORMANCE.md
cat docs/PERFORMANCE.md
