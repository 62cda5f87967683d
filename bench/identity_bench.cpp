// A machine id for one application, against the bare work done with OpenSSL: open, read and close
// /etc/machine-id, then HMAC-SHA256 keyed with its 16 bytes over the application's.
#include <benchmark/benchmark.h>

#include "tarn/c.h"
#include "tarn/identity.h"

#if defined(TARN_BENCH_OPENSSL)
#  include <fcntl.h>
#  include <openssl/evp.h>
#  include <openssl/hmac.h>
#  include <unistd.h>
#endif

namespace {

const char app_id[] = "e7f1f3a291b44c558a0f2b3c4d5e6f70";

void machineid_library(benchmark::State& state)
{
    const tarn::tarnstr app(app_id);
    for (auto _ : state)
        benchmark::DoNotOptimize(tarn::getmachineid(app));
}
BENCHMARK(machineid_library);

void machineid_c(benchmark::State& state)
{
    for (auto _ : state) {
        char* id = nullptr;
        benchmark::DoNotOptimize(tarn_getmachineid(app_id, &id, nullptr));
        tarn_free(id);
    }
}
BENCHMARK(machineid_c);

#if defined(TARN_BENCH_OPENSSL)
unsigned char nibble(char c)
{
    return static_cast<unsigned char>(c <= '9' ? c - '0' : c - 'a' + 10);
}

void machineid_bare_openssl(benchmark::State& state)
{
    unsigned char app[16];
    for (int i = 0; i < 16; ++i)
        app[i] = static_cast<unsigned char>(nibble(app_id[2 * i]) << 4 | nibble(app_id[2 * i + 1]));
    for (auto _ : state) {
        char text[64];
        const int fd = open("/etc/machine-id", O_RDONLY | O_CLOEXEC);
        const ssize_t n = read(fd, text, sizeof text);
        close(fd);
        unsigned char key[16], mac[EVP_MAX_MD_SIZE];
        for (int i = 0; i < 16 && n >= 32; ++i)
            key[i] = static_cast<unsigned char>(nibble(text[2 * i]) << 4 | nibble(text[2 * i + 1]));
        unsigned size = 0;
        benchmark::DoNotOptimize(HMAC(EVP_sha256(), key, sizeof key, app, sizeof app, mac, &size));
    }
}
BENCHMARK(machineid_bare_openssl);
#endif

} // namespace
