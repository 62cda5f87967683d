// tarn::tarnstr and its stream operator.
#include <gtest/gtest.h>

#include <iomanip>
#include <iterator>
#include <sstream>
#include <vector>

#include "tarn/tarnstr.h"

using tarn::tarnstr;

static const char* const null_text = nullptr;
static const std::string with_nul("a\0b", 3), long_text(1000, 'q');

TEST(Tarnstr, NullTextStandsForTheEmptyText)
{
    tarnstr s(null_text);
    EXPECT_TRUE(s.empty() && s == null_text && tarnstr("") == null_text &&
                !(tarnstr("x") == null_text));
    EXPECT_FALSE(tarnstr(with_nul) == "a"); // a char* ends at its first NUL; the text does not
    EXPECT_TRUE(tarnstr(with_nul) == tarnstr(with_nul) && !(tarnstr(with_nul) == tarnstr("a")));
    s = "abc";
    EXPECT_EQ((s + null_text).str(), "abc");
    EXPECT_TRUE((s = null_text).empty());
}

TEST(Tarnstr, AppendAndAssignChangeTheHeldStringInPlace)
{
    tarnstr a("a");
    const std::string& held = a.str();
    EXPECT_EQ(&(a + tarnstr("b") + std::string("c") + "d"), &a);
    EXPECT_EQ(held, "abcd");
    EXPECT_EQ(&(a = tarnstr("e")), &a);
    EXPECT_EQ(&a.str(), &held);
    EXPECT_EQ(held, "e");
}

TEST(Tarnstr, AppendingItselfDoublesAndAssigningItselfKeeps)
{
    // Long enough that the held string must move to larger storage while it reads itself.
    tarnstr s(long_text);
    s + s;
    const tarnstr& alias = s;
    s = alias;
    s = s.str();
    s = s.str().c_str();
    EXPECT_EQ(s.str(), long_text + long_text);
}

// From a namespace that declares an operator<< of its own, ordinary lookup stops there: only
// argument-dependent lookup finds the one for tarnstr.
namespace caller {
struct own {};
[[maybe_unused]] std::ostream& operator<<(std::ostream& out, own) { return out; }
std::string print(const std::vector<tarnstr>& texts)
{
    std::ostringstream out;
    out << std::setw(5) << texts[0];
    out << '|' << out.width() << '|';
    std::copy(texts.begin() + 1, texts.end(), std::ostream_iterator<tarnstr>(out, ","));
    return out.str();
}
} // namespace caller

TEST(Tarnstr, StreamsAsAStringFromAnyNamespace)
{
    EXPECT_EQ(caller::print({"ab", with_nul, "c"}), "   ab|0|" + with_nul + ",c,");
}
