// What the library does, shared by its two faces, C++ (tarn/*.h) and C (tarn/c.h): the rules
// that hold for every name and value, the host description and its failures. A face adds only
// its own way of taking arguments and handing out results.
#ifndef TARN_CORE_H
#define TARN_CORE_H

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "tarn/capacity.h"

namespace tarn {

// The record behind a system_info, and behind the C interface's handle.
struct system_info_data {
    std::string os;
    std::string arch;
    std::string version;
    std::string release;
    std::string node_name;
    // What the pretty name needs besides these texts: an NT kernel's numbers (nt false on POSIX).
    bool nt = false;
    std::uint32_t nt_major = 0, nt_minor = 0, nt_build = 0;
    std::uint8_t nt_product_type = 0;
};

namespace detail {

// The failures the library reports, each with its fixed message (what the C++ face throws).
enum class failure { none, no_environment, os_version, host_name };
const char* message(failure f);

// The environment. Names and values reach the host as C strings: every text here is NUL-terminated
// after its end (a tarnstr's, a C caller's). One that holds a NUL byte before that would reach the
// host cut short, naming a different variable or setting a different value, and a name holding
// "=" after its first byte would be split there by the host: such a name names no variable, and
// sets or removes nothing.
bool read_variable(std::string_view name, const platform::value_sink* sink);
void write_variable(std::string_view name, std::string_view value);
void remove_variable(std::string_view name);
failure read_environment(std::string& text, char separator);

// Fills the five texts of the host description, or says which failure stopped it.
failure describe_host(system_info_data& data);
// The name a person recognises, asked of the host now.
std::string pretty_name(const system_info_data& data);
// What the process may use, asked of the host now; false when storage ran out while the limits
// were read, and `measured` then holds the figures without them.
bool measure_capacity(capacity& measured) noexcept;

// getavailablememory's figure, and whether it was read whole (false: storage ran out, and it is
// the machine's available memory).
bool measure_available_memory(unsigned long long& bytes) noexcept;

// The folder numbered `which` (tarn::directory's values) into `path`, empty when the host has
// none; false for another number. Throws only std::bad_alloc.
bool find_directory(int which, std::string& path);
// The running program's file and the library's own: an absolute path, "" when the host cannot say
// which file it is. Throws only std::bad_alloc.
std::string executable_path();
std::string library_path();

// What programs compare: the product's ids, asked of the host now.
struct product_ids;
product_ids product(const system_info_data& data);

// An id of the host's (`which`: the machine's or this boot's) for one application, into the empty
// `id`: 32 lowercase hex digits, or nothing when the host has no such id. False when `app_id` is
// no application id (32 hex digits, or a UUID).
bool app_specific_id(platform::host_id which, std::string_view app_id, std::string& id);

// The library's own build.
const char* build_time();
const char* build_date();

} // namespace detail
} // namespace tarn

#endif
