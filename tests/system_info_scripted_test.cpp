// tarn::system_info against a scripted host: every branch of the constructor.
#include <gtest/gtest.h>

#include <stdexcept>

#include "fake_platform.h"
#include "tarn/system_info.h"

using tarn::system_info;
using tarn::test::fake;

namespace {

class ScriptedHost : public testing::Test {
protected:
    void SetUp() override { tarn::test::reset_fake(); }
};

std::string failure_of_construction()
{
    try {
        system_info info;
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "no exception";
}

TEST_F(ScriptedHost, DescribesWhatTheHostReports)
{
    fake().major = 5;
    fake().minor = 1;
    fake().service_pack = "Service Pack 3";
    fake().processor = 0;
    fake().host_name = "build-07.example.org";
    const system_info info;
    EXPECT_EQ(*info.os(), "Microsoft Windows XP");
    EXPECT_EQ(*info.version(), "5.1");
    EXPECT_EQ(*info.release(), "Service Pack 3");
    EXPECT_EQ(*info.arch(), "x86_32");
    EXPECT_EQ(*info.node_name(), "build-07.example.org");
}

TEST_F(ScriptedHost, CurrentWindowsIsNamedFromItsBuild)
{
    fake().build = 22631;
    const system_info info;
    EXPECT_EQ(*info.os(), "Microsoft Windows 11");
    EXPECT_EQ(*info.version(), "10.0");
    EXPECT_EQ(*info.release(), "");
}

TEST_F(ScriptedHost, PosixKernelNamesItself)
{
    fake().kernel_name = "Linux";
    fake().major = 6;
    fake().minor = 1;
    fake().service_pack = "6.1.0-18-amd64";
    const system_info info;
    EXPECT_EQ(*info.os(), "Linux");
    EXPECT_EQ(*info.version(), "6.1");
    EXPECT_EQ(*info.release(), "6.1.0-18-amd64");
}

TEST_F(ScriptedHost, VersionQueryFailureIsReportedBeforeAnythingElseIsAsked)
{
    fake().version_fails = true;
    EXPECT_EQ(failure_of_construction(), "failed to init version info");
    EXPECT_EQ(fake().host_queries, 0);
}

TEST_F(ScriptedHost, HostNameFailureIsReported)
{
    fake().host_name_fails = true;
    EXPECT_EQ(failure_of_construction(), "failed to get host name");
}

TEST_F(ScriptedHost, HostNameMustFitTheBufferWithItsNul)
{
    fake().host_name = std::string(1023, 'h');
    EXPECT_EQ(system_info().node_name()->size(), 1023u);
    fake().host_name = std::string(1024, 'h');
    EXPECT_EQ(failure_of_construction(), "failed to get host name");
}

TEST_F(ScriptedHost, LargeVersionsAreWrittenPlainly)
{
    // A caller's global locale must not group the digits.
    fake().major = 4294967295u;
    fake().minor = 1234567;
    EXPECT_EQ(*system_info().version(), "4294967295.1234567");
}

TEST_F(ScriptedHost, ObjectKeepsWhatTheHostSaidAtConstruction)
{
    fake().host_name = "before";
    const system_info info;
    fake().host_name = "after";
    EXPECT_EQ(*info.node_name(), "before");
    EXPECT_EQ(*system_info().node_name(), "after");
}

TEST_F(ScriptedHost, CopiesAreSeparateObjects)
{
    fake().host_name = "first";
    auto first = std::make_unique<system_info>();
    fake().host_name = "second";
    system_info second;

    system_info copy(*first);
    second = *first;
    first.reset();
    EXPECT_EQ(*copy.node_name(), "first");
    EXPECT_EQ(*second.node_name(), "first");

    system_info& alias = second;
    second = alias;
    EXPECT_EQ(*second.node_name(), "first");
}

} // namespace
