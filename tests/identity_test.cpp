// Machine and boot ids on the real host: systemd-id128 as the oracle, machine-id files crafted in
// private mount namespaces (Linux, as root), and the registry's MachineGuid under Wine.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "tarn/tarn.h"

#if defined(_WIN32)
#  include <windows.h>
#else
#  include "child.h"
#endif

using tarn::getbootid;
using tarn::getmachineid;

// The app id 0123456789abcdef0123456789abcdef, keyed with the machine id of the same digits, as
// systemd-id128 derives it: what every host gives for that id, whichever way it is written.
static const char same_digits[] = "f24c5067cec246f09c4b5b6c9ecc29f7";
static const char app[] = "0123456789abcdef0123456789abcdef";

#if defined(_WIN32)

TEST(Identity, MachineGuidInTheSixtyFourBitViewInEitherForm)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Cryptography", 0, nullptr,
                              0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const auto set = [key](const wchar_t* guid) {
        return RegSetValueExW(key, L"MachineGuid", 0, REG_SZ, reinterpret_cast<const BYTE*>(guid),
                              static_cast<DWORD>((wcslen(guid) + 1) * sizeof(wchar_t)));
    };
    wchar_t saved[64] = {}; // the prefix's own, put back after
    DWORD size = sizeof saved;
    RegGetValueW(key, nullptr, L"MachineGuid", RRF_RT_REG_SZ, nullptr, saved, &size);
    for (const wchar_t* guid :
         {L"01234567-89ab-cdef-0123-456789abcdef", L"{01234567-89AB-CDEF-0123-456789ABCDEF}"}) {
        ASSERT_EQ(set(guid), ERROR_SUCCESS);
        EXPECT_EQ(getmachineid(app).str() + '|' + getbootid(app).str(),
                  same_digits + std::string("|"));
    }
    RegDeleteValueW(key, L"MachineGuid");
    EXPECT_EQ(getmachineid(app).str(), "");
    if (*saved)
        set(saved);
    RegCloseKey(key);
}

#else

namespace {

// What systemd-id128 answers, or "" when it answers nothing.
std::string oracle(const std::string& arguments)
{
    std::string answer;
    if (std::FILE* run = popen(("systemd-id128 " + arguments + " 2>/dev/null").c_str(), "r")) {
        char line[64] = {};
        if (std::fgets(line, sizeof line, run))
            answer.assign(line, strcspn(line, "\n"));
        pclose(run);
    }
    return answer;
}

} // namespace

TEST(Identity, MachineAndBootIdsAreSystemdsAppSpecificIds)
{
    if (oracle("machine-id").empty())
        GTEST_SKIP() << "no systemd-id128, or no machine id to ask it of";
    for (const std::string id :
         {"0123456789abcdef0123456789abcdef", "e7f1f3a2-91b4-4c55-8a0f-2b3c4d5e6f70",
          "E7F1F3A291B44C558A0F2B3C4D5E6F70"}) {
        EXPECT_EQ(getmachineid(id).str(), oracle("machine-id --app-specific=" + id)) << id;
        EXPECT_EQ(getbootid(id).str(), oracle("boot-id --app-specific=" + id)) << id;
    }
}

TEST(Identity, CraftedMachineIdFilesAndOsRelease)
{
    // /etc/machine-id and /var/lib/dbus/machine-id (null: a FIFO, "-": none), /etc/os-release;
    // whether the machine id is the one of those digits (or none), the product id and version.
    const char* const valid = "0123456789abcdef0123456789abcdef";
    const struct {
        const char *etc, *dbus, *os_release, *expected;
    } rows[] = {
        {"0123456789abcdef0123456789abcdef\n", "-", "ID=crafted\n", "id|crafted "},
        {valid, "-", "ID=crafted\nVERSION_ID=1\n", "id|crafted 1"},
        {"0123456789ABCDEF0123456789ABCDEF\n", "-", "NAME=x\n", "id|linux "},
        {"uninitialized\n", valid, "", "id|linux "},
        {"", "-", "ID=a\n", "none|a "},
        {"00000000000000000000000000000000\n", "-", "ID=a\n", "none|a "},
        {"0123456789abcdef0123456789abcde\n", "-", "ID=a\n", "none|a "},
        {"01234567-89ab-cdef-0123-456789abcdef\n", "-", "ID=a\n", "none|a "},
        {nullptr, valid, "ID=a\n", "id|a "},
        {"-", valid, "ID=a\n", "id|a "},
    };
    for (const auto& row : rows) {
        const std::string got = tarn::test::in_private_mounts([&] {
            const auto put = [](const char* path, const char* text) {
                return !text          ? mkfifo(path, 0600) == 0
                       : *text == '-' ? true
                                      : bool(std::ofstream(path) << text);
            };
            const bool ready =
                mount("tmpfs", "/etc", "tmpfs", 0, nullptr) == 0 &&
                mount("tmpfs", "/var/lib", "tmpfs", 0, nullptr) == 0 &&
                mkdir("/var/lib/dbus", 0755) == 0 && put("/etc/machine-id", row.etc) &&
                put("/var/lib/dbus/machine-id", row.dbus) && put("/etc/os-release", row.os_release);
            const tarn::system_info info;
            const std::string id = getmachineid(app).str();
            return ready ? (id == same_digits ? "id"
                            : id.empty()      ? "none"
                                              : id) +
                               '|' + *info.product_id() + ' ' + *info.product_version()
                         : "not crafted";
        });
        if (got == tarn::test::no_namespace)
            GTEST_SKIP() << got;
        EXPECT_EQ(got, row.expected) << (row.etc ? row.etc : "a FIFO");
    }
}

#endif
