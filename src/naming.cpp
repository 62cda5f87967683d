// The naming tables of the host description.
#include "naming.h"

#include <string>

#include "platform/platform.h"

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

const char* arch_name(std::uint16_t code)
{
    switch (code) {
    case platform::processor_x86: return "x86_32";
    case platform::processor_ia64: return "ia64";
    case platform::processor_amd64: return "x86_64";
    case platform::processor_ia32_on_win64: return "WOW_x86_64";
    case platform::processor_arm64: return "arm64";
    default: return "Unknown";
    }
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

void parse_release(const char* release, std::uint32_t& major, std::uint32_t& minor)
{
    const char* p = release;
    major = read_number(p);
    minor = 0;
    if (*p == '.') {
        ++p;
        minor = read_number(p);
    }
}

std::string format_version(std::uint32_t major, std::uint32_t minor)
{
    return std::to_string(major) + '.' + std::to_string(minor);
}

} // namespace tarn::detail
