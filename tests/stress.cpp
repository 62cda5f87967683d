// Stress: many threads doing mixed work through the library at once, each checking what it reads.
// Run under ThreadSanitizer by the check.   stress [operations per thread] [threads]
#include <atomic>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "tarn/tarn.h"

namespace {

std::atomic<long> operations{0};
std::atomic<long> mismatches{0};

void check(bool ok)
{
    if (!ok)
        ++mismatches;
}

void work(int id, long count, const tarn::system_info& shared, const std::string& shared_node)
{
    const std::string own = "TARN_STRESS_" + std::to_string(id);
    std::string written;
    tarn::tarnstr text("start");
    for (long i = 0; i < count; ++i) {
        switch (i % 8) {
        case 0:
            // A small cycle of values, so the C library can reuse what it stored before.
            written = std::to_string(i % 64) + std::string(static_cast<std::size_t>(i % 50), 'w');
            tarn::putenvvar(own, written);
            break;
        case 1: check(tarn::getenvvar(own) == written); break;
        case 2: check(tarn::getenvvar("TARN_STRESS_SHARED") == "shared value"); break;
        case 3:
            if (i % 64 == 3) {
                const std::string listed = tarn::getenviron().str();
                check(listed.find(own + "=" + written + "\n") != std::string::npos);
            } else {
                check(tarn::getosid() == tarn::getosid());
            }
            break;
        case 4: {
            tarn::tarnstr copy(text);
            copy + "x" + copy;
            check(copy.str() ==
                  text.str() + "x" + text.str() + "x"); // the second copy includes the x
            text = i % 512 == 4 ? "start" : copy.str().substr(0, 40);
            break;
        }
        case 5: check(*shared.node_name() == shared_node); break;
        case 6:
            if (i % 256 == 6) {
                const tarn::system_info own_info;
                check(*own_info.build_date() == *shared.build_date());
            } else {
                check(*shared.os() == *shared.os());
            }
            break;
        default: {
            void* block = tarn::allocator::alloc(64);
            check(block != nullptr);
            tarn::allocator::dealloc(block);
        }
        }
        ++operations;
    }
}

} // namespace

int main(int argc, char** argv)
{
    const long count = argc > 1 ? std::atol(argv[1]) : 100000;
    const int threads = argc > 2 ? std::atoi(argv[2]) : 16;
    tarn::putenvvar("TARN_STRESS_SHARED", "shared value");
    const tarn::system_info shared;
    const std::string shared_node = *shared.node_name();

    std::vector<std::thread> workers;
    for (int id = 0; id < threads; ++id)
        workers.emplace_back(work, id, count, std::cref(shared), std::cref(shared_node));
    for (auto& w : workers)
        w.join();

    std::cout << "stress: " << operations << " operations by " << threads << " threads, "
              << mismatches << " mismatches\n";
    return mismatches == 0 && operations == count * threads ? 0 : 1;
}
