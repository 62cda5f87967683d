// Linux control groups: the process's cgroups found through /proc, and their limits read.
#include "cgroup.h"

#include <linux/magic.h>
#include <sys/statfs.h>

#include "linux_text.h"
#include "file.h"

namespace tarn::detail::platform::cgroup {

namespace {

// Limit files hold one number; a few KiB is more than any holds.
constexpr std::size_t limit_file_size = 4096;

std::string read_limit_file(const std::string& dir, const char* name)
{
    std::string text; // stays empty when the file cannot be read
    read_small_file((dir + '/' + name).c_str(), text, limit_file_size);
    return text;
}

// The quota and the memory limit that the cgroup at `dir` states, as the hierarchy writes them.
void read_cpu_level(const std::string& dir, bool v2, capacity_facts& facts)
{
    cpu_quota quota;
    if (v2 ? parse_cpu_max(read_limit_file(dir, "cpu.max"), quota)
           : parse_number(read_limit_file(dir, "cpu.cfs_quota_us"), quota.quota) &&
                 quota.quota > 0 && // -1 is no quota: the period is not read then
                 parse_number(read_limit_file(dir, "cpu.cfs_period_us"), quota.period))
        facts.quotas.push_back(quota);
}

void read_memory_level(const std::string& dir, bool v2, capacity_facts& facts)
{
    std::uint64_t limit;
    if (parse_number(read_limit_file(dir, v2 ? "memory.max" : "memory.limit_in_bytes"), limit))
        facts.memory_limits.push_back(limit);
}

// Reads `read_level` at `dir` and at every cgroup above it, up to the mount point, which is the
// root of the hierarchy as the process sees it. That root is read too: in a cgroup namespace it
// is the container's own cgroup, where the container's limits are (the true root of a hierarchy
// states none).
template <class Level> void walk_up(std::string dir, const std::string& point, Level read_level)
{
    for (;;) {
        read_level(dir);
        if (dir.size() <= point.size())
            return;
        dir.resize(std::max(dir.rfind('/'), point.size()));
    }
}

// A controller's chain of cgroups: the directory of the process's own, the top (the root of the
// hierarchy as the process sees it), and whether v2 writes their files.
struct chain {
    std::string leaf, top;
    bool v2 = false;
};

// The chain in the usual layout, found without mountinfo, which is the dearest file to read (the
// kernel writes a line for every mount, every time): where statfs says that a cgroup file system
// of the right version is mounted at `point` (not a tmpfs covering it, not nothing), and the
// process's cgroup lies in it: its directory there holds `v1_file`, a file that only the v1
// hierarchy of the controller has (so cpuacct mounted where cpu usually is does not pass), or
// for v2 is a directory. Anything else is for mountinfo to tell.
bool usual_chain(const char* point, const char* v1_file, std::string_view path, chain& found)
{
    const bool v2 = !v1_file;
    struct statfs fs;
    if (statfs(point, &fs) != 0 ||
        static_cast<unsigned long>(fs.f_type) != (v2 ? CGROUP2_SUPER_MAGIC : CGROUP_SUPER_MAGIC))
        return false;
    mount usual;
    usual.root = "/", usual.point = point;
    std::string leaf = directory(usual, path);
    struct stat status;
    if (stat(v2 ? leaf.c_str() : (leaf + '/' + v1_file).c_str(), &status) != 0 ||
        S_ISDIR(status.st_mode) != v2)
        return false;
    found = {std::move(leaf), usual.point, v2};
    return true;
}

// Where the controller's limits are: its v1 hierarchy when one holds it, else the v2 one.
void choose(const std::string& v1_path, const mount* v1, const std::string& v2_path,
            const mount* v2, chain& found)
{
    if (!v1_path.empty() && v1)
        found = {directory(*v1, v1_path), v1->point, false};
    else if (!v2_path.empty() && v2)
        found = {directory(*v2, v2_path), v2->point, true};
}

// Where the process's cpu and memory chains are: each where the usual layout shows it (a v1
// hierarchy at /sys/fs/cgroup/CONTROLLERS, "cpu,cpuacct"; else v2 at /sys/fs/cgroup or, on a
// hybrid host, /sys/fs/cgroup/unified), else where mountinfo does. A null chain is not looked
// for; a controller in no hierarchy has no chain to find.
void find_chains(chain* cpu, chain* memory)
{
    // The calling thread's own view, which still opens once the process's first thread has
    // exited (/proc/self/mountinfo then fails); /proc/thread-self is Linux 3.17's.
    std::string text;
    const char* proc = "/proc/thread-self/";
    if (!read_small_file("/proc/thread-self/cgroup", text, 64 * 1024)) {
        proc = "/proc/self/";
        if (!read_small_file("/proc/self/cgroup", text, 64 * 1024))
            return;
    }
    const membership in = parse_membership(text);
    const auto usual = [&](const std::string& v1_path, const std::string& controllers,
                           const char* v1_file, chain* found) {
        if (!found)
            return true;
        if (!v1_path.empty())
            return usual_chain(("/sys/fs/cgroup/" + controllers).c_str(), v1_file, v1_path, *found);
        return in.unified.empty() || usual_chain("/sys/fs/cgroup", nullptr, in.unified, *found) ||
               usual_chain("/sys/fs/cgroup/unified", nullptr, in.unified, *found);
    };
    const bool cpu_seen = usual(in.cpu, in.cpu_controllers, "cpu.cfs_quota_us", cpu);
    const bool memory_seen =
        usual(in.memory, in.memory_controllers, "memory.limit_in_bytes", memory);
    if (cpu_seen && memory_seen)
        return;
    // mountinfo can hold tens of thousands of lines on a container host: it is read a line at a
    // time, to the end, since a later mount can cover the one that looked right.
    mount_choice mounts(in);
    for_each_line((std::string(proc) + "mountinfo").c_str(), [&](std::string_view line) {
        mounts.add(line);
        return true;
    });
    if (!cpu_seen)
        choose(in.cpu, mounts.cpu(), in.unified, mounts.unified(), *cpu);
    if (!memory_seen)
        choose(in.memory, mounts.memory(), in.unified, mounts.unified(), *memory);
}

} // namespace

void read_cgroup_limits(capacity_facts& facts)
{
    chain cpu, memory;
    find_chains(&cpu, &memory);
    if (!cpu.leaf.empty())
        walk_up(cpu.leaf, cpu.top,
                [&](const std::string& dir) { read_cpu_level(dir, cpu.v2, facts); });
    if (!memory.leaf.empty())
        walk_up(memory.leaf, memory.top,
                [&](const std::string& dir) { read_memory_level(dir, memory.v2, facts); });
}

void read_cgroup_memory(memory_facts& facts)
{
    chain memory;
    find_chains(nullptr, &memory);
    if (memory.leaf.empty())
        return;
    walk_up(memory.leaf, memory.top, [&](const std::string& dir) {
        memory_level level;
        if (!parse_number(read_limit_file(dir, memory.v2 ? "memory.max" : "memory.limit_in_bytes"),
                          level.limit) ||
            !level.limit || (facts.machine_memory && level.limit >= facts.machine_memory))
            return;
        // The usage and the inactive file pages of the whole subtree, as the limit binds it: v1's
        // usage and memory.stat's total_ lines, v2's memory.current and memory.stat.
        level.usage_known = parse_number(
            read_limit_file(dir, memory.v2 ? "memory.current" : "memory.usage_in_bytes"),
            level.usage);
        if (level.usage_known) {
            std::string stat;
            read_small_file((dir + "/memory.stat").c_str(), stat, 64 * 1024);
            stat_value(stat, memory.v2 ? "inactive_file" : "total_inactive_file",
                       level.inactive_file);
        }
        facts.levels.push_back(level);
    });
}

} // namespace tarn::detail::platform::cgroup
