// Replaces the program's global allocation functions by test_allocate and test_release, which the
// one test file that includes this header defines.
#ifndef TARN_TESTS_REPLACED_NEW_H
#define TARN_TESTS_REPLACED_NEW_H

#include <cstddef>
#include <new>

void* test_allocate(std::size_t size);
void test_release(void* p) noexcept;

void* operator new(std::size_t size) { return test_allocate(size); }
void* operator new[](std::size_t size) { return test_allocate(size); }
void operator delete(void* p) noexcept { test_release(p); }
void operator delete[](void* p) noexcept { test_release(p); }
void operator delete(void* p, std::size_t) noexcept { test_release(p); }
void operator delete[](void* p, std::size_t) noexcept { test_release(p); }

#endif
