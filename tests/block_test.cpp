// Windows: allocation failures inside the real Windows layer. The library's sources and the
// Windows platform layer are linked into this program, so its counting heap can fail their
// allocations. The kernel's environment block must go back to it also when building the text
// fails; it lives on the process heap, which is watched.
#include <gtest/gtest.h>
#include <windows.h>

#include "counting_heap.h"
#include "tarn/environment.h"

static long long process_heap_in_use()
{
    long long busy = 0;
    PROCESS_HEAP_ENTRY entry{};
    const HANDLE heap = GetProcessHeap();
    HeapLock(heap);
    while (HeapWalk(heap, &entry))
        busy += (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) ? entry.cbData : 0;
    HeapUnlock(heap);
    return busy;
}

TEST(EnvironmentBlock, GoesBackWhenBuildingTheTextFails)
{
    SetEnvironmentVariableW(L"TARN_PAD", std::wstring(20000, L'p').c_str()); // 40 KB a block
    const long long before = process_heap_in_use();
    int failures = 0;
    for (int round = 0; round < 50; ++round) {
        for (tarn::test::heap.fail_at = 1;; ++tarn::test::heap.fail_at) {
            tarn::test::heap.seen = 0;
            try {
                tarn::getenviron();
                break;
            } catch (const std::bad_alloc&) {
                ++failures;
            }
        }
        tarn::test::heap.fail_at = 0;
    }
    EXPECT_GT(failures, 0);
    EXPECT_LT(process_heap_in_use() - before, 1 << 20) << "environment blocks were kept";
}

// On Windows names and values are converted to UTF-16 on the heap: a failure there surfaces as
// std::bad_alloc, leaves nothing allocated and sets nothing.
TEST(EnvironmentBlock, ConversionFailuresSetNothing)
{
    using namespace tarn;
    const tarnstr name(std::string(40, 'N')), value(std::string(100, 'v')), before("before");
    for (const int call : {0, 1, 2}) { // putenvvar, unsetenvvar, hasenvvar
        long k = 0;
        for (bool failed = true; failed;) {
            putenvvar(name, before);
            const long live = test::heap.news - test::heap.deletes;
            test::heap.seen = 0, test::heap.fail_at = ++k;
            try {
                call == 0   ? putenvvar(name, value)
                : call == 1 ? unsetenvvar(name)
                            : void(hasenvvar(name));
                failed = false;
            } catch (const std::bad_alloc&) {
            }
            test::heap.fail_at = 0;
            EXPECT_TRUE(test::heap.news - test::heap.deletes == live &&
                        (!failed || getenvvar(name) == before))
                << "call " << call << ", failure " << k;
        }
        EXPECT_GT(k, 1) << "call " << call << " allocated nothing that could fail";
    }
}
