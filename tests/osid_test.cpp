// The build target's identifiers.
#include "tarn/osid.h"

#include <gtest/gtest.h>

namespace {

TEST(Osid, IdIsTheNameAHyphenAndAKnownProcessorWord)
{
    const std::string name = tarn::getosname().str();
    const std::string id = tarn::getosid().str();
    ASSERT_FALSE(name.empty());
    ASSERT_EQ(id.compare(0, name.size() + 1, name + "-"), 0) << id;
    const std::string word = id.substr(name.size() + 1);
    EXPECT_TRUE(word == "amd64" || word == "arm64") << word;
}

TEST(Osid, MatchesTheCompilersTarget)
{
#if defined(_WIN32) && defined(__x86_64__)
    EXPECT_TRUE(tarn::getosname() == "winnt");
    EXPECT_TRUE(tarn::getosid() == "winnt-amd64");
    EXPECT_EQ(tarn::getosid().str().size(), 11u);
#elif defined(__linux__) && defined(__x86_64__)
    EXPECT_TRUE(tarn::getosname() == "linux");
    EXPECT_TRUE(tarn::getosid() == "linux-amd64");
#elif defined(__linux__) && defined(__aarch64__)
    EXPECT_TRUE(tarn::getosid() == "linux-arm64");
#else
    GTEST_SKIP() << "no fixed identifiers for this target";
#endif
}

TEST(Osid, EveryCallReturnsItsOwnValue)
{
    tarn::tarnstr first = tarn::getosid();
    first + "-changed";
    first = "overwritten";
    EXPECT_FALSE(tarn::getosid() == first);
    EXPECT_TRUE(tarn::getosid() == tarn::getosid());
    tarn::tarnstr name = tarn::getosname();
    name + "x";
    EXPECT_FALSE(tarn::getosname() == name);
}

} // namespace
