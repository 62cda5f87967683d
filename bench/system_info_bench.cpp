// The host description against asking the host directly (uname, gethostname, os-release) and
// formatting the same texts, and against Poco's Environment.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "tarn/c.h"
#include "tarn/system_info.h"

#if defined(TARN_BENCH_POCO)
#  include <Poco/Environment.h>
#endif

namespace {

// What a program does with the texts: all of them, one after the other.
template <std::size_t count> std::string joined(const std::string (&texts)[count])
{
    std::string all;
    for (const auto& text : texts)
        all += text;
    return all;
}

// Constructed and its five host texts and four build texts read: what a program pays for a
// description (the pretty name is asked for apart, below).
void system_info_library(benchmark::State& state)
{
    for (auto _ : state) {
        const tarn::system_info info;
        std::string all;
        for (const auto& text :
             {info.os(), info.arch(), info.version(), info.release(), info.node_name(),
              info.build_os(), info.build_arch(), info.build_time(), info.build_date()})
            all += *text;
        benchmark::DoNotOptimize(all);
    }
}
BENCHMARK(system_info_library);

// The same five host texts through the C interface, and through C++.
void system_info_c(benchmark::State& state)
{
    for (auto _ : state) {
        tarn_system_info* info = nullptr;
        tarn_system_info_create(&info);
        for (int field = TARN_FIELD_OS; field <= TARN_FIELD_NODE_NAME; ++field) {
            char* text = nullptr;
            tarn_system_info_get(info, field, &text, nullptr);
            benchmark::DoNotOptimize(text);
            tarn_free(text);
        }
        tarn_system_info_destroy(info);
    }
}
BENCHMARK(system_info_c);

void system_info_cpp(benchmark::State& state)
{
    for (auto _ : state) {
        const tarn::system_info info;
        for (const auto& text :
             {info.os(), info.arch(), info.version(), info.release(), info.node_name()})
            benchmark::DoNotOptimize(text.get());
    }
}
BENCHMARK(system_info_cpp);

void system_info_bare_uname(benchmark::State& state)
{
    for (auto _ : state) {
        // The portable way: uname for the system, gethostname for the host's name.
        utsname host;
        char name[1024];
        if (uname(&host) != 0 || gethostname(name, sizeof name) != 0)
            state.SkipWithError("uname or gethostname failed");
        char* end = nullptr;
        const unsigned long major = std::strtoul(host.release, &end, 10);
        const unsigned long minor = *end == '.' ? std::strtoul(end + 1, nullptr, 10) : 0;
        const std::string texts[] = {
            host.sysname, "x86_64", std::to_string(major) + "." + std::to_string(minor),
            host.release, name,     "linux",
            "x86_64",     __TIME__, __DATE__};
        benchmark::DoNotOptimize(joined(texts));
    }
}
BENCHMARK(system_info_bare_uname);

void pretty_name_library(benchmark::State& state)
{
    const tarn::system_info info;
    for (auto _ : state)
        benchmark::DoNotOptimize(info.pretty_name());
}
BENCHMARK(pretty_name_library);

// The PRETTY_NAME line of os-release, quotes and all: open, read, close, find.
void pretty_name_bare_read(benchmark::State& state)
{
    for (auto _ : state) {
        std::string os_release, pretty;
        const int fd = open("/etc/os-release", O_RDONLY | O_CLOEXEC);
        char chunk[4096];
        for (ssize_t n = sizeof chunk; fd >= 0 && n == sizeof chunk;)
            if ((n = read(fd, chunk, sizeof chunk)) > 0)
                os_release.append(chunk, static_cast<std::size_t>(n));
        if (fd >= 0)
            close(fd);
        const std::size_t at = os_release.find("PRETTY_NAME=");
        if (at != std::string::npos)
            pretty = os_release.substr(at + 12, os_release.find('\n', at) - at - 12);
        benchmark::DoNotOptimize(pretty);
    }
}
BENCHMARK(pretty_name_bare_read);

} // namespace

#if defined(TARN_BENCH_POCO)
// Poco's Environment asks the host once per text.
void system_info_poco(benchmark::State& state)
{
    for (auto _ : state) {
        const std::string texts[] = {Poco::Environment::osName(),
                                     Poco::Environment::osDisplayName(),
                                     Poco::Environment::osArchitecture(),
                                     Poco::Environment::osVersion(),
                                     Poco::Environment::nodeName(),
                                     "linux",
                                     "x86_64",
                                     __TIME__,
                                     __DATE__};
        benchmark::DoNotOptimize(joined(texts));
    }
}
BENCHMARK(system_info_poco);
#endif
