// Linux control groups: where the process's cgroups are, and what CPU quota and memory limit
// each level of them states. The parsers take text, so their tests need no file system; only
// read_cgroup_limits opens files.
#ifndef TARN_PLATFORM_CGROUP_H
#define TARN_PLATFORM_CGROUP_H

#include <cstdint>
#include <string>
#include <string_view>

#include "platform.h"

namespace tarn::detail::platform::cgroup {

// The process's cgroup in each hierarchy that matters, as /proc/self/cgroup names them
// ("ID:CONTROLLERS:PATH" for cgroup v1, "0::PATH" for v2); empty where it names none.
struct membership {
    std::string cpu;     // v1, in the hierarchy that holds the cpu controller
    std::string memory;  // v1, in the hierarchy that holds the memory controller
    std::string unified; // v2
};
membership parse_membership(std::string_view text);

// A mount of a cgroup hierarchy: the cgroup mounted (its root) and where, with octal escapes
// ("\040") decoded, and which hierarchy it is.
struct mount {
    std::string root;
    std::string point;
    bool v2 = false;     // cgroup2
    bool cpu = false;    // v1 with the cpu controller (cpuacct is another)
    bool memory = false; // v1 with the memory controller
};
// Reads one line of /proc/self/mountinfo into `m`; false when it is no cgroup mount.
bool parse_mount(std::string_view line, mount& m);

// The directory of the cgroup `path` under mount `m`: its mount point joined with the path after
// the mount's root (a container's mount root is often its own cgroup, /docker/ID); empty when the
// path lies outside that root.
std::string directory(const mount& m, std::string_view path);

// The numbers of the limit files; false for anything but exactly one such answer and an optional
// line feed. cpu.max: "max 100000" (no quota: quota 0) or "50000 100000".
bool parse_cpu_max(std::string_view text, cpu_quota& quota);
bool parse_integer(std::string_view text, std::int64_t& number);
// memory.max and memory.limit_in_bytes: "max" (no limit: 0) or bytes.
bool parse_memory(std::string_view text, std::uint64_t& bytes);

// Adds the quota and the memory limit that each level of the process's cgroups states, from its
// own up to the root of the hierarchy it can see: cgroup v1 where a v1 hierarchy holds the
// controller, else v2. Throws only std::bad_alloc.
void read_cgroup_limits(capacity_facts& facts);

} // namespace tarn::detail::platform::cgroup

#endif
