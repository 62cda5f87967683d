// tarn::allocator and the safe_return carrier.
#include "tarn/allocator.h"

#include <gtest/gtest.h>

#include <cstring>
#include <type_traits>
#include <utility>

#include "tarn/system_info.h"

namespace {

TEST(Allocator, BlockCanBeFilledAndReturned)
{
    void* block = tarn::allocator::alloc(4096);
    ASSERT_NE(block, nullptr);
    std::memset(block, 0xA5, 4096);
    EXPECT_EQ(static_cast<unsigned char*>(block)[4095], 0xA5);
    tarn::allocator::dealloc(block);
    tarn::allocator::dealloc(nullptr);
}

TEST(Allocator, ExhaustionGivesNullNotAnException)
{
    void* block = tarn::allocator::alloc(SIZE_MAX / 2);
    EXPECT_EQ(block, nullptr);
    tarn::allocator::dealloc(block);
}

TEST(Allocator, AssignmentReturnsItself)
{
    tarn::allocator a, b;
    EXPECT_EQ(&(a = b), &a);
}

// The layout that the library and its callers share: the value first, the release function second.
struct carrier_layout {
    std::string* value;
    void (*destroy)(std::string*);
};

TEST(SafeReturn, LayoutIsValueThenReleaseFunction)
{
    static_assert(sizeof(tarn::safe_return<std::string>) == sizeof(carrier_layout));
    static_assert(std::is_standard_layout_v<tarn::safe_return<std::string>>);
    tarn::safe_return<std::string> carried(std::string("laid out"));
    carrier_layout seen;
    std::memcpy(&seen, &carried, sizeof seen);
    EXPECT_EQ(seen.value, carried.get());
    EXPECT_EQ(seen.destroy, &tarn::release_value<std::string>);
}

TEST(SafeReturn, CarriesItsOwnCopy)
{
    const std::string text = "shared text";
    tarn::safe_return<std::string> a(text), b(text);
    EXPECT_NE(a.get(), b.get());
    EXPECT_EQ(*a, text);
    EXPECT_EQ(b->size(), text.size());
    const std::string& converted = a;
    EXPECT_EQ(&converted, a.get());
}

TEST(SafeReturn, CannotBeCopiedButMoves)
{
    static_assert(!std::is_copy_constructible_v<tarn::safe_return<std::string>>);
    static_assert(!std::is_copy_assignable_v<tarn::safe_return<std::string>>);
    tarn::safe_return<std::string> source(std::string("moving"));
    const std::string* value = source.get();
    tarn::safe_return<std::string> target(std::move(source));
    EXPECT_EQ(source.get(), nullptr);
    EXPECT_EQ(target.get(), value);

    tarn::safe_return<std::string> other(std::string("replaced"));
    other = std::move(target); // releases "replaced", takes "moving"
    EXPECT_EQ(*other, "moving");
    EXPECT_EQ(target.get(), nullptr);
}

TEST(SafeReturn, ReleaseToleratesNull) { tarn::release_value<std::string>(nullptr); }

} // namespace
