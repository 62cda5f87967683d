// The environment functions against the C library's own calls on the same host.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tarn/environment.h"

extern char** environ;

namespace {

// Pads the environment with variables until it holds about `bytes` bytes in all; removes them when
// it ends.
class environment_of_size {
public:
    explicit environment_of_size(std::size_t bytes)
    {
        std::size_t total = current_size();
        for (int i = 0; total < bytes; ++i) {
            const std::string name = "TARN_BENCH_PAD_" + std::to_string(i);
            const std::string value(std::min<std::size_t>(200, bytes - total), 'p');
            setenv(name.c_str(), value.c_str(), 1);
            names.push_back(name);
            total += name.size() + value.size() + 2;
        }
    }
    ~environment_of_size()
    {
        for (const auto& name : names)
            unsetenv(name.c_str());
    }
    static std::size_t current_size()
    {
        std::size_t total = 0;
        for (char** e = environ; *e; ++e)
            total += std::string(*e).size() + 1;
        return total;
    }

private:
    std::vector<std::string> names;
};

void getenvvar_library(benchmark::State& state)
{
    setenv("TARN_BENCH_VALUE", "/usr/local/bin:/usr/bin:/bin", 1);
    const tarn::tarnstr name("TARN_BENCH_VALUE");
    for (auto _ : state)
        benchmark::DoNotOptimize(tarn::getenvvar(name));
}
BENCHMARK(getenvvar_library);

void getenvvar_bare_getenv(benchmark::State& state)
{
    setenv("TARN_BENCH_VALUE", "/usr/local/bin:/usr/bin:/bin", 1);
    for (auto _ : state) {
        const char* value = std::getenv("TARN_BENCH_VALUE");
        std::string copy(value ? value : "");
        benchmark::DoNotOptimize(copy);
    }
}
BENCHMARK(getenvvar_bare_getenv);

void getenviron_library(benchmark::State& state)
{
    const environment_of_size size(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(tarn::getenviron());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(environment_of_size::current_size()));
}
BENCHMARK(getenviron_library)->Arg(1 << 10)->Arg(64 << 10)->Arg(1 << 20);

void getenviron_bare_environ(benchmark::State& state)
{
    const environment_of_size size(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        std::string text;
        for (char** e = environ; *e; ++e) {
            text += *e;
            text += '\n';
        }
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(environment_of_size::current_size()));
}
BENCHMARK(getenviron_bare_environ)->Arg(1 << 10)->Arg(64 << 10)->Arg(1 << 20);

void putenvvar_library(benchmark::State& state)
{
    const tarn::tarnstr name("TARN_BENCH_SET"), value("a value");
    for (auto _ : state)
        tarn::putenvvar(name, value);
}
BENCHMARK(putenvvar_library);

void putenvvar_bare_setenv(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(setenv("TARN_BENCH_SET", "a value", 1));
}
BENCHMARK(putenvvar_bare_setenv);

} // namespace
