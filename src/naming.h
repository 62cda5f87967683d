// The naming tables of the host description: pure functions of what the host reports, compiled and
// tested on every target.
#ifndef TARN_NAMING_H
#define TARN_NAMING_H

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace tarn::detail {

// The product name of a Windows NT-family OS from its version and its product type (1 workstation,
// 2 domain controller, 3 server): the texts that callers compare, "Microsoft Windows 10", ...
const char* windows_product_name(std::uint32_t major, std::uint32_t minor, std::uint32_t build,
                                 std::uint8_t product_type);

// The name a person recognises, as Settings and winver show it: the family from the version
// (servers named by year at their long-term builds), then, when the registry's build is the
// kernel's, the edition and on 10.0 the release label; the service pack; the build, on 10.0 with
// its update revision: "Microsoft Windows 11 Pro 23H2 (build 22631.4460)".
std::string windows_pretty_name(std::uint32_t major, std::uint32_t minor, std::uint32_t build,
                                std::uint8_t product_type, const std::string& service_pack,
                                const platform::nt_product& registry);

// What programs compare: the family of the pretty name after "Microsoft Windows ", lower-cased,
// with no spaces ("11", "8.1", "xp", "server2022", "server" for a server not named by year); ""
// for no Windows family ("Unknown OS").
std::string windows_product_version(std::uint32_t major, std::uint32_t minor, std::uint32_t build,
                                    std::uint8_t product_type);

// The architecture name for a Windows processor-architecture code.
const char* arch_from_processor(std::uint16_t code);

// The architecture name for the process's and the host's machines as IsWow64Process2 reports
// them (IMAGE_FILE_MACHINE_*): the host's, so an x64 program emulated on ARM64 hears "arm64".
const char* arch_from_machines(std::uint16_t process, std::uint16_t native);

// The architecture name for a POSIX machine name (uname's `machine`).
const char* arch_from_machine(const std::string& machine);

// The value of `key` in an os-release text (KEY=VALUE lines, values unquoted or in single or
// double quotes, backslash escapes inside double quotes, "#" comments, LF or CRLF line ends), as
// a shell that sources it sees it; empty when it sets none. `set` (when not null) says whether it
// sets one, empty or not.
std::string os_release_value(std::string_view text, std::string_view key, bool* set = nullptr);

// The ids of a product for programs: "debian", "12", "" (ID_LIKE).
struct product_ids {
    std::string id, version, like;
};

// os-release's ID, VERSION_ID and ID_LIKE: each empty when unset or holding anything but 0-9,
// a-z, ".", "_" and "-" (and spaces between ID_LIKE's words), except that a file that was
// `found` and sets no ID is "linux"; no file says nothing.
product_ids os_release_product(std::string_view text, bool found);

// major "." minor of a kernel release ("6.1.0-18-amd64" gives "6.1"); a missing number reads as 0.
std::string version_from_release(const std::string& release);

// major "." minor, both in plain decimal (no grouping, whatever the caller's global locale).
std::string format_version(std::uint32_t major, std::uint32_t minor);

} // namespace tarn::detail

#endif
