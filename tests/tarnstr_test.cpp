// tarn::tarnstr and its stream operator.
#include "tarn/tarnstr.h"

#include <gtest/gtest.h>

#include <iomanip>
#include <optional>
#include <sstream>

using tarn::tarnstr;

namespace {

const char* const null_text = nullptr;

TEST(TarnstrNullText, StandsForTheEmptyTextEverywhere)
{
    tarnstr built(null_text);
    EXPECT_TRUE(built.empty());
    EXPECT_TRUE(built == null_text);
    EXPECT_TRUE(tarnstr("") == null_text);
    EXPECT_FALSE(tarnstr("x") == null_text);

    tarnstr assigned("abc");
    assigned = null_text;
    EXPECT_TRUE(assigned.empty());

    tarnstr appended("abc");
    appended + null_text;
    EXPECT_EQ(appended.str(), "abc");
}

TEST(TarnstrAppend, ChangesTheLeftOperandAndReturnsIt)
{
    tarnstr a("ab");
    const tarnstr b("cd");
    tarnstr& result = a + b;
    EXPECT_EQ(&result, &a);
    EXPECT_EQ(a.str(), "abcd");
    EXPECT_EQ(b.str(), "cd");
}

TEST(TarnstrAppend, ChainsOntoTheFirstOperand)
{
    tarnstr a("a");
    tarnstr b("b");
    a + b + std::string("c") + "d";
    EXPECT_EQ(a.str(), "abcd");
    EXPECT_EQ(b.str(), "b");
}

TEST(TarnstrAppend, ToItselfDoublesTheText)
{
    tarnstr a("xyz");
    a + a;
    EXPECT_EQ(a.str(), "xyzxyz");
    // Long enough that the held string must move to larger storage while reading itself.
    tarnstr big(std::string(1000, 'q'));
    big + big;
    EXPECT_EQ(big.str(), std::string(2000, 'q'));
}

TEST(TarnstrAssign, KeepsTheSameHeldStringAndReturnsItself)
{
    tarnstr a("first");
    const std::string& held = a.str();
    EXPECT_EQ(&(a = tarnstr("second")), &a);
    EXPECT_EQ(held, "second");
    a = std::string("third");
    EXPECT_EQ(held, "third");
    a = "fourth";
    EXPECT_EQ(held, "fourth");
    EXPECT_EQ(&a.str(), &held);
}

TEST(TarnstrAssign, ToItselfChangesNothing)
{
    tarnstr a("same");
    tarnstr& alias = a;
    a = alias;
    EXPECT_EQ(a.str(), "same");
    a = a.str();
    EXPECT_EQ(a.str(), "same");
    a = a.str().c_str();
    EXPECT_EQ(a.str(), "same");
}

TEST(TarnstrCopy, IsSeparateFromItsSource)
{
    std::optional<tarnstr> source(std::in_place, "origin");
    tarnstr copy(*source);
    EXPECT_NE(&copy.str(), &source->str());
    copy + "!";
    EXPECT_EQ(source->str(), "origin");
    source.reset();
    EXPECT_EQ(copy.str(), "origin!");

    tarnstr second(copy);
    {
        const tarnstr dropped(second);
    }
    EXPECT_EQ(second.str(), "origin!");
}

TEST(TarnstrBytes, EmbeddedNulIsKeptAndCompared)
{
    const std::string three("a\0b", 3);
    tarnstr s(three);
    EXPECT_EQ(s.str().size(), 3u);
    EXPECT_FALSE(s.empty());
    EXPECT_TRUE(s == three);
    EXPECT_TRUE(s == tarnstr(three));
    EXPECT_FALSE(s == "a"); // the const char* side ends at its first NUL
    EXPECT_FALSE(tarnstr("a") == three);

    tarnstr copy(s);
    copy + three;
    EXPECT_EQ(copy.str(), three + three);
}

TEST(TarnstrStr, ReferenceShowsLaterChanges)
{
    tarnstr s("before");
    const std::string& view = s.str();
    s = "after";
    EXPECT_EQ(view, "after");
    s + " and more";
    EXPECT_EQ(view, "after and more");
}

TEST(TarnstrStream, WidthFillAndAdjustmentApplyAsForAString)
{
    std::ostringstream out;
    out << std::setw(5) << tarnstr("ab");
    EXPECT_EQ(out.str(), "   ab");
    EXPECT_EQ(out.width(), 0);

    std::ostringstream left;
    left << std::left << std::setfill('*') << std::setw(4) << tarnstr("x") << '|';
    EXPECT_EQ(left.str(), "x***|");
}

TEST(TarnstrStream, WritesEmbeddedNulBytes)
{
    std::ostringstream out;
    out << tarnstr(std::string("a\0b", 3));
    EXPECT_EQ(out.str(), std::string("a\0b", 3));
}

TEST(TarnstrHeap, GlobalNewStillWorks)
{
    tarnstr* s = ::new tarnstr("on the heap");
    EXPECT_EQ(s->str(), "on the heap");
    ::delete s;
}

} // namespace
