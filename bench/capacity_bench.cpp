// What the process may use, against Rust's available_parallelism (processors alone) and libuv's
// three calls for processors, the constrained memory and the machine's memory.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

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
void read_file(const std::string& path)
{
    char text[4096];
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    struct stat status;
    fstat(fd, &status);
    benchmark::DoNotOptimize(read(fd, text, sizeof text));
    close(fd);
}

void file_read(benchmark::State& state, const std::string& path)
{
    for (auto _ : state)
        read_file(path);
}

// The files that getcapacity() cannot do without where the hierarchies are mounted at their
// usual points: the processors online, the process's cgroups, and at every level of the cpu and
// memory chains, the root included, the quota and the limit; each read as the library reads it
// and not even parsed. Nothing reads the same figures for less.
void capacity_bare_files(benchmark::State& state, const std::vector<std::string>& paths)
{
    for (auto _ : state)
        for (const std::string& path : paths)
            read_file(path);
}

// The directory of this process's cgroup in the v1 hierarchy that holds `controller`, at its
// usual point, as /proc/self/cgroup names it ("4:memory:/a/b"); empty where there is none.
std::string usual_directory(const char* controller)
{
    std::string line;
    for (std::ifstream in("/proc/self/cgroup"); std::getline(in, line);) {
        const std::size_t colon = line.find(':'), path = line.find(':', colon + 1);
        const std::string controllers = line.substr(colon + 1, path - colon - 1);
        if (path != std::string::npos &&
            ("," + controllers + ",").find("," + std::string(controller) + ",") !=
                std::string::npos)
            return "/sys/fs/cgroup/" + controllers +
                   (line.compare(path + 1, std::string::npos, "/") ? line.substr(path + 1) : "");
    }
    return {};
}

const bool file_reads_registered = [] {
    const std::string cpu = usual_directory("cpu"), memory = usual_directory("memory");
    for (const std::string& path :
         {std::string("/proc/self/cgroup"), std::string("/proc/self/mountinfo"),
          std::string("/sys/devices/system/cpu/online"), std::string("/proc/meminfo"),
          std::string("/sys/fs/cgroup/cpu/cpu.cfs_quota_us"), memory + "/memory.limit_in_bytes",
          memory + "/memory.stat"})
        if (access(path.c_str(), R_OK) == 0)
            benchmark::RegisterBenchmark(("file_read:" + path).c_str(), file_read, path);
    if (cpu.empty() || memory.empty())
        return true;
    std::vector<std::string> paths{"/sys/devices/system/cpu/online", "/proc/thread-self/cgroup"};
    for (auto [dir, file] :
         {std::pair{cpu, "/cpu.cfs_quota_us"}, std::pair{memory, "/memory.limit_in_bytes"}})
        for (const std::size_t top = dir.find('/', 15);; dir.resize(dir.rfind('/'))) {
            paths.push_back(dir + file);
            if (dir.size() <= top)
                break;
        }
    benchmark::RegisterBenchmark("capacity_bare_files", capacity_bare_files, paths);
    return true;
}();

} // namespace
