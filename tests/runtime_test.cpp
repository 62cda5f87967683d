// Whose heap the library's allocations come from. On Windows the program and libtarn.dll each link
// their own C++ runtime: nothing the library allocates or releases may touch the program's heap.
// On Linux both share one libstdc++, whose operator new the program may replace for everyone.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>

#include "replaced_new.h"
#include "tarn/tarn.h"

namespace {

bool counting = false;
long program_news = 0;
long program_deletes = 0;

void* allocate(std::size_t size)
{
    program_news += counting;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void release(void* p) noexcept
{
    program_deletes += counting && p;
    std::free(p);
}

} // namespace

void* test_allocate(std::size_t size) { return allocate(size); }
void test_release(void* p) noexcept { release(p); }

namespace {

TEST(Runtime, LibraryValuesAreMadeAndReleasedByTheLibrarysRuntime)
{
    const std::string long_text(200, 'x');
    const tarn::system_info info;
    std::size_t seen = 0;

    counting = true;
    {
        tarn::tarnstr id = tarn::getosid();
        id + long_text;
        tarn::putenvvar("TARN_RUNTIME_TEST", id);
        const tarn::tarnstr value = tarn::getenvvar("TARN_RUNTIME_TEST");
        const tarn::tarnstr environment = tarn::getenviron();
        const auto os = info.os();
        const auto node = info.node_name();
        seen = value.str().size() + environment.str().size() + os->size() + node->size();
    }
    counting = false;

    EXPECT_GT(seen, long_text.size());
#if defined(_WIN32)
    EXPECT_EQ(program_news, 0) << "the DLL allocated on the program's heap";
    EXPECT_EQ(program_deletes, 0) << "a library value was released on the program's heap";
#else
    EXPECT_GT(program_news, 0) << "expected one C++ runtime shared by program and library";
    EXPECT_EQ(program_news, program_deletes);
#endif
}

} // namespace
