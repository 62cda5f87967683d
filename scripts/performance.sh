#!/usr/bin/env bash
# Runs the benchmarks and writes docs/PERFORMANCE.md: every operation as a ratio to the bare host
# call it wraps, measured in the same run (medians of several repetitions), and how getenviron and
# tarnstr appending scale with size.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
need_packages cmake ninja-build g++ libbenchmark-dev libpoco-dev libuv1-dev pkg-config rustc python3 strace
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARN_TESTS=OFF -DTARN_EXAMPLES=OFF \
  -DTARN_BENCHMARKS=ON >/dev/null
cmake --build build/bench >/dev/null
build/bench/bench/tarn_bench --benchmark_repetitions=${TARN_BENCH_REPETITIONS:-7} \
  --benchmark_min_time=0.2 --benchmark_report_aggregates_only=true \
  --benchmark_out=build/bench/results.json --benchmark_out_format=json >/dev/null
# Scaling again with large buffers kept on the heap: above glibc's mmap threshold every new buffer
# is otherwise mapped afresh and faulted in page by page, which on a virtual machine swamps the work.
GLIBC_TUNABLES=glibc.malloc.mmap_threshold=268435456:glibc.malloc.trim_threshold=268435456 \
build/bench/bench/tarn_bench --benchmark_repetitions=${TARN_BENCH_REPETITIONS:-7} \
  --benchmark_min_time=0.2 --benchmark_report_aggregates_only=true --benchmark_filter='getenviron|append' \
  --benchmark_out=build/bench/results-heap.json --benchmark_out_format=json >/dev/null
python3 scripts/performance_table.py build/bench/results.json build/bench/results-heap.json \
  "${TARN_BENCH_REPETITIONS:-7}" > docs/PERFORMANCE.md

# The files one call opens (and the paths it only looks at, with stat and statfs), counted by strace
# on this machine and in a cgroup namespace whose hierarchies are mounted afresh, as a container
# runtime mounts them.
files_per_call() { # WHERE COMMAND...
  local where=$1; shift
  for call in capacity available; do
    "$@" strace -e trace=openat,newfstatat,statfs,fstatfs,write build/bench/bench/one_call $call 2>&1 >/dev/null |
      sed -n '/^write(2, "--/,/^write(2, "--/p' | grep -v '^write' |
      awk -v call="$call" -v where="$where" '
        /^openat/ && /O_PATH/ { looks++; next }
        /^openat/ { split($0, q, "\""); opened = opened (opened ? ", " : "") "`" q[2] "`"; n++ }
        /^statfs/ || /^fstatfs/ || /^newfstatat\([0-9A-Z_]+, "[^"]/ { looks++ }
        END { printf "| %s | `%s` | %d | %d | %s |\n", where, call == "capacity" ? "getcapacity()" : "getavailablememory()", n, looks, opened }'
  done
}
{
  echo; echo "## Files one call reads"; echo
  echo "Why each: the kernel's list of processors online (\`getcapacity\`) or \`/proc/meminfo\`"
  echo "(\`getavailablememory\`); the calling thread's cgroups; then every level of the cpu and memory"
  echo "chains, the root the process sees included (in a cgroup namespace it is the container's own"
  echo "cgroup), and under a limit that level's usage and \`memory.stat\`. Each chain's top is opened"
  echo "once as a path, its levels' files relative to it; \`fstatfs\` on it and the leaf's first file"
  echo "prove the usual layout, so \`mountinfo\`, the dearest file of all, is read only where it is not."
  echo "Relative paths are below the top: \`/sys/fs/cgroup/cpu\` or \`/sys/fs/cgroup/memory\` here."
  echo
  echo "| where | call | files read | other calls that look (top opened as a path, \`fstatfs\`, \`stat\`) | which |"; echo "|---|---|---:|---:|---|"
  files_per_call "this machine"
  files_per_call "a cgroup namespace, the hierarchies mounted afresh" unshare -C -m sh -c \
    'for h in cpu memory; do umount /sys/fs/cgroup/$h && mount -t cgroup -o $h none /sys/fs/cgroup/$h; done; exec "$@"' sh
} >> docs/PERFORMANCE.md
cat docs/PERFORMANCE.md
