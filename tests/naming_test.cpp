// The naming tables of the host description, at every row and boundary.
#include "naming.h"

#include <gtest/gtest.h>

#include <string>

using tarn::detail::arch_name;
using tarn::detail::parse_release;
using tarn::detail::windows_product_name;

namespace {

struct version_row {
    std::uint32_t major, minor, build;
    bool workstation;
    const char* expected;
};

TEST(Naming, WindowsProductFromVersion)
{
    const version_row rows[] = {
        {0, 0, 0, true, "Microsoft Windows 95"},
        {4, 0, 950, true, "Microsoft Windows 95"},
        {4, 90, 0, false, "Microsoft Windows 95"},
        {5, 0, 2195, true, "Microsoft Windows 2000"},
        {5, 1, 2600, true, "Microsoft Windows XP"},
        {5, 2, 3790, false, "Microsoft Windows Server"},
        {5, 2, 3790, true, "Microsoft Windows Server"},
        {5, 3, 0, true, "Unknown OS"},
        {5, 4, 0, false, "Unknown OS"},
        {6, 0, 6000, true, "Microsoft Windows Vista"},
        {6, 1, 7601, true, "Microsoft Windows 7"},
        {6, 2, 9200, true, "Microsoft Windows 8"},
        {6, 3, 9600, true, "Microsoft Windows 8.1"},
        {6, 4, 9600, true, "Unknown OS"},
        {6, 0, 6001, false, "Microsoft Windows Server"},
        {6, 1, 7601, false, "Microsoft Windows Server"},
        {6, 2, 9200, false, "Microsoft Windows Server"},
        {6, 3, 9600, false, "Microsoft Windows Server"},
        {6, 4, 0, false, "Unknown OS"},
        {10, 0, 19045, true, "Microsoft Windows 10"},
        {10, 0, 21999, true, "Microsoft Windows 10"},
        {10, 0, 22000, true, "Microsoft Windows 11"},
        {10, 0, 26100, true, "Microsoft Windows 11"},
        {10, 0, 20348, false, "Microsoft Windows Server"},
        {10, 0, 26100, false, "Microsoft Windows Server"},
        {10, 1, 0, true, "Unknown OS"},
        {10, 4, 22000, false, "Unknown OS"},
        {7, 0, 0, true, "Unknown OS"},
        {11, 0, 30000, true, "Unknown OS"},
        {11, 0, 30000, false, "Unknown OS"},
        {4294967295u, 0, 0, true, "Unknown OS"},
    };
    for (const auto& r : rows)
        EXPECT_STREQ(windows_product_name(r.major, r.minor, r.build, r.workstation), r.expected)
            << r.major << '.' << r.minor << " build " << r.build
            << (r.workstation ? " workstation" : " server");
}

TEST(Naming, ArchitectureFromProcessorCode)
{
    const std::pair<std::uint16_t, const char*> rows[] = {
        {0, "x86_32"},      {1, "Unknown"},  {5, "Unknown"}, {6, "ia64"},     {9, "x86_64"},
        {10, "WOW_x86_64"}, {11, "Unknown"}, {12, "arm64"},  {13, "Unknown"}, {0xFFFF, "Unknown"},
    };
    for (const auto& [code, expected] : rows)
        EXPECT_STREQ(arch_name(code), expected) << code;
}

TEST(Naming, KernelReleaseGivesTwoNumbers)
{
    const struct {
        const char* release;
        std::uint32_t major, minor;
    } rows[] = {
        {"6.1.0-18-amd64", 6, 1},
        {"5.15.153.1-microsoft-standard-WSL2", 5, 15},
        {"6", 6, 0},
        {"6.", 6, 0},
        {"", 0, 0},
        {"abc", 0, 0},
        {"13.2-RELEASE", 13, 2},
        {"99999999999.7", 4294967295u, 7},
    };
    for (const auto& r : rows) {
        std::uint32_t major = 1, minor = 1;
        parse_release(r.release, major, minor);
        EXPECT_EQ(major, r.major) << r.release;
        EXPECT_EQ(minor, r.minor) << r.release;
    }
}

} // namespace
