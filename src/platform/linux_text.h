// The texts that Linux writes about the process's limits (/proc/self/cgroup, /proc/self/mountinfo,
// a cgroup's limit files, the list of processors online), read without touching any file: plain
// C++, compiled on every target so that every target tests it.
#ifndef TARN_PLATFORM_LINUX_TEXT_H
#define TARN_PLATFORM_LINUX_TEXT_H

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform.h"

namespace tarn::detail::platform {

// The number of processors in a list as /sys/devices/system/cpu/online writes it ("0-3,8-11\n"
// is 8); 0 when the text is no such list.
unsigned count_processor_list(std::string_view text);

// The number of the line "KEY: NUMBER kB" of /proc/meminfo, in bytes; false when no line is
// KEY's or its number is no number of kB that bytes can hold.
bool meminfo_bytes(std::string_view text, std::string_view key, std::uint64_t& bytes);

// A line of /proc/self/maps: "START-END PERMS OFFSET MAJOR:MINOR INODE   PATH", in hex but the
// inode. The kernel writes a line feed in the path as "\012" (decoded here) and " (deleted)"
// after the path of a file unlinked since it was mapped; memory of no file has no path, or a
// name in brackets ("[heap]").
struct mapping {
    std::uint64_t start = 0, end = 0;
    unsigned major = 0, minor = 0;
    std::uint64_t inode = 0;
    std::string path;
};

bool parse_mapping(std::string_view line, mapping& m);

namespace cgroup {

// The process's cgroup in each hierarchy that matters, as /proc/self/cgroup names them
// ("ID:CONTROLLERS:PATH" for cgroup v1, "0::PATH" for v2); empty where it names none.
struct membership {
    std::string cpu;     // v1, in the hierarchy that holds the cpu controller
    std::string memory;  // v1, in the hierarchy that holds the memory controller
    std::string unified; // v2
    // The controllers of the v1 hierarchies above, as listed ("cpu,cpuacct"): the name of the
    // folder where such a hierarchy is usually mounted.
    std::string cpu_controllers, memory_controllers;
};

membership parse_membership(std::string_view text);

// A mount of a cgroup hierarchy: the cgroup mounted (its root) and where, with octal escapes
// ("\040") decoded, which hierarchy it is, and its place in the mount tree (mountinfo's mount ID
// and its parent's).
struct mount {
    std::string root;
    std::string point;
    bool v2 = false;     // cgroup2
    bool cpu = false;    // v1 with the cpu controller (cpuacct is another)
    bool memory = false; // v1 with the memory controller
    std::uint64_t id = 0, parent = 0;
};

// Chooses, of the mounts that /proc/self/mountinfo lists, the one of each hierarchy to read the
// process's chain through. A hierarchy may be mounted several times (a bind of part of it, a
// container's fresh mount): of the mounts whose root holds the process's cgroup and that a walk
// from the process's root reaches, the one with the shortest root shows the most of the chain.
// A mount whose root does not hold the process's cgroup (a cgroup namespace entered without a
// fresh mount shows "/../..") is no mount of the chain.
//
// What a walk reaches is read from the mount tree, never from the order of the lines: the kernel
// does not list mounts in the order they stack ("/" after the mounts on it, a moved mount where
// it was first listed). mountinfo is read twice, a line at a time, so that only the lines that
// matter are held however long it is: first for the cgroup mounts that may show the chain, then
// for the mounts at or above their points, which are all that a walk to them meets.
class mount_choice {
public:
    explicit mount_choice(const membership& process) : in(process) {}

    // The first reading, a line at a time.
    void add_candidate(std::string_view line);
    // Whether a second reading can change anything: false when no mount may show a chain.
    bool any_candidate() const { return !candidates.empty(); }
    // The second reading of the same text.
    void add_on_path(std::string_view line);

    // The mount chosen for each hierarchy; null where there is none.
    const mount* cpu() const { return best(&mount::cpu, in.cpu); }
    const mount* memory() const { return best(&mount::memory, in.memory); }
    const mount* unified() const { return best(&mount::v2, in.unified); }

private:
    // A mount at or above a candidate's point: where it is in the tree.
    struct placed {
        std::uint64_t id, parent;
        std::string point;
    };

    const mount* best(bool mount::*hierarchy, const std::string& path) const;
    bool reached(const mount& m) const;

    const membership& in;
    std::vector<mount> candidates;
    std::vector<placed> on_paths;
};

// The directory of the cgroup `path`, which lies under the root of mount `m`: its mount point
// joined with the path after the mount's root (a container's mount root is often its own cgroup,
// /docker/ID).
std::string directory(const mount& m, std::string_view path);

// A number that is the whole text, but for a line feed; "max" (no quota, no limit) is none.
template <class Number> bool parse_number(std::string_view text, Number& number)
{
    if (!text.empty() && text.back() == '\n')
        text.remove_suffix(1);
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, number);
    return !text.empty() && error == std::errc() && stop == end;
}

// cpu.max: "50000 100000", the quota and the period; "max 100000" (no quota) is no number.
bool parse_cpu_max(std::string_view text, cpu_quota& quota);

// The number of the line "KEY NUMBER" of memory.stat (KEY whole: "inactive_file" is not
// "total_inactive_file"); false when there is none.
bool stat_value(std::string_view text, std::string_view key, std::uint64_t& value);

} // namespace cgroup

} // namespace tarn::detail::platform

#endif
