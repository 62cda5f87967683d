// Many threads at once through the library: the environment, strings and host descriptions.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "tarn/tarn.h"

namespace {

TEST(Concurrency, ThreadsEachReadBackWhatTheyWrote)
{
    constexpr int threads = 8;
    constexpr int rounds = 300;
    std::atomic<int> mismatches{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([t, &mismatches] {
            const std::string name = "TARN_THREAD_" + std::to_string(t);
            for (int i = 0; i < rounds; ++i) {
                // Values of changing length, so the host reallocates them under the readers.
                const std::string value =
                    std::to_string(i) + std::string(static_cast<std::size_t>(i % 97), 'x');
                tarn::putenvvar(name, value);
                if (!(tarn::getenvvar(name) == value))
                    ++mismatches;
                const std::string listed = tarn::getenviron().str();
                if (listed.find(name + "=" + value + "\n") == std::string::npos)
                    ++mismatches;
            }
        });
    }
    for (auto& w : workers)
        w.join();
    EXPECT_EQ(mismatches.load(), 0);
}

TEST(Concurrency, OneSystemInfoIsReadFromManyThreads)
{
    const tarn::system_info shared;
    const std::string expected = *shared.node_name() + *shared.os() + *shared.build_date();
    std::atomic<int> mismatches{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < 8; ++t) {
        workers.emplace_back([&] {
            for (int i = 0; i < 200; ++i) {
                const tarn::system_info own;
                if (*shared.node_name() + *shared.os() + *own.build_date() != expected)
                    ++mismatches;
                tarn::tarnstr id = tarn::getosid();
                id + "-" + std::to_string(i);
            }
        });
    }
    for (auto& w : workers)
        w.join();
    EXPECT_EQ(mismatches.load(), 0);
}

} // namespace
