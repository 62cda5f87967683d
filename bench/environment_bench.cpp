// The environment functions against the C library's own calls on the same host.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tarn/c.h"
#include "tarn/environment.h"

#if defined(TARN_BENCH_POCO)
#  include <Poco/Environment.h>
#endif

extern char** environ;

namespace {

// Replaces the environment by one of `bytes` bytes in all (entries of about 200 bytes) for as long
// as it lives, then puts the original back.
class environment_of_size {
public:
    explicit environment_of_size(std::size_t bytes)
    {
        for (char** e = environ; *e; ++e)
            saved.emplace_back(*e);
        clearenv();
        std::size_t total = 0;
        for (int i = 0; total < bytes; ++i) {
            const std::string name = "TARN_BENCH_PAD_" + std::to_string(i);
            const std::size_t room = bytes - total - std::min(bytes - total, name.size() + 2);
            const std::string value(std::min<std::size_t>(200, room), 'p');
            setenv(name.c_str(), value.c_str(), 1);
            total += name.size() + value.size() + 2;
        }
    }
    ~environment_of_size()
    {
        clearenv();
        for (const auto& entry : saved) {
            const std::size_t equals = entry.find('=');
            if (equals != std::string::npos)
                setenv(entry.substr(0, equals).c_str(), entry.c_str() + equals + 1, 1);
        }
    }
    environment_of_size(const environment_of_size&) = delete;
    environment_of_size& operator=(const environment_of_size&) = delete;

    static std::size_t current_size()
    {
        std::size_t total = 0;
        for (char** e = environ; e && *e; ++e)
            total += std::strlen(*e) + 1;
        return total;
    }

private:
    std::vector<std::string> saved;
};

// The variable that the one-variable benchmarks read (a 40-byte value): set, and its name returned.
const char* bench_variable()
{
    setenv("TARN_BENCH_VALUE", "/usr/local/sbin:/usr/local/bin:/usr/sbin", 1);
    return "TARN_BENCH_VALUE";
}

// One library call on that variable, repeated.
template <class Call> void call_library(benchmark::State& state, Call call)
{
    const tarn::tarnstr name(bench_variable());
    for (auto _ : state)
        benchmark::DoNotOptimize(call(name));
}

void getenvvar_library(benchmark::State& state) { call_library(state, tarn::getenvvar); }
BENCHMARK(getenvvar_library);

void getenvvar_bare_getenv(benchmark::State& state)
{
    const char* name = bench_variable();
    for (auto _ : state) {
        const char* value = std::getenv(name);
        std::string copy(value ? value : "");
        benchmark::DoNotOptimize(copy);
    }
}
BENCHMARK(getenvvar_bare_getenv);

// Through the C interface: the value in library storage, released by the library.
void getenvvar_c(benchmark::State& state)
{
    const char* name = bench_variable();
    for (auto _ : state) {
        char* value = nullptr;
        std::size_t size = 0;
        tarn_getenvvar(name, &value, &size);
        benchmark::DoNotOptimize(value);
        tarn_free(value);
    }
}
BENCHMARK(getenvvar_c);

#if defined(TARN_BENCH_POCO)
void getenvvar_poco(benchmark::State& state)
{
    const std::string name(bench_variable());
    for (auto _ : state)
        benchmark::DoNotOptimize(Poco::Environment::get(name));
}
BENCHMARK(getenvvar_poco);
#endif

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
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(environment_of_size::current_size()));
}
BENCHMARK(getenviron_bare_environ)->Arg(1 << 10)->Arg(64 << 10)->Arg(1 << 20);

void hasenvvar_library(benchmark::State& state) { call_library(state, tarn::hasenvvar); }
BENCHMARK(hasenvvar_library);

void hasenvvar_bare_getenv(benchmark::State& state)
{
    const char* name = bench_variable();
    for (auto _ : state)
        benchmark::DoNotOptimize(std::getenv(name) != nullptr);
}
BENCHMARK(hasenvvar_bare_getenv);

void unsetenvvar_library(benchmark::State& state)
{
    const tarn::tarnstr name("TARN_BENCH_SET"), value("a value");
    for (auto _ : state) {
        tarn::putenvvar(name, value);
        tarn::unsetenvvar(name);
    }
}
BENCHMARK(unsetenvvar_library);

void unsetenvvar_bare_unsetenv(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(setenv("TARN_BENCH_SET", "a value", 1));
        benchmark::DoNotOptimize(unsetenv("TARN_BENCH_SET"));
    }
}
BENCHMARK(unsetenvvar_bare_unsetenv);

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
