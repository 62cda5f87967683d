// Windows: the kernel's environment block goes back to it also when building the text fails. The
// library's sources and the Windows platform layer are linked into this program, so its counting
// heap can fail their allocations; the block itself lives on the process heap, which is watched.
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
