// The replaced global allocation functions of the test programs.
#include "counting_heap.h"

#include <cstddef>
#include <cstdlib>
#include <new>

namespace tarn::test {

heap_state heap;
thread_local int host_depth = 0;
host_scope::host_scope() { ++host_depth; }
host_scope::~host_scope() { --host_depth; }

// Each block starts with a header that says whether it was counted.
struct alignas(std::max_align_t) header {
    bool counted;
};

void* allocate(std::size_t size)
{
    const bool counted = host_depth == 0;
    if (counted && heap.fail_at &&
        (++heap.seen == heap.fail_at || (heap.fail_later && heap.seen > heap.fail_at)))
        throw std::bad_alloc();
    auto* block = static_cast<header*>(std::malloc(sizeof(header) + size));
    if (!block)
        throw std::bad_alloc();
    block->counted = counted;
    heap.news += counted;
    return block + 1;
}

void release(void* p) noexcept
{
    if (header* block = p ? static_cast<header*>(p) - 1 : nullptr) {
        heap.deletes += block->counted;
        std::free(block);
    }
}

} // namespace tarn::test

void* operator new(std::size_t size) { return tarn::test::allocate(size); }
void* operator new[](std::size_t size) { return tarn::test::allocate(size); }
void operator delete(void* p) noexcept { tarn::test::release(p); }
void operator delete[](void* p) noexcept { tarn::test::release(p); }
void operator delete(void* p, std::size_t) noexcept { tarn::test::release(p); }
void operator delete[](void* p, std::size_t) noexcept { tarn::test::release(p); }
