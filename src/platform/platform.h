// The platform layer: the library's operations, each done the way its host does it best. The build
// links exactly one implementation (win32.cpp, posix.cpp, or the scripted fake of the tests), so a
// call goes straight from the library to the host with nothing chosen at run time. Nothing here
// knows about tarnstr or the naming tables: names and values come in as NUL-terminated strings
// holding no other NUL, texts go out as std::string, and the host's facts go out raw.
#ifndef TARN_PLATFORM_H
#define TARN_PLATFORM_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace tarn::detail::platform {

// Where a value that is read goes: `reserve` gives storage for exactly `size` bytes (it may throw
// std::bad_alloc), asked for once the size is known and while the host still holds the value, so
// the value is copied once, straight into the caller's storage.
struct value_sink {
    char* (*reserve)(void* target, std::size_t size);
    void* target;
};

// Whether the variable `name` is set, in one read of the host; when it is and `sink` is not null,
// copies its value there, whole.
bool read_variable(const char* name, const value_sink* sink);

// Sets or removes a variable; what the host refuses is ignored.
void write_variable(const char* name, const char* value);
void remove_variable(const char* name);

// Appends every entry of the environment, in the host's order, each followed by `separator`;
// false when the host has no environment to give.
bool read_environment(std::string& text, char separator);

// What an NT kernel reports of itself.
struct nt_kernel {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    std::uint8_t product_type = 1; // 1 workstation, 2 domain controller, 3 server (VER_NT_*)
    std::uint16_t processor = 0;   // the processor-architecture code of the system information
    std::string service_pack;      // empty when there is none
    // The process's and the host's machines (IMAGE_FILE_MACHINE_*) where the kernel can say them
    // (IsWow64Process2); the native machine is 0 where it cannot.
    std::uint16_t process_machine = 0;
    std::uint16_t native_machine = 0;
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

// What the registry of an NT host says of the installed product, from
// HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion; a text is empty when its value is missing.
struct nt_product {
    std::string build;           // CurrentBuildNumber: "22631"
    std::string edition;         // EditionID: "Professional"
    std::string display_version; // DisplayVersion: "23H2"
    std::string release_id;      // ReleaseId: "2009"
    bool has_ubr = false;
    std::uint32_t ubr = 0; // UBR, the update build revision
};

// What the host says of its product when asked: on POSIX the text of /etc/os-release, or of
// /usr/lib/os-release when the first cannot be read (at most its first 64 KiB, and only of a
// regular file); on Windows the registry's values. Empty where the host says nothing.
struct product_facts {
    std::string os_release;
    bool os_release_found = false; // a file was read, empty or not
    nt_product registry;
};

// Asks the host what it says of its product, every time. Throws only std::bad_alloc.
void read_product(product_facts& facts);

// The host's own ids, which callers never see raw: the machine's (/etc/machine-id, or D-Bus's
// copy of it; the registry's MachineGuid on Windows) and this boot's.
enum class host_id { machine, machine_fallback, boot };

// How the host writes an id: 32 hex digits (machine-id(5)), or a UUID (8-4-4-4-12), which
// Windows' MachineGuid also sets in braces.
enum class id_format { plain, uuid };

// The text that holds the id, as the host keeps it (a bounded read of a regular file, or a
// registry value), and how it is written; false when the host keeps no such text. Throws only
// std::bad_alloc.
bool read_host_id(host_id which, std::string& text, id_format& format);

// A CPU quota as a cgroup states it: `quota` microseconds of CPU time in every `period`.
struct cpu_quota {
    std::int64_t quota = 0;
    std::int64_t period = 0;
};

// What the process may use, in the host's own numbers, unjudged; 0 where the host says nothing.
struct capacity_facts {
    unsigned machine_processors = 0; // logical processors online
    unsigned allowed_processors = 0; // of those, the ones the process's affinity allows
    std::uint64_t machine_memory = 0;
    // Linux: what each cgroup level states, from the process's own up to the hierarchy's root
    // (a level that states nothing is left out).
    std::vector<cpu_quota> quotas;
    std::vector<std::uint64_t> memory_limits;
    // Windows: what the job the process runs in states (JOBOBJECT_CPU_RATE_CONTROL_INFORMATION,
    // JOBOBJECT_EXTENDED_LIMIT_INFORMATION); all 0 outside a job.
    std::uint32_t job_cpu_flags = 0, job_cpu_rate = 0; // the rate: the union of its rates, whole
    std::uint32_t job_limit_flags = 0;
    std::uint64_t job_process_memory = 0, job_memory = 0;
    // Windows: the processor groups the process spans and its affinity mask in its group (0 when
    // unknown, as under Wine, which has one group).
    unsigned processor_groups = 0;
    std::uint64_t group_mask = 0;
};

// Asks the host what the process may use, every time. Throws only std::bad_alloc, after the
// machine's figures and the affinity are filled.
void read_capacity(capacity_facts& facts);

// A cgroup level with a memory limit, and what it holds now.
struct memory_level {
    std::uint64_t limit = 0;
    bool usage_known = false;
    std::uint64_t usage = 0;         // the level's pages (v1: its whole subtree's)
    std::uint64_t inactive_file = 0; // of those, the file pages the kernel drops first
};

// What the process can still use now, in the host's own numbers; 0 where the host says nothing.
struct memory_facts {
    std::uint64_t machine_memory = 0;
    std::uint64_t machine_available = 0;
    // Linux: the cgroup levels below the machine's memory that state a limit, the process's own
    // first.
    std::vector<memory_level> levels;
    // Windows: the job's memory limits (as in capacity_facts) and the process's committed memory.
    std::uint32_t job_limit_flags = 0;
    std::uint64_t job_process_memory = 0, job_memory = 0;
    std::uint64_t process_commit = 0;
};

// Where a program's files go, as the host tells it, each fact read when asked; texts in the
// host's encoding (on Windows the ANSI code page, and a text that it cannot hold exactly is none).
struct directory_host {
    // A variable of the environment, under the library's lock; "" when unset.
    std::string variable(const char* name) const;
    // POSIX: the password database's home folder of the real user; "" when it has none.
    std::string account_home() const;
    // POSIX: whether `path` is a directory of the effective user that grants nothing to its group
    // or to others.
    bool private_directory(const std::string& path) const;
    // POSIX: the text of xdg-user-dirs' user-dirs.dirs in the folder `config` (at most 16 KiB of
    // a regular file); "" when there is none.
    std::string user_dirs(const std::string& config) const;
    // Windows: a Known Folder of the user, as the profile names it, without checking it exists;
    // false when the call fails (`path` is then empty, as it is for a folder the code page cannot
    // name).
    // clang-format off
    enum class folder {
        profile, roaming_app_data, local_app_data,
        desktop, documents, downloads, music, pictures, videos, templates, public_folder
    };
    // clang-format on
    bool known_folder(folder which, std::string& path) const;
    // Windows: the temporary folder of the user (or of the system, for a SYSTEM process).
    std::string temp_path() const;
};

// The running program's file and the library's own (the program's, where the library is linked
// into it), as absolute paths in the host's encoding; "" when the host cannot say which file it
// is. Throws only std::bad_alloc.
std::string executable_file();
std::string library_file();

// Asks the host what the process can still use, every time. Throws only std::bad_alloc, after
// the machine's figures are filled.
void read_memory(memory_facts& facts);

} // namespace tarn::detail::platform

#endif
