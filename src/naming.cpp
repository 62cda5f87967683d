// The naming tables of the host description.
#include "naming.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string_view>

namespace tarn::detail {

namespace {

constexpr std::uint8_t nt_workstation = 1;

} // namespace

const char* windows_product_name(std::uint32_t major, std::uint32_t minor, std::uint32_t build,
                                 std::uint8_t product_type)
{
    if (major < 5)
        return "Microsoft Windows 95";
    if (major == 5) {
        switch (minor) {
        case 0: return "Microsoft Windows 2000";
        case 1: return "Microsoft Windows XP";
        case 2: return "Microsoft Windows Server";
        default: return "Unknown OS";
        }
    }
    const bool known = (major == 6 && minor <= 3) || (major == 10 && minor == 0);
    if (!known)
        return "Unknown OS";
    if (product_type != nt_workstation) // servers and domain controllers
        return "Microsoft Windows Server";
    if (major == 10)
        return build >= 22000 ? "Microsoft Windows 11" : "Microsoft Windows 10";
    switch (minor) {
    case 0: return "Microsoft Windows Vista";
    case 1: return "Microsoft Windows 7";
    case 2: return "Microsoft Windows 8";
    default: return "Microsoft Windows 8.1";
    }
}

namespace {

// A server named by its year, or null: 5.2 and 6.x by version, 10.0 by the exact long-term build
// (the semi-annual releases between them, 1903 to 23H2, are plain "Windows Server").
const char* windows_server_year(std::uint32_t major, std::uint32_t minor, std::uint32_t build,
                                std::uint8_t product_type)
{
    if (product_type == nt_workstation)
        return nullptr;
    if (major == 5 && minor == 2)
        return "Microsoft Windows Server 2003";
    if (major == 6 && minor <= 3) {
        const char* const years[] = {
            "Microsoft Windows Server 2008", "Microsoft Windows Server 2008 R2",
            "Microsoft Windows Server 2012", "Microsoft Windows Server 2012 R2"};
        return years[minor];
    }
    if (major == 10 && minor == 0) {
        switch (build) {
        case 14393: return "Microsoft Windows Server 2016";
        case 17763: return "Microsoft Windows Server 2019";
        case 20348: return "Microsoft Windows Server 2022";
        case 26100: return "Microsoft Windows Server 2025";
        }
    }
    return nullptr;
}

// The edition's name for the registry's EditionID, or "" for one this table does not know.
std::string windows_edition(std::string id, std::uint32_t major, std::uint32_t minor,
                            std::uint32_t build)
{
    const bool evaluation = id.size() > 4 && id.compare(id.size() - 4, 4, "Eval") == 0;
    if (evaluation)
        id.resize(id.size() - 4);
    const bool ten = major == 10;
    const struct {
        const char* id;
        const char* name;
    } editions[] = {
        {"Professional", ten || (major == 6 && minor >= 2) ? "Pro" : "Professional"},
        {"Core", ten ? "Home" : ""},
        {"CoreSingleLanguage", ten ? "Home Single Language" : ""},
        {"Enterprise", "Enterprise"},
        {"EnterpriseS", build >= 17763 ? "Enterprise LTSC" : "Enterprise LTSB"},
        {"Education", "Education"},
        {"ProfessionalEducation", "Pro Education"},
        {"ProfessionalWorkstation", "Pro for Workstations"},
        {"IoTEnterprise", "IoT Enterprise"},
        {"IoTEnterpriseS", "IoT Enterprise LTSC"},
        {"ServerStandard", "Standard"},
        {"ServerDatacenter", "Datacenter"},
        {"ServerSolution", "Essentials"},
        {"ServerWeb", "Web"},
        {"Ultimate", "Ultimate"},
        {"HomePremium", "Home Premium"},
        {"HomeBasic", "Home Basic"},
        {"Business", "Business"},
        {"Starter", "Starter"},
    };
    for (const auto& edition : editions)
        if (id == edition.id && *edition.name)
            return evaluation ? edition.name + std::string(" Evaluation") : edition.name;
    return "";
}

// A release label as Windows shows it ("23H2", "1809"): 1 to 8 letters and digits.
bool is_label(const std::string& text)
{
    return !text.empty() && text.size() <= 8 && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    });
}

} // namespace

namespace {

// The family a person names: servers by year where they have one, XP x64 as XP.
const char* windows_family(std::uint32_t major, std::uint32_t minor, std::uint32_t build,
                           std::uint8_t product_type)
{
    const char* year = windows_server_year(major, minor, build, product_type);
    return year                       ? year
           : major == 5 && minor == 2 ? "Microsoft Windows XP" // XP x64 shares 2003's version
                                      : windows_product_name(major, minor, build, product_type);
}

} // namespace

std::string windows_product_version(std::uint32_t major, std::uint32_t minor, std::uint32_t build,
                                    std::uint8_t product_type)
{
    constexpr std::string_view prefix = "Microsoft Windows ";
    const std::string_view family = windows_family(major, minor, build, product_type);
    std::string version;
    if (family.compare(0, prefix.size(), prefix) == 0)
        for (const char c : family.substr(prefix.size()))
            if (c != ' ')
                version += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return version;
}

std::string windows_pretty_name(std::uint32_t major, std::uint32_t minor, std::uint32_t build,
                                std::uint8_t product_type, const std::string& service_pack,
                                const platform::nt_product& registry)
{
    const char* year = windows_server_year(major, minor, build, product_type);
    std::string name = windows_family(major, minor, build, product_type);
    // A registry that names another build speaks of another system (a copied or stale hive,
    // a compatibility layer): none of it is used.
    const bool trusted = registry.build == std::to_string(build);
    const bool ten = major == 10 && minor == 0;
    if (trusted) {
        const std::string edition = windows_edition(registry.edition, major, minor, build);
        if (!edition.empty())
            name += ' ' + edition;
        // ReleaseId stopped at "2009" with 20H2 (19042), where DisplayVersion took over.
        if (ten && !year) {
            if (is_label(registry.display_version))
                name += ' ' + registry.display_version;
            else if (build < 19042 && is_label(registry.release_id))
                name += ' ' + registry.release_id;
        }
    }
    if (!service_pack.empty())
        name += ' ' + service_pack;
    name += " (build " + std::to_string(build);
    if (trusted && ten && registry.has_ubr)
        name += '.' + std::to_string(registry.ubr);
    return name + ')';
}

const char* arch_from_processor(std::uint16_t code)
{
    switch (code) {
    case 0: return "x86_32";      // PROCESSOR_ARCHITECTURE_INTEL
    case 6: return "ia64";        // PROCESSOR_ARCHITECTURE_IA64
    case 9: return "x86_64";      // PROCESSOR_ARCHITECTURE_AMD64
    case 10: return "WOW_x86_64"; // PROCESSOR_ARCHITECTURE_IA32_ON_WIN64
    case 12: return "arm64";      // PROCESSOR_ARCHITECTURE_ARM64
    default: return "Unknown";    // 32-bit ARM (5) among them
    }
}

const char* arch_from_machines(std::uint16_t process, std::uint16_t native)
{
    switch (native) {
    case 0x014c: return "x86_32";                                    // IMAGE_FILE_MACHINE_I386
    case 0x0200: return "ia64";                                      // IMAGE_FILE_MACHINE_IA64
    case 0x8664: return process == 0x014c ? "WOW_x86_64" : "x86_64"; // AMD64, x86 under WOW64
    case 0xAA64: return "arm64"; // IMAGE_FILE_MACHINE_ARM64, whatever it emulates
    default: return "Unknown";
    }
}

const char* arch_from_machine(const std::string& m)
{
    if (m == "x86_64" || m == "amd64")
        return "x86_64";
    if (m.size() == 4 && m[0] == 'i' && m[1] >= '3' && m[1] <= '6' && m.compare(2, 2, "86") == 0)
        return "x86_32";
    if (m == "ia64")
        return "ia64";
    if (m == "aarch64" || m == "arm64")
        return "arm64";
    if (m == "armv6l" || m == "armv7l" || m == "armv8l")
        return "arm";
    for (const char* same : {"riscv64", "ppc64le", "s390x"})
        if (m == same)
            return same;
    return "Unknown";
}

namespace {

// Reads a run of decimal digits at `p`, saturating rather than wrapping; leaves `p` after it.
std::uint32_t read_number(const char*& p)
{
    std::uint32_t n = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        const auto digit = static_cast<std::uint32_t>(*p - '0');
        n = n > (UINT32_MAX - digit) / 10 ? UINT32_MAX : n * 10 + digit;
    }
    return n;
}

} // namespace

std::string os_release_value(std::string_view text, std::string_view key, bool* set)
{
    if (set)
        *set = false;
    // Every assignment counts, the last one wins; one that does not open its line (after blanks)
    // is inside a comment or part of another name.
    std::string value;
    for (std::size_t at = text.find(key); at != std::string_view::npos;
         at = text.find(key, at + 1)) {
        std::size_t start = at;
        while (start > 0 && (text[start - 1] == ' ' || text[start - 1] == '\t'))
            --start;
        if ((start > 0 && text[start - 1] != '\n') || text.compare(at + key.size(), 1, "=") != 0)
            continue;
        // A line ends at its line feed, or at a carriage return before it (a file saved on
        // Windows).
        std::size_t end = std::min(text.find('\n', at), text.size());
        if (text[end - 1] == '\r')
            --end;
        // One shell word: quoted and unquoted pieces joined, up to unquoted blank space.
        value.clear();
        if (set)
            *set = true;
        for (std::size_t p = at + key.size() + 1; p < end && text[p] != ' ' && text[p] != '\t';
             ++p) {
            if (text[p] == '\'') {
                const std::size_t close = std::min(text.find('\'', p + 1), end);
                value.append(text, p + 1, close - p - 1);
                p = close;
            } else if (text[p] == '"') {
                for (++p; p < end && text[p] != '"'; ++p) {
                    if (text[p] == '\\' && p + 1 < end && std::strchr("$`\"\\", text[p + 1]))
                        ++p;
                    value += text[p];
                }
            } else {
                if (text[p] == '\\' && p + 1 < end)
                    ++p;
                value += text[p];
            }
        }
    }
    return value;
}

namespace {

// os-release allows these in ID, VERSION_ID and each word of ID_LIKE, whose words one space
// parts; a value with anything else (a leading, trailing or doubled space too) says nothing a
// program can rely on.
bool is_product_word(std::string_view text, bool words)
{
    if (words && !text.empty() &&
        (text.front() == ' ' || text.back() == ' ' || text.find("  ") != text.npos))
        return false;
    return std::all_of(text.begin(), text.end(), [words](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || c == '.' || c == '_' ||
               c == '-' || (words && c == ' ');
    });
}

std::string product_value(std::string_view text, std::string_view key, bool words = false,
                          bool* set = nullptr)
{
    std::string value = os_release_value(text, key, set);
    return is_product_word(value, words) ? value : std::string();
}

} // namespace

product_ids os_release_product(std::string_view text, bool found)
{
    if (!found)
        return {};
    bool id_set;
    std::string id = product_value(text, "ID", false, &id_set);
    return {id_set ? std::move(id) : "linux", product_value(text, "VERSION_ID"),
            product_value(text, "ID_LIKE", true)};
}

std::string version_from_release(const std::string& release)
{
    const char* p = release.c_str();
    const std::uint32_t major = read_number(p);
    std::uint32_t minor = 0;
    if (*p == '.')
        minor = read_number(++p);
    return format_version(major, minor);
}

std::string format_version(std::uint32_t major, std::uint32_t minor)
{
    // to_chars is locale-free and writes in place: one string, no temporaries.
    char text[2 * 10 + 1];
    char* end = std::to_chars(text, text + 10, major).ptr;
    *end++ = '.';
    end = std::to_chars(end, text + sizeof text, minor).ptr;
    return std::string(text, end);
}

} // namespace tarn::detail
