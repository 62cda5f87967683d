// Allocation failure at every point of every operation that allocates: fail the k-th allocation
// (alone, or with every later one) for k = 1, 2, ... until the operation succeeds. Each failure
// must surface as std::bad_alloc, leave nothing allocated, return every environment block, and
// leave the objects as they were where the operation promises that.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <new>
#include <string>

#include "fake_platform.h"
#include "replaced_new.h"
#include "tarn/tarn.h"

using tarn::tarnstr;
using tarn::test::fake;

namespace {

// The state of the replaced global allocation functions below. Single-threaded by design: the
// sweep runs one operation at a time on the test's own thread.
struct allocation_state {
    long live = 0;    // blocks handed out and not yet returned
    long seen = 0;    // allocations counted since the plan was armed
    long fail_at = 0; // 0: nothing fails
    bool fail_later = false;
} state;

// Each block starts with a header that says whether it was counted: the scripted host's blocks are
// not, so that a variable the host keeps does not look like a leak of the library's.
struct alignas(std::max_align_t) header {
    bool counted;
};

void* allocate(std::size_t size)
{
    const bool counted = !tarn::test::inside_host();
    if (state.fail_at != 0 && counted) {
        ++state.seen;
        if (state.seen == state.fail_at || (state.fail_later && state.seen > state.fail_at))
            throw std::bad_alloc();
    }
    auto* block = static_cast<header*>(std::malloc(sizeof(header) + size));
    if (!block)
        throw std::bad_alloc();
    block->counted = counted;
    state.live += counted;
    return block + 1;
}

void release(void* p) noexcept
{
    if (p) {
        header* block = static_cast<header*>(p) - 1;
        state.live -= block->counted;
        std::free(block);
    }
}

} // namespace

void* test_allocate(std::size_t size) { return allocate(size); }
void test_release(void* p) noexcept { release(p); }

namespace {

enum class mode { only_kth, kth_and_later };

// Runs the one call under test with the failure plan armed.
class fault {
public:
    fault(long failing, mode how) : k(failing), m(how) {}

    // True when the call failed with std::bad_alloc.
    bool run(const std::function<void()>& call)
    {
        state.seen = 0;
        state.fail_later = m == mode::kth_and_later;
        state.fail_at = k;
        bool threw = false;
        try {
            call();
        } catch (const std::bad_alloc&) {
            threw = true;
        } catch (const std::exception& e) {
            ADD_FAILURE() << "failure " << k << " surfaced as another exception: " << e.what();
        }
        state.fail_at = 0;
        return threw;
    }

private:
    long k;
    mode m;
};

// Texts long enough that a std::string must allocate for them.
const std::string long_a(100, 'a');
const std::string long_b(200, 'b');

int failure_points = 0;

// Sweeps k upwards until the body's call succeeds; returns how many failures were injected.
void sweep(const char* what, const std::function<bool(fault&)>& body)
{
    for (const mode m : {mode::only_kth, mode::kth_and_later}) {
        for (long k = 1;; ++k) {
            SCOPED_TRACE(std::string(what) +
                         (m == mode::only_kth ? ", only failure " : ", failures from ") +
                         std::to_string(k));
            {
                const tarn::test::host_scope as_host;
                tarn::test::reset_fake();
                fake().variables = {{"SHORT", "v"}, {"LONG", std::string(40000, 'l')}};
                fake().host_name = long_a;
            }
            const long live_before = state.live;
            fault f(k, m);
            const bool failed = body(f);
            EXPECT_EQ(state.live, live_before) << "allocations outlived the call";
            EXPECT_EQ(fake().blocks_given, fake().blocks_returned)
                << "an environment block was kept";
            if (!failed)
                break;
            ++failure_points;
            ASSERT_LT(k, 100) << "the operation never succeeded";
        }
    }
}

TEST(AllocationFailure, TarnstrConstructionLeavesNothing)
{
    sweep("tarnstr()", [](fault& f) { return f.run([] { tarnstr s; }); });
    sweep("tarnstr(string)", [](fault& f) { return f.run([] { tarnstr s(long_a); }); });
    sweep("tarnstr(char*)", [](fault& f) { return f.run([] { tarnstr s(long_a.c_str()); }); });
    sweep("tarnstr(copy)", [](fault& f) {
        const tarnstr source(long_a);
        return f.run([&] { tarnstr copy(source); });
    });
}

// Assignment and appending leave both operands as they were when they fail.
void sweep_change(const char* what, const std::function<void(tarnstr&, const tarnstr&)>& change)
{
    sweep(what, [&](fault& f) {
        tarnstr target("short");
        const tarnstr argument(long_b);
        const bool failed = f.run([&] { change(target, argument); });
        if (failed) {
            EXPECT_EQ(target.str(), "short");
            EXPECT_EQ(argument.str(), long_b);
        }
        return failed;
    });
}

TEST(AllocationFailure, TarnstrAssignAndAppendChangeNothing)
{
    sweep_change("assign tarnstr", [](tarnstr& t, const tarnstr& a) { t = a; });
    sweep_change("assign string", [](tarnstr& t, const tarnstr& a) { t = a.str(); });
    sweep_change("assign char*", [](tarnstr& t, const tarnstr& a) { t = a.str().c_str(); });
    sweep_change("append tarnstr", [](tarnstr& t, const tarnstr& a) { t + a; });
    sweep_change("append string", [](tarnstr& t, const tarnstr& a) { t + a.str(); });
    sweep_change("append char*", [](tarnstr& t, const tarnstr& a) { t + a.str().c_str(); });
    sweep("append itself", [](fault& f) {
        tarnstr self(long_a);
        const bool failed = f.run([&] { self + self; });
        EXPECT_EQ(self.str(), failed ? long_a : long_a + long_a);
        return failed;
    });
}

TEST(AllocationFailure, EnvironmentCallsLeaveNothing)
{
    sweep("getenvvar short", [](fault& f) { return f.run([] { tarn::getenvvar("SHORT"); }); });
    sweep("getenvvar long", [](fault& f) {
        return f.run([] { EXPECT_EQ(tarn::getenvvar("LONG").str().size(), 40000u); });
    });
    sweep("getenviron", [](fault& f) { return f.run([] { tarn::getenviron(); }); });
    sweep("putenvvar", [](fault& f) {
        const tarnstr name("NEW"), value(long_a);
        return f.run([&] { tarn::putenvvar(name, value); });
    });
    sweep("getosname", [](fault& f) { return f.run([] { tarn::getosname(); }); });
    sweep("getosid", [](fault& f) { return f.run([] { tarn::getosid(); }); });
}

TEST(AllocationFailure, SystemInfoLeavesNothing)
{
    sweep("system_info()", [](fault& f) { return f.run([] { tarn::system_info info; }); });
    sweep("system_info(copy)", [](fault& f) {
        const tarn::system_info source;
        return f.run([&] { tarn::system_info copy(source); });
    });
    sweep("system_info assignment", [](fault& f) {
        const auto name_host = [](const char* name) {
            const tarn::test::host_scope as_host;
            fake().host_name = name;
        };
        name_host(long_b.c_str());
        const tarn::system_info source;
        name_host("kept");
        tarn::system_info target;
        const bool failed = f.run([&] { target = source; });
        EXPECT_EQ(*target.node_name(), failed ? "kept" : long_b);
        return failed;
    });
    using getter = tarn::safe_return<std::string> (tarn::system_info::*)() const;
    const std::pair<const char*, getter> getters[] = {
        {"os", &tarn::system_info::os},
        {"arch", &tarn::system_info::arch},
        {"version", &tarn::system_info::version},
        {"release", &tarn::system_info::release},
        {"node_name", &tarn::system_info::node_name},
        {"build_os", &tarn::system_info::build_os},
        {"build_arch", &tarn::system_info::build_arch},
        {"build_time", &tarn::system_info::build_time},
        {"build_date", &tarn::system_info::build_date},
    };
    for (const auto& [name, get] : getters) {
        sweep(name, [get = get](fault& f) {
            const tarn::system_info info;
            return f.run([&] { (info.*get)(); });
        });
    }
}

TEST(AllocationFailure, Report)
{
    std::cout << "allocation failure points exercised: " << failure_points << '\n';
    EXPECT_GT(failure_points, 0);
}

} // namespace
