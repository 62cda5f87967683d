// The library's shared code over a scripted host, and its naming tables: failures and hosts that
// no real machine here shows.
#include <gtest/gtest.h>

#include <locale>
#include <optional>

#include "fake_platform.h"
#include "naming.h"
#include "tarn/tarn.h"

using namespace tarn;
using detail::platform::nt_kernel;
using test::fake;

template <class Call> static std::string failure_of(Call call)
{
    try {
        call();
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "none";
}

static std::string describe()
{
    const system_info i;
    return *i.os() + "|" + *i.arch() + "|" + *i.version() + "|" + *i.release() + "|" + *i.node_name();
}

// A caller's global locale that groups digits, which must not reach the version text.
struct grouping : std::numpunct<char> {
    char do_thousands_sep() const override { return ','; }
    std::string do_grouping() const override { return "\3"; }
};

TEST(Scripted, HostDescriptionAndItsFailures)
{
    const struct {
        bool version_known, host_known;
        std::size_t host_name_size;
        const char* failure;
    } rows[] = {
        {false, true, 8, "failed to init version info"},
        {true, false, 8, "failed to get host name"},
        {false, false, 8, "failed to init version info"},
        {true, true, 1024, "failed to get host name"}, // does not fit 1024 bytes with its NUL
        {true, true, 1023, "none"},
    };
    for (const auto& r : rows) {
        fake.facts = {r.version_known, r.host_known, nt_kernel{}, std::string(r.host_name_size, 'h')};
        EXPECT_EQ(failure_of([] { system_info info; }), r.failure) << r.host_name_size;
    }
    fake.facts = {true, true, nt_kernel{5, 1, 2600, true, 0, "Service Pack 3"}, "xp"};
    EXPECT_EQ(describe(), "Microsoft Windows XP|x86_32|5.1|Service Pack 3|xp");
    fake.facts.kernel = detail::platform::posix_kernel{"Linux", "6.1.0-18-amd64", "aarch64"};
    EXPECT_EQ(describe(), "Linux|arm64|6.1|6.1.0-18-amd64|xp");
    const std::locale previous = std::locale::global(std::locale(std::locale(), new grouping));
    fake.facts.kernel = nt_kernel{4294967295u, 1234567, 0, true, 0, ""};
    const std::string huge = describe();
    std::locale::global(previous);
    EXPECT_EQ(huge, "Unknown OS|x86_32|4294967295.1234567||xp");
}

TEST(Scripted, CopiesAreSeparateObjects)
{
    test::reset_fake();
    std::optional<system_info> first(std::in_place);
    fake.facts.host_name = "other";
    system_info copy(*first), assigned;
    assigned = *first;
    first.reset();
    system_info& alias = assigned;
    assigned = alias;
    EXPECT_EQ(*copy.node_name() + *assigned.node_name(), "fakehostfakehost");
}

TEST(Scripted, MissingEnvironmentIsReported)
{
    fake.environment_missing = true;
    EXPECT_EQ(failure_of(getenviron), "Invalid environment string!");
    fake.environment_missing = false;
}

TEST(Naming, WindowsProductFromVersionAtEveryBoundary)
{
    const struct {
        std::uint32_t major, minor, build;
        bool workstation;
        const char* expected;
    } rows[] = {
        {4, 90, 0, false, "95"},       {5, 0, 2195, true, "2000"},  {5, 1, 2600, true, "XP"},
        {5, 2, 3790, true, "Server"},  {6, 0, 6000, true, "Vista"}, {6, 1, 7601, true, "7"},
        {6, 2, 9200, true, "8"},       {6, 3, 9600, true, "8.1"},   {6, 0, 6001, false, "Server"},
        {6, 3, 9600, false, "Server"}, {10, 0, 21999, true, "10"},  {10, 0, 22000, true, "11"},
        {10, 0, 26100, false, "Server"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(detail::windows_product_name(r.major, r.minor, r.build, r.workstation),
                  "Microsoft Windows " + std::string(r.expected))
            << r.major << '.' << r.minor << '.' << r.build << (r.workstation ? "" : " server");
    for (const auto& [major, minor] : {std::pair{5u, 3u}, {6u, 4u}, {7u, 0u}, {10u, 1u}, {11u, 0u}})
        for (const bool workstation : {true, false})
            EXPECT_STREQ(detail::windows_product_name(major, minor, 22000, workstation), "Unknown OS");
}

TEST(Naming, ArchitectureAndVersionFromWhatTheKernelSays)
{
    const std::pair<std::uint16_t, const char*> codes[] = {
        {0, "x86_32"},      {1, "Unknown"},  {5, "Unknown"}, {6, "ia64"},     {9, "x86_64"},
        {10, "WOW_x86_64"}, {11, "Unknown"}, {12, "arm64"},  {13, "Unknown"}, {0xFFFF, "Unknown"},
    };
    for (const auto& [code, expected] : codes)
        EXPECT_STREQ(detail::arch_from_processor(code), expected) << code;
    const std::pair<const char*, const char*> machines[] = {
        {"x86_64", "x86_64"}, {"amd64", "x86_64"},  {"i386", "x86_32"},   {"i686", "x86_32"},
        {"i786", "Unknown"},  {"i286", "Unknown"},  {"i6866", "Unknown"}, {"ia64", "ia64"},
        {"aarch64", "arm64"}, {"arm64", "arm64"},   {"armv7l", "Unknown"}, {"", "Unknown"},
    };
    for (const auto& [machine, expected] : machines)
        EXPECT_STREQ(detail::arch_from_machine(machine), expected) << machine;
    const std::pair<const char*, const char*> releases[] = {
        {"6.1.0-18-amd64", "6.1"}, {"5.15.153.1-WSL2", "5.15"}, {"6", "6.0"},         {"6.", "6.0"},
        {"", "0.0"},               {"abc", "0.0"},              {"13.2-RELEASE", "13.2"},
        {"99999999999.7", "4294967295.7"},
    };
    for (const auto& [release, expected] : releases)
        EXPECT_EQ(detail::version_from_release(release), expected) << release;
}
