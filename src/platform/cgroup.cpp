// Linux control groups: the process's cgroups found through /proc, and their limits read.
#include "cgroup.h"

#include "cgroup_text.h"
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

// Where the controller's limits are: its v1 hierarchy when one holds it, else the v2 one.
struct place {
    const mount* at = nullptr;
    std::string_view path;
};

place choose(const std::string& v1_path, const mount* v1, const std::string& v2_path,
             const mount* v2)
{
    if (!v1_path.empty() && v1)
        return {v1, v1_path};
    if (!v2_path.empty() && v2)
        return {v2, v2_path};
    return {};
}

} // namespace

void read_cgroup_limits(capacity_facts& facts)
{
    std::string text;
    if (!read_small_file("/proc/self/cgroup", text, 64 * 1024))
        return;
    const membership in = parse_membership(text);
    if (in.cpu.empty() && in.memory.empty() && in.unified.empty())
        return;
    // mountinfo can hold tens of thousands of lines on a container host: it is read a line at a
    // time, to the end, since a later mount can cover the one that looked right.
    mount_choice mounts(in);
    for_each_line("/proc/self/mountinfo", [&](std::string_view line) {
        mounts.add(line);
        return true;
    });
    if (const place p = choose(in.cpu, mounts.cpu(), in.unified, mounts.unified()); p.at)
        walk_up(directory(*p.at, p.path), p.at->point,
                [&](const std::string& dir) { read_cpu_level(dir, p.at->v2, facts); });
    if (const place p = choose(in.memory, mounts.memory(), in.unified, mounts.unified()); p.at)
        walk_up(directory(*p.at, p.path), p.at->point,
                [&](const std::string& dir) { read_memory_level(dir, p.at->v2, facts); });
}

} // namespace tarn::detail::platform::cgroup
