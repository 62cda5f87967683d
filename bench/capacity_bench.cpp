// What the process may use, against Rust's available_parallelism (processors alone) and libuv's
// three calls for processors, the constrained memory and the machine's memory.
#include <benchmark/benchmark.h>

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

} // namespace
