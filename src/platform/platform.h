// The platform layer: the library's operations, each done the way its host does it best. The build
// links exactly one implementation (win32.cpp, posix.cpp, or the scripted fake of the tests), so a
// call goes straight from the library to the host with nothing chosen at run time. Nothing here
// knows about tarnstr or the naming tables: names and values come in as NUL-terminated strings
// holding no other NUL, texts go out as std::string, and the host's facts go out raw.
#ifndef TARN_PLATFORM_H
#define TARN_PLATFORM_H

#include <cstdint>
#include <string>
#include <variant>

namespace tarn::detail::platform {

// Copies the value of the variable `name`, whole, into `value`; false when it is not set.
bool read_variable(const char* name, std::string& value);

// Sets a variable; what the host refuses is ignored.
void write_variable(const char* name, const char* value);

// Appends every entry of the environment, in the host's order, each followed by a line feed;
// false when the host has no environment to give.
bool read_environment(std::string& text);

// What an NT kernel reports of itself.
struct nt_kernel {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    bool workstation = true;     // a client edition, not a server one
    std::uint16_t processor = 0; // the processor-architecture code of the system information
    std::string service_pack;    // empty when there is none
};

// What a POSIX kernel reports of itself through uname.
struct posix_kernel {
    std::string name;    // sysname: "Linux"
    std::string release; // "6.1.0-18-amd64"
    std::string machine; // "x86_64", "aarch64", ...
};

struct host_facts {
    bool version_known = false; // the OS version could be had
    bool host_known = false;    // the host name could be had
    std::variant<nt_kernel, posix_kernel> kernel;
    std::string host_name;
};

// Asks the host for its description. Throws only std::bad_alloc.
void read_host(host_facts& facts);

} // namespace tarn::detail::platform

#endif
