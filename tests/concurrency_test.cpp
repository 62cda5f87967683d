// Many threads at once through the environment functions (the stress program mixes in the rest).
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

} // namespace
