// What the process may use, against Rust's available_parallelism (processors alone) and libuv's
// three calls for processors, the constrained memory and the machine's memory.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>

#include "tarn/c.h"
#include "tarn/capacity.h"

#if defined(TARN_BENCH_RUST)
extern "C" std::size_t rust_available_parallelism();
#endif
#if defined(TARN_BENCH_UV)
#  include <uv.h>
#endif

namespace {

// All six facts.
void capacity_library(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(tarn::getcapacity());
}
BENCHMARK(capacity_library);

void capacity_c(benchmark::State& state)
{
    for (auto _ : state) {
        tarn_capacity capacity;
        capacity.size = sizeof capacity;
        benchmark::DoNotOptimize(tarn_getcapacity(&capacity));
        benchmark::DoNotOptimize(capacity);
    }
}
BENCHMARK(capacity_c);

// What is left now under every limit.
void available_memory_library(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(tarn::getavailablememory());
}
BENCHMARK(available_memory_library);

#if defined(TARN_BENCH_RUST)
void capacity_rust_available_parallelism(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(rust_available_parallelism());
}
BENCHMARK(capacity_rust_available_parallelism);
#endif

#if defined(TARN_BENCH_UV)
void capacity_libuv(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(uv_available_parallelism());
        benchmark::DoNotOptimize(uv_get_constrained_memory());
        benchmark::DoNotOptimize(uv_get_total_memory());
    }
}
BENCHMARK(capacity_libuv);

void available_memory_libuv(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(uv_get_free_memory());
        benchmark::DoNotOptimize(uv_get_constrained_memory());
    }
}
BENCHMARK(available_memory_libuv);
#endif

// What one read of a host file costs (open, fstat, read, close, as the library reads them), for
// the files a call reads on this machine.
void file_read(benchmark::State& state, const std::string& path)
{
    for (auto _ : state) {
        char text[4096];
        const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        struct stat status;
        fstat(fd, &status);
        benchmark::DoNotOptimize(read(fd, text, sizeof text));
        close(fd);
    }
}

const bool file_reads_registered = [] {
    std::string memory;
    for (std::ifstream in("/proc/self/cgroup"); std::getline(in, memory);)
        if (memory.find(":memory:") != std::string::npos)
            break;
    memory =
        "/sys/fs/cgroup/memory" + memory.substr(std::min(memory.find(":/") + 1, memory.size()));
    for (const std::string& path :
         {std::string("/proc/self/cgroup"), std::string("/proc/self/mountinfo"),
          std::string("/sys/devices/system/cpu/online"), std::string("/proc/meminfo"),
          std::string("/sys/fs/cgroup/cpu/cpu.cfs_quota_us"), memory + "/memory.limit_in_bytes",
          memory + "/memory.stat"})
        if (access(path.c_str(), R_OK) == 0)
            benchmark::RegisterBenchmark(("file_read:" + path).c_str(), file_read, path);
    return true;
}();

} // namespace
