// The library's shared code over a scripted host, and its naming tables: failures and hosts that
// no real machine here shows.
#include <gtest/gtest.h>

#include <locale>
#include <tuple>

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
    return *i.os() + "|" + *i.arch() + "|" + *i.version() + "|" + *i.release() + "|" +
           *i.node_name() + "|" + *i.pretty_name();
}

// A caller's global locale that groups digits, which must not reach the version text.
struct grouping : std::numpunct<char> {
    char do_thousands_sep() const override { return ','; }
    std::string do_grouping() const override { return "\3"; }
};

TEST(Scripted, HostDescriptionAndItsFailures)
{
    // version known, host name known, its length, and the failure reported
    const std::tuple<bool, bool, std::size_t, const char*> rows[] = {
        {false, true, 8, "failed to init version info"},
        {true, false, 8, "failed to get host name"},
        {false, false, 8, "failed to init version info"},
        {true, true, 1024, "failed to get host name"}, // does not fit 1024 bytes with its NUL
        {true, true, 1023, "none"},
    };
    for (const auto& [version_known, host_known, length, failure] : rows) {
        fake.facts = {version_known, host_known, nt_kernel{}, std::string(length, 'h')};
        EXPECT_EQ(failure_of([] { system_info info; }), failure) << length;
    }
    fake.facts = {true, true, nt_kernel{5, 1, 2600, 1, 0, "Service Pack 3", 0, 0}, "xp"};
    EXPECT_EQ(describe(), "Microsoft Windows XP|x86_32|5.1|Service Pack 3|xp|"
                          "Microsoft Windows XP Service Pack 3 (build 2600)");
    // An x64 program emulated on ARM64 hears processor code 9; the host's own machine wins.
    fake.facts.kernel = nt_kernel{10, 0, 26100, 1, 9, "", 0, 0xAA64};
    EXPECT_EQ(describe(), "Microsoft Windows 11|arm64|10.0||xp|Microsoft Windows 11 (build 26100)");
    fake.facts.kernel = detail::platform::posix_kernel{"Linux", "6.1.0-18-amd64", "aarch64", ""};
    EXPECT_EQ(describe(), "Linux|arm64|6.1|6.1.0-18-amd64|xp|Linux 6.1.0-18-amd64");
    std::get<1>(fake.facts.kernel).os_release = "PRETTY_NAME='Debian GNU/Linux 12 (bookworm)'";
    EXPECT_EQ(describe(), "Linux|arm64|6.1|6.1.0-18-amd64|xp|Debian GNU/Linux 12 (bookworm)");
    const std::locale previous = std::locale::global(std::locale(std::locale(), new grouping));
    fake.facts.kernel = nt_kernel{4294967295u, 1234567, 10000, 1, 0, "", 0, 0};
    const std::string huge = describe();
    std::locale::global(previous);
    EXPECT_EQ(huge, "Unknown OS|x86_32|4294967295.1234567||xp|Unknown OS (build 10000)");
}

TEST(Scripted, MissingEnvironmentIsReported)
{
    fake.environment_missing = true;
    EXPECT_EQ(failure_of(getenviron), "Invalid environment string!");
    fake.environment_missing = false;
}

TEST(Naming, WindowsProductFromVersionAtEveryBoundary)
{
    // Product types: 1 workstation, 2 domain controller, 3 server.
    const struct {
        std::uint32_t major, minor, build;
        std::uint8_t type;
        const char *os, *pretty;
    } rows[] = {
        // clang-format off
        {4, 90, 0, 3, "95", "95"},                  {5, 0, 2195, 1, "2000", "2000"},
        {5, 1, 2600, 1, "XP", "XP"},                {5, 2, 3790, 1, "Server", "XP"},
        {5, 2, 3790, 3, "Server", "Server 2003"},   {5, 3, 0, 1, "", ""},
        {6, 0, 6000, 1, "Vista", "Vista"},          {6, 0, 6001, 3, "Server", "Server 2008"},
        {6, 1, 7601, 1, "7", "7"},                  {6, 1, 7601, 3, "Server", "Server 2008 R2"},
        {6, 2, 9200, 1, "8", "8"},                  {6, 2, 9200, 3, "Server", "Server 2012"},
        {6, 3, 9600, 1, "8.1", "8.1"},              {6, 3, 9600, 2, "Server", "Server 2012 R2"},
        {6, 4, 9600, 1, "", ""},                    {6, 4, 0, 3, "", ""},
        {7, 0, 0, 1, "", ""},                       {10, 0, 14392, 3, "Server", "Server"},
        {10, 0, 14393, 1, "10", "10"},              {10, 0, 14393, 3, "Server", "Server 2016"},
        {10, 0, 17762, 3, "Server", "Server 2016"}, {10, 0, 17763, 3, "Server", "Server 2019"},
        {10, 0, 17763, 1, "10", "10"},              {10, 0, 20347, 2, "Server", "Server 2019"},
        {10, 0, 20348, 3, "Server", "Server 2022"}, {10, 0, 20348, 1, "10", "10"},
        {10, 0, 21999, 1, "10", "10"},              {10, 0, 22000, 1, "11", "11"},
        {10, 0, 26099, 3, "Server", "Server 2022"}, {10, 0, 26100, 3, "Server", "Server 2025"},
        {10, 0, 26100, 2, "Server", "Server 2025"}, {10, 0, 26100, 1, "11", "11"},
        {10, 1, 0, 1, "", ""},                      {11, 0, 30000, 3, "", ""},
        // clang-format on
    };
    for (const auto& r : rows) {
        const auto name = [](const char* product) {
            return *product ? "Microsoft Windows " + std::string(product)
                            : std::string("Unknown OS");
        };
        EXPECT_EQ(detail::windows_product_name(r.major, r.minor, r.build, r.type), name(r.os))
            << r.major << '.' << r.minor << '.' << r.build << " type " << int(r.type);
        EXPECT_EQ(detail::windows_pretty_name(r.major, r.minor, r.build, r.type, ""),
                  name(r.pretty) + " (build " + std::to_string(r.build) + ")");
    }
}

TEST(Naming, PrettyNameOfAnOsReleaseText)
{
    const std::pair<const char*, const char*> rows[] = {
        {"NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n",
         "Debian GNU/Linux 12 (bookworm)"},
        {"PRETTY_NAME=\"say \\\"hi\\\" \\\\ \\$HOME \\`x\\` \\n\"", "say \"hi\" \\ $HOME `x` \\n"},
        {"PRETTY_NAME='Fedora Linux 39 (Workstation Edition)'\n",
         "Fedora Linux 39 (Workstation Edition)"},
        {"ID=alpine\n  PRETTY_NAME=Alpine\\ Linux # unquoted\n", "Alpine Linux"},
        {"PRETTY_NAME=\"first\"\nPRETTY_NAME=\"last\"'s'\n# PRETTY_NAME=\"commented\"\n", "lasts"},
        {"NAME=Linux\nMY_PRETTY_NAME=x\n", ""},
    };
    for (const auto& [text, expected] : rows)
        EXPECT_EQ(detail::os_release_pretty_name(text), expected) << text;
}

TEST(Naming, ArchitectureAndVersionFromWhatTheKernelSays)
{
    const std::pair<std::uint16_t, const char*> codes[] = {
        {0, "x86_32"},      {1, "Unknown"},  {5, "Unknown"}, {6, "ia64"},     {9, "x86_64"},
        {10, "WOW_x86_64"}, {11, "Unknown"}, {12, "arm64"},  {13, "Unknown"}, {0xFFFF, "Unknown"},
    };
    for (const auto& [code, expected] : codes)
        EXPECT_STREQ(detail::arch_from_processor(code), expected) << code;
    // (process, native) as IsWow64Process2 reports them: the process machine is 0 unless WOW64
    // runs it, and an x64 program emulated on ARM64 is no WOW64 process.
    const std::tuple<std::uint16_t, std::uint16_t, const char*> machines_of_process[] = {
        {0, 0x8664, "x86_64"},     {0x014c, 0x8664, "WOW_x86_64"}, {0, 0xAA64, "arm64"},
        {0x014c, 0xAA64, "arm64"}, {0, 0x014c, "x86_32"},          {0, 0x0200, "ia64"},
        {0, 0x01c4, "Unknown"},
    };
    for (const auto& [process, native, expected] : machines_of_process)
        EXPECT_STREQ(detail::arch_from_machines(process, native), expected)
            << process << ' ' << native;
    const std::pair<const char*, const char*> machines[] = {
        {"x86_64", "x86_64"}, {"amd64", "x86_64"}, {"i386", "x86_32"},    {"i686", "x86_32"},
        {"i786", "Unknown"},  {"i286", "Unknown"}, {"i6866", "Unknown"},  {"ia64", "ia64"},
        {"aarch64", "arm64"}, {"arm64", "arm64"},  {"armv7l", "Unknown"}, {"", "Unknown"},
    };
    for (const auto& [machine, expected] : machines)
        EXPECT_STREQ(detail::arch_from_machine(machine), expected) << machine;
    const std::pair<const char*, const char*> releases[] = {
        {"6.1.0-18-amd64", "6.1"},
        {"5.15.153.1-WSL2", "5.15"},
        {"6", "6.0"},
        {"6.", "6.0"},
        {"", "0.0"},
        {"abc", "0.0"},
        {"13.2-RELEASE", "13.2"},
        {"99999999999.7", "4294967295.7"},
    };
    for (const auto& [release, expected] : releases)
        EXPECT_EQ(detail::version_from_release(release), expected) << release;
}
