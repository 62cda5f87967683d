// tarnstr against the std::string it wraps.
#include <benchmark/benchmark.h>

#include <string>

#include "tarn/tarnstr.h"

namespace {

void tarnstr_append(benchmark::State& state)
{
    const std::string piece(16, 'a');
    for (auto _ : state) {
        tarn::tarnstr text;
        for (std::int64_t i = 0; i < state.range(0); ++i)
            text + piece;
        benchmark::DoNotOptimize(text.str().data());
    }
}
BENCHMARK(tarnstr_append)->Arg(16)->Arg(1024)->Arg(65536);

void tarnstr_append_bare_string(benchmark::State& state)
{
    const std::string piece(16, 'a');
    for (auto _ : state) {
        std::string text;
        for (std::int64_t i = 0; i < state.range(0); ++i)
            text += piece;
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(tarnstr_append_bare_string)->Arg(16)->Arg(1024)->Arg(65536);

void tarnstr_copy(benchmark::State& state)
{
    const tarn::tarnstr source(std::string(64, 'c'));
    for (auto _ : state) {
        tarn::tarnstr copy(source);
        benchmark::DoNotOptimize(copy.str().data());
    }
}
BENCHMARK(tarnstr_copy);

void tarnstr_copy_bare_string(benchmark::State& state)
{
    const std::string source(64, 'c');
    for (auto _ : state) {
        std::string copy(source);
        benchmark::DoNotOptimize(copy.data());
    }
}
BENCHMARK(tarnstr_copy_bare_string);

} // namespace
