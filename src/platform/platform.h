// The platform layer: one operation per host call that the library is built on. The build links
// exactly one implementation (win32.cpp, posix.cpp, or the scripted fake of the tests), so a call
// goes straight from the library to the host with nothing chosen at run time.
#ifndef TARN_PLATFORM_H
#define TARN_PLATFORM_H

#include <cstdint>

namespace tarn::detail::platform {

// Copies the value of `name` and a NUL into `buffer` and returns the number of value bytes; 0 when
// the variable is not set. When the value and its NUL do not fit `size` bytes, copies nothing
// useful and returns the size that would fit them (always larger than `size`).
std::uint32_t get_environment_variable(const char* name, char* buffer, std::uint32_t size);

// Sets `name` to `value` in the process's environment; false when the host refuses.
bool set_environment_variable(const char* name, const char* value);

// The environment as NUL-terminated entries followed by one further NUL; null when it cannot be
// had. Goes back through free_environment_strings.
char* get_environment_strings();
void free_environment_strings(char* block);

// What the version query reports of the running OS.
struct os_version {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    bool workstation = true;     // a client edition, not a server one
    char service_pack[128] = {}; // NUL-terminated; the kernel release on POSIX
    char kernel_name[65] = {};   // NUL-terminated; how a POSIX kernel names itself, empty on NT
};

bool get_version(os_version& version);

// The host's processor, as the Windows processor-architecture code.
enum : std::uint16_t {
    processor_x86 = 0,
    processor_arm = 5,
    processor_ia64 = 6,
    processor_amd64 = 9,
    processor_ia32_on_win64 = 10,
    processor_arm64 = 12,
    processor_unknown = 0xFFFF,
};

std::uint16_t get_processor_architecture();

// Copies the DNS host name and a NUL into `buffer`, which holds `size` bytes, and sets `size` to
// the name's length; false when the name cannot be had or does not fit.
bool get_host_name(char* buffer, std::uint32_t& size);

} // namespace tarn::detail::platform

#endif
