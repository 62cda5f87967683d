// The naming tables of the host description: pure functions of what the host reports, compiled and
// tested on every target.
#ifndef TARN_NAMING_H
#define TARN_NAMING_H

#include <cstdint>
#include <string>

namespace tarn::detail {

// The product name of a Windows NT-family OS from its version.
const char* windows_product_name(std::uint32_t major, std::uint32_t minor, std::uint32_t build,
                                 bool workstation);

// The architecture name for a Windows processor-architecture code.
const char* arch_from_processor(std::uint16_t code);

// The architecture name for a POSIX machine name (uname's `machine`).
const char* arch_from_machine(const std::string& machine);

// major "." minor of a kernel release ("6.1.0-18-amd64" gives "6.1"); a missing number reads as 0.
std::string version_from_release(const std::string& release);

// major "." minor, both in plain decimal (no grouping, whatever the caller's global locale).
std::string format_version(std::uint32_t major, std::uint32_t minor);

} // namespace tarn::detail

#endif
