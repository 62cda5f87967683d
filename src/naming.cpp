// The naming tables of the host description.
#include "naming.h"

namespace tarn::detail {

const char* windows_product_name(std::uint32_t major, std::uint32_t minor, std::uint32_t build,
                                 bool workstation)
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
    if (!workstation)
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
    return std::to_string(major) + '.' + std::to_string(minor);
}

} // namespace tarn::detail
