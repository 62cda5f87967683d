// tarn::system_info on the real host, checked against what the host says through other roads.
#include "tarn/system_info.h"

#include <gtest/gtest.h>

#include <cctype>
#include <regex>
#include <string>

#include "host_facts.h"

using tarn::system_info;

namespace {

TEST(SystemInfo, HostDescriptionMatchesTheHost)
{
    const host_facts facts = read_host_facts();
    if (!facts.available)
        GTEST_SKIP() << facts.why_not;
    const system_info info;
    EXPECT_EQ(*info.os(), facts.os);
    EXPECT_EQ(*info.version(), facts.version);
    EXPECT_EQ(*info.release(), facts.release);
    EXPECT_EQ(*info.node_name(), facts.node_name);
    EXPECT_EQ(*info.arch(), facts.arch);
}

TEST(SystemInfo, BuildValuesHaveTheirForms)
{
    const system_info info;
    EXPECT_TRUE(std::regex_match(*info.build_time(),
                                 std::regex("([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9]")))
        << *info.build_time();
    EXPECT_TRUE(std::regex_match(*info.build_date(),
                                 std::regex("(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
                                            "( [1-9]|[12][0-9]|3[01]) [0-9]{4}")))
        << *info.build_date();
    const std::string os = *info.build_os();
    const std::string arch = *info.build_arch();
    EXPECT_TRUE(os == "winnt" || os == "linux" || os == "darwin" || os == "freebsd") << os;
    EXPECT_TRUE(arch == "x86_64" || arch == "arm64") << arch;
}

TEST(SystemInfo, BuildValuesAreTheSameFromEveryObjectAndCall)
{
    const system_info a, b;
    EXPECT_EQ(*a.build_time(), *b.build_time());
    EXPECT_EQ(*a.build_date(), *a.build_date());
    EXPECT_EQ(*a.build_date(), *b.build_date());
    EXPECT_EQ(*a.build_os(), *b.build_os());
    EXPECT_EQ(*a.build_arch(), *b.build_arch());
}

TEST(SystemInfo, EveryGetterCallHasItsOwnCarrier)
{
    const system_info info;
    const auto first = info.node_name();
    const auto second = info.node_name();
    EXPECT_EQ(*first, *second);
    EXPECT_NE(first.get(), second.get());
    std::string read_by_conversion = info.os();
    EXPECT_EQ(read_by_conversion, *info.os());
}

} // namespace
