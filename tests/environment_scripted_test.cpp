// The process environment, against a scripted host.
#include <gtest/gtest.h>

#include <stdexcept>

#include "fake_platform.h"
#include "tarn/environment.h"

using tarn::getenviron;
using tarn::getenvvar;
using tarn::putenvvar;
using tarn::test::fake;

namespace {

class ScriptedEnvironment : public testing::Test {
protected:
    void SetUp() override { tarn::test::reset_fake(); }
    void TearDown() override { EXPECT_EQ(fake().blocks_given, fake().blocks_returned); }
};

TEST_F(ScriptedEnvironment, TwoEntriesGiveTwoLines)
{
    fake().raw_block = std::string("A=1\0B=2\0", 8);
    EXPECT_EQ(getenviron().str(), "A=1\nB=2\n");
    EXPECT_EQ(fake().blocks_returned, 1);
}

TEST_F(ScriptedEnvironment, EmptyBlockGivesEmptyText)
{
    fake().raw_block = std::string();
    EXPECT_TRUE(getenviron().empty());
}

TEST_F(ScriptedEnvironment, EntriesArePassedOnAsListed)
{
    // Windows lists per-drive directories under names that begin with "=", and nothing is sorted.
    fake().raw_block = std::string("=C:=C:\\work\0Z=last\0A=\0odd entry\0", 32);
    EXPECT_EQ(getenviron().str(), "=C:=C:\\work\nZ=last\nA=\nodd entry\n");
}

TEST_F(ScriptedEnvironment, MissingBlockIsReported)
{
    fake().environment_missing = true;
    try {
        getenviron();
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Invalid environment string!");
    }
    EXPECT_EQ(fake().blocks_given, 0);
}

TEST_F(ScriptedEnvironment, SetValueIsReadBackAndListed)
{
    putenvvar("NAME", "value");
    putenvvar("OTHER", "");
    EXPECT_EQ(getenvvar("NAME").str(), "value");
    EXPECT_EQ(getenviron().str(), "NAME=value\nOTHER=\n");
}

TEST_F(ScriptedEnvironment, ValueThatFillsTheBufferTakesTheHeap)
{
    fake().variables = {{"FITS", std::string(32766, 'f')}, {"LONG", std::string(32767, 'l')}};
    EXPECT_EQ(getenvvar("FITS").str().size(), 32766u);
    EXPECT_EQ(fake().reads, 1);
    EXPECT_EQ(getenvvar("LONG").str(), std::string(32767, 'l'));
    EXPECT_EQ(fake().reads, 3); // the stack buffer, then one heap buffer sized from the count
}

TEST_F(ScriptedEnvironment, ValueThatGrowsBetweenReadsIsReadAgain)
{
    fake().variables = {{"GROWING", std::string(40000, 'x')}};
    fake().growths = 3;
    fake().growth_bytes = 5000;
    const std::string value = getenvvar("GROWING").str();
    EXPECT_EQ(value.size(), 40000u + 3 * 5000u);
    EXPECT_EQ(value, fake().variables[0].second);
    EXPECT_EQ(fake().reads, 4);
}

TEST_F(ScriptedEnvironment, NulBytesNeverReachTheHost)
{
    putenvvar(std::string("A\0B", 3), "v");
    putenvvar("A", std::string("v\0w", 3));
    EXPECT_TRUE(fake().variables.empty());
    fake().variables = {{"A", "set"}};
    EXPECT_TRUE(getenvvar(std::string("A\0B", 3)).empty());
    EXPECT_EQ(fake().reads, 0);
}

} // namespace
