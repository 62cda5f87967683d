// The library's shared code over a scripted host, and its naming tables: failures and hosts that
// no real machine here shows.
#include <gtest/gtest.h>

#include <locale>
#include <tuple>

#include "capacity_rules.h"
#include "directory_rules.h"
#include "platform/linux_text.h"
#include "counting_heap.h"
#include "fake_platform.h"
#include "naming.h"
#include "tarn/c.h"
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
    // The name is asked for when wanted: an object made before os-release changed reports it.
    fake.facts.kernel = detail::platform::posix_kernel{"Linux", "6.1.0-18-amd64", "aarch64"};
    const system_info made_before;
    EXPECT_EQ(describe(), "Linux|arm64|6.1|6.1.0-18-amd64|xp|Linux 6.1.0-18-amd64");
    fake.product.os_release = "PRETTY_NAME='Debian GNU/Linux 12 (bookworm)'";
    EXPECT_EQ(*made_before.pretty_name(), "Debian GNU/Linux 12 (bookworm)");
    const std::locale previous = std::locale::global(std::locale(std::locale(), new grouping));
    fake.facts.kernel = nt_kernel{4294967295u, 4294967295u, 10000, 1, 0, "", 0, 0};
    const std::string huge = describe();
    std::locale::global(previous);
    EXPECT_EQ(huge, "Unknown OS|x86_32|4294967295.4294967295||xp|Unknown OS (build 10000)");
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
        {4, 90, 0, 3, "95", "95"},                  {5, 0, 2195, 3, "2000", "2000"},
        {5, 1, 2600, 1, "XP", "XP"},                {5, 2, 3790, 1, "Server", "XP"},
        {5, 2, 3790, 3, "Server", "Server 2003"},   {5, 3, 0, 1, "", ""},
        {6, 0, 6000, 1, "Vista", "Vista"},          {6, 1, 7601, 3, "Server", "Server 2008 R2"},
        {6, 3, 9600, 1, "8.1", "8.1"},              {6, 3, 9600, 2, "Server", "Server 2012 R2"},
        {6, 4, 9600, 1, "", ""},                    {7, 0, 0, 1, "", ""},
        {10, 0, 14392, 3, "Server", "Server"},      {10, 0, 14393, 3, "Server", "Server 2016"},
        {10, 0, 14394, 3, "Server", "Server"},      {10, 0, 17763, 3, "Server", "Server 2019"},
        {10, 0, 18363, 3, "Server", "Server"},      {10, 0, 20348, 2, "Server", "Server 2022"},
        {10, 0, 25398, 3, "Server", "Server"},      {10, 0, 26100, 3, "Server", "Server 2025"},
        {10, 0, 26100, 1, "11", "11"},              {10, 0, 21999, 1, "10", "10"},
        {10, 0, 22000, 1, "11", "11"},              {10, 1, 14393, 3, "", ""},
        // clang-format on
    };
    for (const auto& r : rows) {
        const auto name = [](const char* product) {
            return *product ? "Microsoft Windows " + std::string(product)
                            : std::string("Unknown OS");
        };
        EXPECT_EQ(detail::windows_product_name(r.major, r.minor, r.build, r.type), name(r.os))
            << r.major << '.' << r.minor << '.' << r.build << " type " << int(r.type);
        EXPECT_EQ(detail::windows_pretty_name(r.major, r.minor, r.build, r.type, "", {}),
                  name(r.pretty) + " (build " + std::to_string(r.build) + ")");
    }
}

TEST(Naming, RegistryNamesEditionReleaseAndRevisionOnlyForTheKernelsBuild)
{
    const struct {
        std::uint32_t major, minor, build;
        std::uint8_t type;
        detail::platform::nt_product registry; // build, edition, DisplayVersion, ReleaseId, UBR
        const char* pretty;
    } rows[] = {
        // clang-format off
        {10, 0, 22631, 1, {"22631", "Professional", "23H2", "2009", true, 4460},
         "11 Pro 23H2 (build 22631.4460)"},
        {10, 0, 22631, 1, {"7601", "Professional", "23H2", "2009", true, 4460}, "11 (build 22631)"},
        {10, 0, 20348, 3, {"20348", "ServerDatacenter", "21H2", "2009", true, 2849},
         "Server 2022 Datacenter (build 20348.2849)"},
        {10, 0, 25398, 3, {"25398", "ServerStandardEval", "23H2", "", false, 0},
         "Server Standard Evaluation 23H2 (build 25398)"},
        {10, 0, 19041, 1, {"19041", "Core", "", "2004", false, 0}, "10 Home 2004 (build 19041)"},
        {10, 0, 19042, 1, {"19042", "Core", "", "2009", false, 0}, "10 Home (build 19042)"},
        {10, 0, 19042, 1, {"19042", "Enterprise", "20H2", "2009", true, 1052},
         "10 Enterprise 20H2 (build 19042.1052)"},
        {10, 0, 19045, 1, {"19045", "Core", "22H2 (b)", "2009", true, 5131},
         "10 Home (build 19045.5131)"},
        {10, 0, 14393, 1, {"14393", "EnterpriseS", "", "1607", false, 0},
         "10 Enterprise LTSB 1607 (build 14393)"},
        {10, 0, 17763, 1, {"17763", "EnterpriseS", "", "1809", false, 0},
         "10 Enterprise LTSC 1809 (build 17763)"},
        {10, 0, 22000, 1, {"22000", "Unheard", "21H2Beta", "", false, 0},
         "11 21H2Beta (build 22000)"}, // an edition unknown, a label as long as any
        {6, 2, 9200, 1, {"9200", "Professional", "", "", true, 17031}, "8 Pro (build 9200)"},
        {6, 1, 7601, 1, {"7601", "Professional", "", "", false, 0},
         "7 Professional Service Pack 1 (build 7601)"},
        // clang-format on
    };
    for (const auto& r : rows) {
        const std::string service_pack = r.major == 6 && r.minor == 1 ? "Service Pack 1" : "";
        EXPECT_EQ(detail::windows_pretty_name(r.major, r.minor, r.build, r.type, service_pack,
                                              r.registry),
                  "Microsoft Windows " + std::string(r.pretty));
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
        {"ID=alpine\n \tPRETTY_NAME=Alpine\\ Linux # unquoted\n", "Alpine Linux"},
        {"PRETTY_NAME=\"first\"\nPRETTY_NAME=\"last\"'s'\n# PRETTY_NAME=\"commented\"\n", "lasts"},
        {"NAME=Linux\nMY_PRETTY_NAME=x\n", ""},
        {"PRETTY_NAME=Foo\\\n", "Foo\\"}, // a backslash that ends the line stays
        {"PRETTY_NAME=\"Foo\\", "Foo\\"}, // and one that ends the file in quotes
        {"PRETTY_NAME=\"Foo Bar\"\r\nNAME=x\r\n", "Foo Bar"}, // saved on Windows
        {"PRETTY_NAME=Foo\r", "Foo"},
    };
    for (const auto& [text, expected] : rows)
        EXPECT_EQ(detail::os_release_value(text, "PRETTY_NAME"), expected) << text;
}

TEST(Naming, ProductIdsForPrograms)
{
    // os-release: ID, VERSION_ID, ID_LIKE
    const std::tuple<const char*, const char*, const char*, const char*> texts[] = {
        {"ID=debian\nVERSION_ID=\"12\"\n", "debian", "12", ""},
        {"ID='ubuntu'\r\nVERSION_ID=22.04\r\nID_LIKE=debian\r\n", "ubuntu", "22.04", "debian"},
        {"ID=\"rhel\"\nID_LIKE=\"fedora centos\"\n", "rhel", "", "fedora centos"}, // rolling
        {"NAME=Linux\n#ID=commented\n", "linux", "", ""},
        {"ID=fedora\nID=arch\nVERSION_ID=\n", "arch", "", ""},
        {"ID=\"deb ian\"\nVERSION_ID=\"12 b\"\nID_LIKE=\"a\\\"b\"\n", "", "", ""},
        {"ID=my_oz-2.0\nVERSION_ID=1\\.9\n", "my_oz-2.0", "1.9", ""},
        // spaces only between words, one each
        {"ID_LIKE=\"  \"", "linux", "", ""},
        {"ID_LIKE=\" debian\"", "linux", "", ""},
        {"ID_LIKE=\"debian \"", "linux", "", ""},
        {"ID_LIKE=\"rhel  fedora\"", "linux", "", ""},
        {"ID_LIKE=\"\"", "linux", "", ""},
    };
    for (const auto& [text, id, version, like] : texts) {
        const auto ids = detail::os_release_product(text, true);
        EXPECT_EQ(ids.id + '|' + ids.version + '|' + ids.like,
                  std::string(id) + '|' + version + '|' + like)
            << text;
    }
    EXPECT_EQ(detail::os_release_product("", false).id, "");
    // Windows: the family of the pretty name, as one word
    const std::tuple<std::uint32_t, std::uint32_t, std::uint32_t, std::uint8_t, const char*>
        versions[] = {
            {10, 0, 22631, 1, "11"},         {6, 3, 9600, 1, "8.1"},
            {5, 2, 3790, 1, "xp"},           {6, 0, 6002, 1, "vista"},
            {10, 0, 20348, 3, "server2022"}, {6, 3, 9600, 2, "server2012r2"},
            {10, 0, 25398, 3, "server"},     {7, 0, 0, 1, ""},
        };
    for (const auto& [major, minor, build, type, version] : versions)
        EXPECT_EQ(detail::windows_product_version(major, minor, build, type), version) << build;
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
        {"x86_64", "x86_64"},  {"amd64", "x86_64"}, {"i386", "x86_32"},   {"i686", "x86_32"},
        {"i786", "Unknown"},   {"i286", "Unknown"}, {"i6866", "Unknown"}, {"ia64", "ia64"},
        {"aarch64", "arm64"},  {"arm64", "arm64"},  {"armv7l", "arm"},    {"armv8l", "arm"},
        {"armv5l", "Unknown"}, {"s390x", "s390x"},  {"s390", "Unknown"},  {"", "Unknown"},
    };
    for (const auto& [machine, expected] : machines)
        EXPECT_STREQ(detail::arch_from_machine(machine), expected) << machine;
    const std::pair<const char*, const char*> releases[] = {
        // clang-format off
        {"6.1.0-18-amd64", "6.1"}, {"5.15.153.1-WSL2", "5.15"}, {"6", "6.0"}, {"6.", "6.0"},
        {"", "0.0"}, {"abc", "0.0"}, {"13.2-RELEASE", "13.2"}, {"99999999999.7", "4294967295.7"},
        {"4294967294.0", "4294967294.0"}, {"4294967300.10", "4294967295.10"},
        // clang-format on
    };
    for (const auto& [release, expected] : releases)
        EXPECT_EQ(detail::version_from_release(release), expected) << release;
}

// The scripted host's variables, from "NAME=value;...", and nothing else of it.
static void script_variables(const std::string& variables)
{
    test::reset_fake();
    const test::host_scope host;
    for (std::size_t at = 0, end; at < variables.size(); at = end + 1) {
        end = std::min(variables.find(';', at), variables.size());
        const std::size_t equals = variables.find('=', at);
        fake.variables[variables.substr(at, equals - at)] =
            variables.substr(equals + 1, end - equals - 1);
    }
}

TEST(Directories, UserDirsAsTheToolReadsThem)
{
    // After a line that gives "$HOME/First": a later line of the key wins, one the tool would
    // not take is ignored (First stays), one that names home itself removes the folder (none).
    const std::pair<const char*, const char*> rows[] = {
        {"XDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n", "/home/u/Docs"},
        {"XDG_DOCUMENTS_DIR=\"/srv/docs//\"", "/srv/docs"}, // no line feed at the end
        {"XDG_DOCUMENTS_DIR=\"$HOME/a\\\"b\\\\c\\$d\\`e\"", "/home/u/a\"b\\c$d`e"},
        {"XDG_DOCUMENTS_DIR=\"$HOME/a\"b\"", "/home/u/First"}, // text after the value
        {"XDG_DOCUMENTS_DIR=\"$HOME/a\\\"", "/home/u/First"},  // no quote ends it
        {"XDG_DOCUMENTS_DIR=\"$HOME\"", ""},
        {"XDG_DOCUMENTS_DIR=\"$HOME/\"", ""},
        {"XDG_DOCUMENTS_DIR=\"/home/u//\"", ""},
        {"XDG_DOCUMENTS_DIR=\"Docs\"", "/home/u/First"},
        {"XDG_DOCUMENTS_DIR=$HOME/Docs", "/home/u/First"},
        {"XDG_DOCUMENTS_DIR=\"${HOME}/Docs\"", "/home/u/First"},
        {"XDG_DOCUMENTS_DIR=\"$USER/Docs\"", "/home/u/First"},
        {"XDG_DOCUMENTS_DIR=\"$HOMEX/Docs\"", "/home/u/First"},
        {"# XDG_DOCUMENTS_DIR=\"/c\"\nXDG_DESKTOP_DIR=\"/d\"", "/home/u/First"},
        {"XDG_DOCUMENTS_DIR =\"/x\"", "/home/u/First"},
        {" \tXDG_DOCUMENTS_DIR= \t\"/x\" \t", "/x"},
        {"XDG_DOCUMENTS_DIR=\"/x\"\r\nXDG_MUSIC_DIR=\"/m\"\r\n", "/x"},
    };
    for (const auto& [line, expected] : rows)
        EXPECT_EQ(detail::user_dir("XDG_DOCUMENTS_DIR=\"$HOME/First\"\n" + std::string(line),
                                   "DOCUMENTS", "/home/u"),
                  expected)
            << line;
    // No home: nothing under it, but an absolute folder; and a home that is the root.
    const std::tuple<const char*, const char*, const char*> homes[] = {
        {"XDG_DOCUMENTS_DIR=\"$HOME/Docs\"", "", ""},
        {"XDG_DOCUMENTS_DIR=\"/srv/docs\"", "", "/srv/docs"},
        {"XDG_DOCUMENTS_DIR=\"$HOME/Docs\"", "/", "/Docs"},
    };
    for (const auto& [text, home, expected] : homes)
        EXPECT_EQ(detail::user_dir(text, "DOCUMENTS", home), expected) << text << home;
}

TEST(Directories, OneRulePerHost)
{
    using d = directory;
    // POSIX: variables, the password database's home, the private runtime folder; the folder
    // asked for, and the answer
    const std::tuple<const char*, const char*, const char*, d, const char*> posix[] = {
        {"HOME=/home/u", "/x", "", d::home, "/home/u"},
        {"", "/home/pw", "", d::home, "/home/pw"},           // unset: the password database's
        {"HOME=", "/home/pw", "", d::home, "/home/pw"},      // empty
        {"HOME=rel/u", "/home/pw", "", d::home, "/home/pw"}, // relative
        {"HOME=rel", "pw", "", d::home, ""},                 // neither absolute
        {"HOME=/home/u//", "", "", d::home, "/home/u"},
        {"HOME=/", "", "", d::home, "/"},
        {"HOME=//", "", "", d::config, "/.config"},
        {"HOME=/h", "", "", d::config, "/h/.config"},
        {"HOME=/h;XDG_CONFIG_HOME=/c/", "", "", d::config, "/c"},
        {"HOME=/h;XDG_CONFIG_HOME=c", "", "", d::config, "/h/.config"}, // relative: ignored
        {"HOME=/h;XDG_CONFIG_HOME=", "", "", d::config, "/h/.config"},
        {"XDG_DATA_HOME=/d", "", "", d::data, "/d"},
        {"HOME=/h", "", "", d::data, "/h/.local/share"},
        {"HOME=/h;XDG_CACHE_HOME=/k/", "", "", d::cache, "/k"},
        {"HOME=/:/", "", "", d::home, "/:"},           // no drive on POSIX
        {"", "/home/pw\\", "", d::home, "/home/pw\\"}, // a backslash is a name's on POSIX
        {"HOME=/h", "", "", d::cache, "/h/.cache"},
        {"HOME=/h;XDG_STATE_HOME=/s", "", "", d::state, "/s"},
        {"HOME=/h", "", "", d::state, "/h/.local/state"},
        {"HOME=r", "", "", d::cache, ""}, // no home at all
        {"XDG_RUNTIME_DIR=/run/user/7/", "", "/run/user/7", d::runtime, "/run/user/7"},
        {"XDG_RUNTIME_DIR=/tmp", "", "/run/user/7", d::runtime, ""}, // shared, or not its own
        {"XDG_RUNTIME_DIR=run/user/7", "", "run/user/7", d::runtime, ""},
        {"HOME=/h", "", "", d::runtime, ""},
        {"TMPDIR=/var/tmp/", "", "", d::temp, "/var/tmp"},
        {"TMPDIR=tmp", "", "", d::temp, "/tmp"},
        {"", "", "", d::temp, "/tmp"},
    };
    const detail::platform::directory_host host; // answering from the script
    for (const auto& [variables, account, private_folder, which, expected] : posix) {
        script_variables(variables);
        fake.account_home = account, fake.private_directories = {private_folder};
        EXPECT_EQ(detail::posix_directory(which, host), expected)
            << variables << ' ' << static_cast<int>(which);
    }
    // Windows: variables, the Known Folders that answer (profile, roaming, local), the temporary
    // folder; never HOME, XDG_* or TMPDIR.
    const std::map<int, std::string> known = {
        {0, "C:\\Users\\u"}, {1, "C:\\Users\\u\\AppData\\Roaming\\"}, {2, "\\\\srv\\p\\Local"}};
    const std::tuple<const char*, std::map<int, std::string>, const char*, d, const char*>
        windows[] = {
            {"HOME=/home/u;USERPROFILE=D:\\p", known, "", d::home, "C:\\Users\\u"},
            {"USERPROFILE=D:\\p\\", {}, "", d::home, "D:\\p"}, // the call failed
            {"USERPROFILE=D:", {}, "", d::home, ""},
            {"USERPROFILE=p", {}, "", d::home, ""},
            {"USERPROFILE=prof", {}, "", d::home, ""},
            {"USERPROFILE=\\prof", {}, "", d::home, ""},  // rooted on no drive
            {"USERPROFILE=\\\\srv", {}, "", d::home, ""}, // a server, no share
            {"USERPROFILE=\\\\\\p", {}, "", d::home, ""},
            {"USERPROFILE=\\\\srv\\p\\", {}, "", d::home, "\\\\srv\\p"},
            {"USERPROFILE=\\\\srv\\", {}, "", d::home, ""},
            {"USERPROFILE=Z:\\p", {}, "", d::home, "Z:\\p"},
            {"USERPROFILE=1:\\p", {}, "", d::home, ""},        // a drive is a letter
            {"USERPROFILE=D:\\p", {{0, ""}}, "", d::home, ""}, // a path the code page cannot hold
            {"XDG_CONFIG_HOME=/c", known, "", d::config, "C:\\Users\\u\\AppData\\Roaming"},
            {"", known, "", d::data, "C:\\Users\\u\\AppData\\Roaming"},
            {"APPDATA=E:/r/", {}, "", d::config, "E:/r"},
            {"APPDATA=A:\\r", {}, "", d::data, "A:\\r"},
            {"XDG_CACHE_HOME=/k", known, "", d::cache, "\\\\srv\\p\\Local"},
            {"LOCALAPPDATA=F:\\l", {}, "", d::state, "F:\\l"},
            {"LOCALAPPDATA=z:/l", {}, "", d::cache, "z:/l"},
            {"XDG_RUNTIME_DIR=C:\\r", known, "", d::runtime, ""},
            {"TMPDIR=C:\\t", {}, "C:\\", d::temp, "C:\\"}, // a root keeps its separator
            {"", {}, "C:\\Temp\\", d::temp, "C:\\Temp"},
            {"", {}, "", d::temp, ""},
        };
    for (const auto& [variables, folders, temp, which, expected] : windows) {
        script_variables(variables);
        fake.known_folders = folders, fake.temp_path = temp;
        EXPECT_EQ(detail::windows_directory(which, host), expected)
            << variables << ' ' << static_cast<int>(which);
    }
    // The user's folders, the eight in their order: POSIX's from user-dirs.dirs in the config
    // folder (XDG_CONFIG_HOME moves it), Windows' Known Folders from Desktop to Public, with no
    // variable in their place.
    const std::pair<const char*, const char*> user_folders[] = {
        {"DESKTOP", "desktop"},     {"DOCUMENTS", "documents"},    {"DOWNLOAD", "downloads"},
        {"MUSIC", "music"},         {"PICTURES", "pictures"},      {"VIDEOS", "videos"},
        {"TEMPLATES", "templates"}, {"PUBLICSHARE", "publicshare"}};
    for (std::size_t i = 0; i < std::size(user_folders); ++i) {
        const auto which = static_cast<directory>(static_cast<int>(directory::desktop) + int(i));
        const std::string name = user_folders[i].second;
        std::string answers;
        for (const char* variables : {"HOME=/h", "HOME=/h;XDG_CONFIG_HOME=/c"}) {
            script_variables(variables);
            fake.user_dirs["/h/.config"] =
                "XDG_" + std::string(user_folders[i].first) + "_DIR=\"$HOME/" + name + "\"\n";
            answers += detail::posix_directory(which, host) + '|';
        }
        for (const bool answered : {true, false}) {
            script_variables("USERPROFILE=C:\\u");
            if (answered)
                fake.known_folders[3 + int(i)] = "C:\\" + name + '\\';
            answers += detail::windows_directory(which, host) + '|';
        }
        EXPECT_EQ(answers, "/h/" + name + "||C:\\" + name + "||") << name;
    }
    // Through the library, by the target's own rule; any other number refused.
    script_variables("TMPDIR=/scratch/");
    fake.temp_path = "C:\\scratch\\";
    char* path = nullptr;
    size_t size = 0;
    EXPECT_TRUE(tarn_getdirectory(TARN_DIRECTORY_TEMP, &path, &size) == TARN_OK &&
                std::string(path, size) == (getosname() == "winnt" ? "C:\\scratch" : "/scratch") &&
                getdirectory(directory::temp) == path);
    tarn_free(path);
    EXPECT_TRUE(tarn_getdirectory(TARN_DIRECTORY_RUNTIME, &path, &size) == TARN_OK && !path &&
                !size);
    for (const int number : {-1, 15}) {
        path = reinterpret_cast<char*>(1), size = 1;
        EXPECT_TRUE(tarn_getdirectory(number, &path, &size) == TARN_ERROR_INVALID_ARGUMENT &&
                    !path && !size);
        EXPECT_THROW(getdirectory(static_cast<directory>(number)), std::invalid_argument);
    }
    EXPECT_EQ(tarn_getdirectory(TARN_DIRECTORY_HOME, nullptr, nullptr),
              TARN_ERROR_INVALID_ARGUMENT);
    // The program's and the library's own files, where the host can say (and the library's,
    // here, cannot).
    fake.executable = "/opt/app/bin/app";
    EXPECT_TRUE(tarn_getexecutablepath(&path, &size) == TARN_OK &&
                std::string(path, size) == fake.executable && getexecutablepath() == path);
    tarn_free(path);
    EXPECT_TRUE(tarn_getlibrarypath(&path, &size) == TARN_OK && !path && !size &&
                getlibrarypath().empty() &&
                tarn_getlibrarypath(nullptr, &size) == TARN_ERROR_INVALID_ARGUMENT);
    test::reset_fake();
}

TEST(Directories, MemoryMapLinesAsTheKernelWritesThem)
{
    const std::pair<const char*, const char*> rows[] = {
        {"7f5082aab000-7f5082aba000 r--p 00000000 fd:01 11060184                   "
         "/usr/lib/libtarn.so.1",
         "7f5082aab000-7f5082aba000 253:1 11060184 /usr/lib/libtarn.so.1"},
        {"10000-20000 r-xp 00001000 00:27 7 /a b/x\\012y\\01z (deleted)",
         "10000-20000 0:39 7 /a b/x\ny\\01z (deleted)"},
        {"ffffffffff600000-ffffffffff601000 --xp 00000000 00:00 0                  [vsyscall]",
         "ffffffffff600000-ffffffffff601000 0:0 0 [vsyscall]"},
        {"7ffd1000-7ffd2000 rw-p 00000000 00:00 0", "7ffd1000-7ffd2000 0:0 0 "},
        {"x-2000 r--p 0 08:01 5 /a", "-"},
        {"1000-2000 r--p 0 08:01", "-"},
        {"1000-2000 r--p 0 0801 5 /a", "-"},
        {"1000-2000 r--p 0 08:01 5x /a", "-"},
    };
    for (const auto& [line, expected] : rows) {
        detail::platform::mapping m;
        const bool parsed_whole = detail::platform::parse_mapping(line, m);
        char parsed[96];
        std::snprintf(parsed, sizeof parsed, "%llx-%llx %u:%u %llu ",
                      static_cast<unsigned long long>(m.start),
                      static_cast<unsigned long long>(m.end), m.major, m.minor,
                      static_cast<unsigned long long>(m.inode));
        EXPECT_EQ(parsed_whole ? parsed + m.path : "-", expected) << line;
    }
}

TEST(Capacity, MountOfEachHierarchyThatShowsTheWholeChain)
{
    namespace cg = detail::platform::cgroup;
    // A line of mountinfo: mount ID, its parent's, the cgroup mounted, where, what.
    const auto line = [](int id, int parent, const char* root, const char* point, const char* type,
                         const char* options = "rw") {
        return std::to_string(id) + ' ' + std::to_string(parent) + " 0:27 " + root + ' ' + point +
               " rw - " + type + " none " + options + '\n';
    };
    // The process's root (its parent is not listed), /sys, and the tmpfs at /sys/fs/cgroup.
    const std::string root = line(20, 1, "/", "/", "ext4"),
                      sys = line(21, 20, "/", "/sys", "sysfs"),
                      tmpfs = line(22, 21, "/", "/sys/fs/cgroup", "tmpfs");
    const struct {
        const char* cgroup; // /proc/self/cgroup
        std::string mountinfo;
        const char* expected; // where the chain starts per hierarchy: cpu, memory, v2
    } rows[] = {
        // clang-format off
        // a cgroup namespace: the container's own cgroup shows as "/", and so does the mount's
        // root; "/" listed after the mounts on it, as the kernel often lists it
        {"4:cpu,memory:/\n0::/\n", sys + tmpfs + line(30, 22, "/", "/sys/fs/cgroup/cpu,memory", "cgroup", "rw,memory,cpu") +
             line(31, 22, "/", "/sys/fs/cgroup/unified", "cgroup2") + root,
         "/sys/fs/cgroup/cpu,memory /sys/fs/cgroup/cpu,memory /sys/fs/cgroup/unified"},
        // entered without a fresh mount: the host's mounts show roots above the namespace's
        {"4:cpu:/\n0::/\n", root + line(30, 20, "/../..", "/sys/fs/cgroup/cpu", "cgroup", "rw,cpu") +
             line(31, 20, "/..", "/sys/fs/cgroup/unified", "cgroup2"), "- - -"},
        // binds of parts of the hierarchy, listed before the whole and after it; one below the
        // process's cgroup shows nothing of its chain
        {"4:cpu:/hunt/a/b\n", root + line(30, 20, "/hunt/a", "/mnt/part", "cgroup", "rw,cpu") +
             line(31, 20, "/", "/sys/fs/cgroup/cpu", "cgroup", "rw,cpu") + line(32, 20, "/hunt", "/mnt/more", "cgroup", "rw,cpu") +
             line(33, 20, "/hunt/a/b/c", "/mnt/below", "cgroup", "rw,cpu"),
         "/sys/fs/cgroup/cpu/hunt/a/b - -"},
        // stacked at one point: the later mount, on the earlier one, is the one a walk enters
        {"0::/s/t\n", line(31, 30, "/s", "/sys/fs/cgroup", "cgroup2") + line(30, 21, "/", "/sys/fs/cgroup", "cgroup2") +
             sys + root, "- - /sys/fs/cgroup/t"},
        // a covered parent: a tmpfs stacked on the one that holds the hierarchy (listed first),
        // and the hierarchy mounted again elsewhere
        {"5:memory:/m\n", root + sys + line(40, 22, "/", "/sys/fs/cgroup", "tmpfs") + tmpfs +
             line(30, 22, "/", "/sys/fs/cgroup/memory", "cgroup", "rw,memory") +
             line(31, 20, "/", "/srv/memory", "cgroup", "rw,memory") + line(32, 20, "/", "/srv/memory-other", "tmpfs"),
         "- /srv/memory/m -"},
        // moved under a tmpfs made after it: listed before the mount it now lies on
        {"5:memory:/m\n", root + line(33, 45, "/", "/mnt/t/mem", "cgroup", "rw,memory") + line(45, 20, "/", "/mnt/t", "tmpfs"),
         "- /mnt/t/mem/m -"},
        // a bind made before the first mount was covered stays in sight
        {"5:memory:/m\n", root + sys + tmpfs + line(30, 22, "/", "/sys/fs/cgroup/memory", "cgroup", "rw,memory") +
             line(31, 20, "/", "/srv/m", "cgroup", "rw,memory") + line(32, 22, "/", "/sys/fs/cgroup", "tmpfs"),
         "- /srv/m/m -"},
        // a mount stacked on "/" (`mount --bind X /` without a chroot): a walk from the root
        // never enters it, so it covers nothing, and what is mounted on it is out of reach
        {"1:cpu:/c\n0::/s\n", root + sys + line(31, 21, "/", "/sys/fs/cgroup", "cgroup2") +
             line(50, 20, "/", "/", "ext4") + line(51, 50, "/", "/sys/fs/cgroup/cpu", "cgroup", "rw,cpu"),
         "- - /sys/fs/cgroup/s"},
        // escaped mount points, a controller joined with another, cpuacct apart; mounts beside
        // the point and below it cover nothing, one stacked on it does
        {"2:cpu,cpuacct:/j\n3:cpuacct:/k\n", root + line(30, 20, "/", "/sys/fs/cgroup/cpuacct", "cgroup", "cpuacct") +
             line(31, 20, "/", "/a\\040b\\134c", "cgroup", "rw,cpuacct,cpu") + line(32, 20, "/", "/a", "tmpfs") +
             line(33, 20, "/", "/a\\040b", "tmpfs") + line(34, 31, "/", "/a\\040b\\134c/j", "tmpfs"), "/a b\\c/j - -"},
        {"2:cpu,cpuacct:/j\n", root + line(31, 20, "/", "/a\\040b\\134c", "cgroup", "rw,cpuacct,cpu") +
             line(32, 31, "/", "/a\\040b\\134c", "tmpfs"), "- - -"},
        // escapes of three octal digits only, never read past the text's end; a stray line
        {"1:cpu:/x\nstray:cpu\n", root + line(30, 20, "/", "/a\\047b", "cgroup", "rw,cpu"), "/a'b/x - -"},
        {"1:cpu:/x\n", root + line(30, 20, "/", "/m\\0a0\\00a\\9ab\\04", "cgroup", "rw,cpu"),
         "/m\\0a0\\00a\\9ab\\04/x - -"},
        // clang-format on
    };
    for (const auto& r : rows) {
        const cg::membership in = cg::parse_membership(r.cgroup);
        cg::mount_choice choice(in);
        for (const auto add : {&cg::mount_choice::add_candidate, &cg::mount_choice::add_on_path})
            for (std::size_t at = 0, end; at < r.mountinfo.size(); at = end + 1) {
                end = std::min(r.mountinfo.find('\n', at), r.mountinfo.size());
                (choice.*add)(std::string_view(r.mountinfo).substr(at, end - at));
            }
        const auto start = [](const cg::mount* m, const std::string& path) {
            return m ? cg::directory(*m, path) : "-";
        };
        EXPECT_EQ(start(choice.cpu(), in.cpu) + ' ' + start(choice.memory(), in.memory) + ' ' +
                      start(choice.unified(), in.unified),
                  r.expected)
            << r.cgroup << r.mountinfo;
    }
}

TEST(Capacity, ProcessorListsAsTheKernelWritesThem)
{
    const std::pair<const char*, unsigned> rows[] = {
        {"0\n", 1},     {"0-3,8-11\n", 8},   {"0-1023", 1024},
        {"2,4-5,7", 4}, {"0-4294967295", 0}, {"1-4294967295", 4294967295u},
        {"", 0},        {"\n", 0},           {"3-1", 0},
        {"0,", 0},      {",0", 0},           {"0-", 0},
        {"-3", 0},      {"0 1", 0},          {"0-1-2", 0},
        {"x", 0},       {"720712\n\n", 0}};
    for (const auto& [list, expected] : rows)
        EXPECT_EQ(detail::platform::count_processor_list(list), expected) << list;
}

TEST(Capacity, AvailableMemoryUnderEveryLimitWithoutPageCache)
{
    constexpr std::uint64_t mib = 1 << 20;
    using level = detail::platform::memory_level;
    const auto used = [](std::uint64_t limit, std::uint64_t usage, std::uint64_t inactive) {
        return level{limit * mib, true, usage * mib, inactive * mib};
    };
    constexpr std::uint32_t process = 0x100, job = 0x200; // JOB_OBJECT_LIMIT_*_MEMORY
    const struct {
        std::vector<level> levels; // the process's own cgroup first
        std::uint32_t job_flags;
        std::uint64_t process_limit, job_limit, commit; // MiB
        std::uint64_t expected;                         // MiB, of a machine of 4096 with 3000 free
    } rows[] = {
        {{used(512, 200, 0)}, 0, 0, 0, 0, 312},
        {{used(512, 200, 150)}, 0, 0, 0, 0, 462},                 // page cache is no use
        {{used(512, 600, 0)}, 0, 0, 0, 0, 0},                     // over the limit for a moment
        {{used(512, 100, 300)}, 0, 0, 0, 0, 512},                 // more inactive pages than usage
        {{used(512, 100, 0), used(256, 200, 0)}, 0, 0, 0, 0, 56}, // the parent binds
        {{used(4096, 2000, 0), used(8192, 100, 0)}, 0, 0, 0, 0, 3000}, // no limit below the machine
        {{level{512 * mib, false, 0, 0}}, 0, 0, 0, 0, 512}, // usage unknown: the whole limit
        {{used(4000, 500, 0)}, 0, 0, 0, 0, 3000},           // the machine has less
        {{}, 0, 0, 0, 0, 3000},
        {{}, process, 300, 0, 100, 200},
        {{}, job, 0, 200, 100, 100},
        {{}, process, 0, 0, 100, 3000}, // a limit of 0 is none
        {{}, process | job, 300, 200, 250, 0},
        {{}, 0, 300, 200, 100, 3000}, // limits the flags do not enable
    };
    for (const auto& r : rows) {
        detail::platform::memory_facts facts;
        facts.machine_memory = 4096 * mib, facts.machine_available = 3000 * mib;
        facts.levels = r.levels, facts.job_limit_flags = r.job_flags;
        facts.job_process_memory = r.process_limit * mib, facts.job_memory = r.job_limit * mib;
        facts.process_commit = r.commit * mib;
        EXPECT_EQ(detail::decide_available_memory(facts), r.expected * mib) << r.expected;
    }
    // The machine's figure unknown: the lowest of the limits' alone.
    detail::platform::memory_facts unknown;
    unknown.levels = {used(256, 200, 0), used(512, 100, 0)};
    EXPECT_EQ(detail::decide_available_memory(unknown), 56 * mib);
    // The hard limit: one as large as the machine's memory is none.
    EXPECT_EQ(detail::memory_limit({4096 * mib, 8192 * mib}, 0, 4096 * mib), 0u);
    // From the C interface too, and a null out-argument refused.
    fake.memory.levels = {used(512, 200, 100)};
    unsigned long long bytes = 0;
    EXPECT_TRUE(tarn_getavailablememory(&bytes) == TARN_OK && bytes == 412 * mib &&
                getavailablememory() == bytes &&
                tarn_getavailablememory(nullptr) == TARN_ERROR_INVALID_ARGUMENT);
    test::reset_fake();
}

TEST(Capacity, StorageRunningOutLeavesTheLimitsOut)
{
    // Each allocation fails in turn: a failure leaves every limit out, never a part of them.
    fake.capacity.quotas = {{50000, 100000}}, fake.capacity.memory_limits = {1 << 30, 1 << 29};
    for (long k = 1; k < 10; ++k) {
        tarn_capacity from_c{};
        from_c.size = sizeof from_c;
        test::heap.seen = 0, test::heap.fail_at = k;
        const capacity c = getcapacity();
        test::heap.seen = 0;
        const tarn_status status = tarn_getcapacity(&from_c);
        test::heap.fail_at = 0;
        if (c.memory_limit == 1 << 29 && status == TARN_OK)
            break; // read whole
        EXPECT_TRUE(c.processor_quota == 0 && c.memory_limit == 0 && c.processors == 4 &&
                    c.memory == 8ull << 30 && status == TARN_ERROR_NO_MEMORY &&
                    from_c.processors == 4)
            << k;
    }
    // The memory available now: the machine's figure, never part of the chain.
    fake.memory.levels = {{1 << 30, true, 1 << 29, 0}, {1 << 29, true, 1 << 28, 0}};
    for (long k = 1; k < 10; ++k) {
        unsigned long long bytes = 0;
        test::heap.seen = 0, test::heap.fail_at = k;
        const tarn_status status = tarn_getavailablememory(&bytes);
        test::heap.fail_at = 0;
        if (bytes == 1 << 28 && status == TARN_OK)
            break;
        EXPECT_TRUE(bytes == 6ull << 30 && status == TARN_ERROR_NO_MEMORY) << k << ' ' << bytes;
    }
    test::reset_fake();
}

TEST(Capacity, WindowsJobCapsRateAndMemory)
{
    // JOB_OBJECT_CPU_RATE_CONTROL_*: ENABLE 1, WEIGHT_BASED 2, HARD_CAP 4, MIN_MAX_RATE 0x10. The
    // rates are hundredths of a percent of the whole machine: CpuRate the whole union, MinRate its
    // low word and MaxRate its high one.
    const std::tuple<std::uint32_t, std::uint32_t, double> rates[] = {
        {0x5, 5000, 2}, {0x11, 0x09C4'0001, 1}, {0x11, 0x0000'09C4, 0},
        {0x4, 5000, 0}, {0x3, 5000, 0},         {0x1, 5000, 0},
        {0x5, 0, 0},    {0x5, 10001, 0},        {0x5, 10000, 4},
    };
    for (const auto& [flags, rate, quota] : rates)
        EXPECT_EQ(detail::job_quota(flags, rate, 4), quota) << flags << ' ' << rate;
    // JOB_OBJECT_LIMIT_PROCESS_MEMORY 0x100, JOB_MEMORY 0x200: the lower of those enabled.
    const std::tuple<std::uint32_t, std::uint64_t> limits[] = {
        {0x300, 100}, {0x200, 200}, {0x100, 100}, {0x2000, 0}, {0, 0}};
    for (const auto& [flags, limit] : limits)
        EXPECT_EQ(detail::job_memory_limit(flags, 100, 200), limit) << flags;
    detail::platform::capacity_facts facts; // the job and a cgroup chain: the tighter binds
    facts.machine_processors = 4, facts.machine_memory = 1000, facts.quotas = {{300000, 100000}};
    facts.job_cpu_flags = 0x5, facts.job_cpu_rate = 2500, facts.memory_limits = {900};
    facts.job_limit_flags = 0x100, facts.job_process_memory = 800;
    const capacity c = detail::decide_capacity(facts);
    EXPECT_TRUE(c.processor_quota == 1 && c.processors == 1 && c.memory == 800) << c.processors;
    // Processor groups and the mask in the process's group (0 unknown, as under Wine), of 128.
    const std::tuple<unsigned, std::uint64_t, unsigned> groups[] = {
        {1, 0b1011, 3}, {2, 0b1, 128}, {5, 0, 128}, {0, 0b1, 1}, {1, ~0ull, 64}, {0, 0, 128}};
    for (const auto& [count, mask, processors] : groups) {
        detail::platform::capacity_facts f;
        f.machine_processors = 128, f.processor_groups = count, f.group_mask = mask;
        EXPECT_EQ(detail::decide_capacity(f).processors, processors) << count << ' ' << mask;
    }
}

TEST(Identity, OneApplicationIdInEitherFormGivesOneIdAndAnyOtherIsRefused)
{
    // systemd-id128 machine-id --app-specific=0123456789abcdef0123456789abcdef, with that same
    // id in /etc/machine-id; the boot id is written as a UUID.
    fake.boot_id = "01234567-89ab-cdef-0123-456789abcdef\n";
    for (const char* app :
         {"0123456789abcdef0123456789abcdef", "01234567-89AB-cdef-0123-456789ABCDEF"}) {
        EXPECT_EQ(getmachineid(app).str() + ' ' + getbootid(app).str(),
                  "f24c5067cec246f09c4b5b6c9ecc29f7 f24c5067cec246f09c4b5b6c9ecc29f7");
    }
    for (const char* app :
         {"0123456789abcdef0123456789abcde", "0123456789abcdef0123456789abcdef0",
          "0123456789abcdef0123456789abcdeg", "012345678-9ab-cdef-0123-456789abcdef",
          "{01234567-89ab-cdef-0123-456789abcdef}", ""}) {
        char* text = nullptr;
        EXPECT_EQ(failure_of([app] { getbootid(app); }), "invalid application id") << app;
        EXPECT_TRUE(tarn_getmachineid(app, &text, nullptr) == TARN_ERROR_INVALID_ARGUMENT && !text);
    }
    fake.boot_id.clear();
}
