// Allocation failure at every point of every operation that allocates: fail the k-th allocation
// (alone, or with every later one) for k = 1, 2, ... until the operation succeeds. Each failure
// must surface as std::bad_alloc, leave nothing allocated, and leave the objects as they were
// where the operation promises that.
#include <gtest/gtest.h>

#include <functional>
#include <iostream>

#include "counting_heap.h"
#include "fake_platform.h"
#include "tarn/c.h"
#include "tarn/tarn.h"

using namespace tarn;
using test::fake;
using test::heap;

namespace {

long failing = 0; // the countdown of the running step
bool failing_later = false;

// Runs `call` with the countdown armed; true when it failed with std::bad_alloc.
bool fails(const std::function<void()>& call)
{
    heap.seen = 0;
    heap.fail_at = failing;
    heap.fail_later = failing_later;
    bool failed = false;
    try {
        call();
    } catch (const std::bad_alloc&) {
        failed = true;
    }
    heap.fail_at = 0;
    return failed;
}

const std::string long_a(100, 'a'), long_b(200, 'b'); // too long for a string's own buffer

std::string texts(const system_info& i)
{
    return *i.os() + *i.arch() + *i.version() + *i.release() + *i.node_name();
}

// Changes a text, or a host description, by `change`; on failure both sides are as they were.
bool keeps(void (*change)(tarnstr&, const tarnstr&))
{
    tarnstr target("short"), argument(long_b);
    const bool failed = fails([&] { change(target, argument); });
    EXPECT_EQ(target.str() + argument.str(), (failed ? "short" : target.str()) + long_b);
    return failed;
}

bool keeps_host()
{
    // Every text of the source differs from the target's and needs storage of its own, so an
    // assignment that fails half way cannot hide.
    const system_info target;
    {
        const test::host_scope host;
        fake.facts = {true, true, detail::platform::nt_kernel{6, 1, 7601, 3, 6, long_a, 0, 0},
                      long_b};
    }
    const system_info source;
    system_info changed(target);
    const bool failed = fails([&] { changed = source; });
    EXPECT_EQ(texts(changed), texts(failed ? target : source));
    return failed;
}

template <class T> bool copies(const T& source)
{
    return fails([&] { T{source}; });
}

// The C interface through the same countdown: a failure comes back as a status, never as an
// exception (one leaving an extern "C" function ends a Windows caller).
bool reports(tarn_status (*call)())
{
    tarn_status status = TARN_OK;
    EXPECT_FALSE(fails([&] { status = call(); })) << "an exception left the C interface";
    EXPECT_TRUE(status == TARN_OK || status == TARN_ERROR_NO_MEMORY) << status;
    return status == TARN_ERROR_NO_MEMORY;
}

// Every C function that allocates, one after the other.
tarn_status c_calls()
{
    tarn_system_info* info = nullptr;
    char* text = nullptr;
    tarn_status status = tarn_getenviron(&text, nullptr);
    tarn_free(text);
    if (status == TARN_OK)
        status = tarn_system_info_create(&info);
    for (int field = TARN_FIELD_OS; status == TARN_OK && field <= TARN_FIELD_PRODUCT_LIKE;
         ++field) {
        status = tarn_system_info_get(info, field, &text, nullptr);
        tarn_free(text);
    }
    tarn_system_info_destroy(info);
    if (status == TARN_OK) {
        status = tarn_getmachineid("0123456789abcdef0123456789abcdef", &text, nullptr);
        tarn_free(text);
    }
    if (status == TARN_OK) {
        {
            const test::host_scope host;
            fake.library = "/" + long_a;
        }
        status = tarn_getlibrarypath(&text, nullptr);
        tarn_free(text);
    }
    return status;
}

using getter = safe_return<std::string> (system_info::*)() const;
const getter getters[] = {
    &system_info::os,         &system_info::arch,       &system_info::version,
    &system_info::release,    &system_info::node_name,  &system_info::pretty_name,
    &system_info::build_os,   &system_info::build_arch, &system_info::build_time,
    &system_info::build_date, &system_info::product_id, &system_info::product_version};

const std::pair<const char*, std::function<bool()>> operations[] = {
    {"tarnstr()", [] { return fails([] { tarnstr(); }); }},
    {"tarnstr(string)", [] { return fails([] { tarnstr{long_a}; }); }},
    {"tarnstr(char*)", [] { return fails([] { tarnstr{long_a.c_str()}; }); }},
    {"tarnstr(tarnstr)", [] { return copies(tarnstr(long_a)); }},
    {"= tarnstr", [] { return keeps([](tarnstr& t, const tarnstr& a) { t = a; }); }},
    {"+ tarnstr", [] { return keeps([](tarnstr& t, const tarnstr& a) { t + a; }); }},
    {"+ itself",
     [] {
         tarnstr s(long_a);
         const bool failed = fails([&] { s + s; });
         EXPECT_EQ(s.str(), failed ? long_a : long_a + long_a);
         return failed;
     }},
    {"getenvvar", [] { return fails([] { EXPECT_EQ(getenvvar("LONG").str(), long_b); }); }},
    {"getenviron", [] { return fails([] { getenviron(); }); }},
    {"getmachineid",
     [] { return fails([] { getmachineid("0123456789abcdef0123456789abcdef"); }); }},
    {"getdirectory",
     [] {
         {
             const test::host_scope host;
             fake.variables["XDG_CONFIG_HOME"] = "/" + long_b;
             fake.known_folders[1] = "C:\\" + long_b;
         }
         return fails([] {
             EXPECT_EQ(getdirectory(directory::config).str().size(),
                       long_b.size() + (getosname() == "winnt" ? 3 : 1));
         });
     }},
    {"getexecutablepath",
     [] {
         {
             const test::host_scope host;
             fake.executable = "/" + long_b;
         }
         return fails([] { EXPECT_EQ(getexecutablepath().str(), "/" + long_b); });
     }},
    {"system_info()", [] { return fails([] { system_info(); }); }},
    {"system_info(copy)", [] { return copies(system_info()); }},
    {"system_info =", keeps_host},
    {"C interface", [] { return reports(c_calls); }},
    {"getters",
     [] {
         const system_info info;
         return fails([&] {
             for (const getter get : getters)
                 (info.*get)();
         });
     }},
};

} // namespace

TEST(AllocationFailure, EveryFailureLeavesNothingAndTheObjectsIntact)
{
    long total = 0;
    for (const auto& [name, operation] : operations) {
        long points = 0;
        for (const bool later : {false, true}) {
            for (failing = 1, failing_later = later;; ++failing) {
                SCOPED_TRACE(name + std::string(later ? ", failures from " : ", failure ") +
                             std::to_string(failing));
                {
                    const test::host_scope host;
                    test::reset_fake();
                    fake.variables = {{"LONG", long_b}};
                    fake.facts.host_name = long_a;
                }
                const long live = heap.news - heap.deletes;
                const bool failed = operation();
                EXPECT_EQ(heap.news - heap.deletes, live) << "allocations outlived the call";
                if (!failed)
                    break;
                ++points;
                ASSERT_LT(failing, 100) << "the operation never succeeded";
            }
        }
        EXPECT_GT(points, 0) << name << ": no allocation was made to fail";
        total += points;
    }
    std::cout << "allocation failure points exercised: " << total << '\n';
}
