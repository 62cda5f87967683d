// Linux control groups: the process's cgroups found through /proc, and their limits read.
#include "cgroup.h"

#include <linux/magic.h>
#include <sys/statfs.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "linux_text.h"
#include "file.h"

namespace tarn::detail::platform::cgroup {

namespace {

// Limit files hold one number; a few KiB is more than any holds.
constexpr std::size_t limit_file_size = 4096;

// The top of a chain of cgroups (the root of the hierarchy as the process sees it), open as a
// path only. Every level's files are opened relative to it: the kernel then walks a short name
// instead of the whole path from /, which is about a microsecond of the five or so that opening
// a cgroup file costs, and every level is read on the file system that was found there, even if
// something is mounted over its point meanwhile.
class top_directory {
public:
    top_directory() = default;
    explicit top_directory(const char* point) : fd(open(point, O_PATH | O_DIRECTORY | O_CLOEXEC)) {}
    ~top_directory()
    {
        if (fd >= 0)
            close(fd);
    }
    top_directory(const top_directory&) = delete;
    top_directory& operator=(top_directory&& other) noexcept
    {
        std::swap(fd, other.fd);
        return *this;
    }

    int get() const { return fd; }

private:
    int fd = -1;
};

// A controller's chain of cgroups: the top, the process's own cgroup as a path below it ("" when
// it is the top), and whether v2 writes their files.
struct chain {
    top_directory top;
    std::string leaf;
    bool v2 = false;
    // The leaf's file that proved the usual layout, and its text, read then: not read twice.
    const char* proof = nullptr;
    std::string proof_text;

    bool found() const { return top.get() >= 0; }

    // The file `name` of the cgroup `dir` (a path below the top, or "" for the top itself).
    std::string read(const std::string& dir, const char* name,
                     std::size_t limit = limit_file_size) const
    {
        if (proof && !std::strcmp(name, proof) && dir == leaf)
            return proof_text;
        std::string text; // stays empty when the file cannot be read
        read_small_file(dir.empty() ? name : (dir + '/' + name).c_str(), text, limit, top.get());
        return text;
    }
};

// The process's cgroup `path` as a path below the top of a mount of the cgroup `root`: "x/y",
// or "" for the top itself.
std::string below_top(const std::string& root, std::string_view path)
{
    mount top;
    top.root = root, top.point = "/";
    return directory(top, path).substr(1);
}

// The quota and the memory limit that the cgroup at `dir` states, as the hierarchy writes them.
void read_cpu_level(const chain& cpu, const std::string& dir, capacity_facts& facts)
{
    cpu_quota quota;
    if (cpu.v2 ? parse_cpu_max(cpu.read(dir, "cpu.max"), quota)
               : parse_number(cpu.read(dir, "cpu.cfs_quota_us"), quota.quota) &&
                     quota.quota > 0 && // -1 is no quota: the period is not read then
                     parse_number(cpu.read(dir, "cpu.cfs_period_us"), quota.period))
        facts.quotas.push_back(quota);
}

void read_memory_level(const chain& memory, const std::string& dir, capacity_facts& facts)
{
    std::uint64_t limit;
    if (parse_number(memory.read(dir, memory.v2 ? "memory.max" : "memory.limit_in_bytes"), limit))
        facts.memory_limits.push_back(limit);
}

// Reads `read_level` at the chain's leaf and at every cgroup above it, up to the top, which is
// the root of the hierarchy as the process sees it. That root is read too: in a cgroup namespace
// it is the container's own cgroup, where the container's limits are (the true root of a
// hierarchy states none).
template <class Level> void walk_up(const chain& c, Level read_level)
{
    std::string dir = c.leaf;
    for (;;) {
        read_level(dir);
        if (dir.empty())
            return;
        const std::size_t slash = dir.rfind('/');
        dir.resize(slash == std::string::npos ? 0 : slash);
    }
}

// Whether the calling thread is in the initial cgroup namespace, whose paths in /proc's cgroup
// file are the hierarchies' own: the kernel numbers it PROC_CGROUP_INIT_INO (since 4.6, which
// brought cgroup namespaces; before it there is no link, and mountinfo decides).
bool initial_cgroup_namespace(const char* proc)
{
    char link[32];
    const ssize_t n = readlink((std::string(proc) + "ns/cgroup").c_str(), link, sizeof link);
    return n > 0 && std::string_view(link, static_cast<std::size_t>(n)) == "cgroup:[4026531835]";
}

// The chain in the usual layout, found without mountinfo, which is the dearest file to read (the
// kernel writes a line for every mount, every time), where that provably gives mountinfo's
// answer: the calling thread is in the initial cgroup namespace (in another, its paths are
// relative to the namespace while the usual mount may show the hierarchy's true root, and the
// joined path would name another cgroup of the same name); statfs says that a cgroup file system
// of the right version is mounted at `point` (not a tmpfs covering it, not nothing); that mount
// is the hierarchy's true root (v1's alone has cgroup.sane_behavior; every v2 cgroup but the
// root has cgroup.events), not a bind of a part of it; and the process's cgroup lies in it: its
// directory there holds `v1_file`, a file that only the v1 hierarchy of the controller has (so
// cpuacct mounted where cpu usually is does not pass) and the first that the chain reads, or for
// v2 is a directory. Anything else is for mountinfo to tell.
bool usual_chain(const char* point, const char* v1_file, std::string_view path, chain& found)
{
    const bool v2 = !v1_file;
    top_directory top(point);
    struct statfs fs;
    struct stat status;
    if (top.get() < 0 || fstatfs(top.get(), &fs) != 0 ||
        static_cast<unsigned long>(fs.f_type) != (v2 ? CGROUP2_SUPER_MAGIC : CGROUP_SUPER_MAGIC) ||
        (fstatat(top.get(), v2 ? "cgroup.events" : "cgroup.sane_behavior", &status, 0) == 0) == v2)
        return false;
    std::string leaf = below_top("/", path);
    if (v2 ? !leaf.empty() &&
                 (fstatat(top.get(), leaf.c_str(), &status, 0) != 0 || !S_ISDIR(status.st_mode))
           : !read_small_file((leaf.empty() ? v1_file : leaf + '/' + v1_file).c_str(),
                              found.proof_text, limit_file_size, top.get()))
        return false;
    found.top = std::move(top), found.leaf = std::move(leaf), found.v2 = v2;
    found.proof = v1_file;
    return true;
}

// Where the controller's limits are: its v1 hierarchy when one holds it, else the v2 one.
void choose(const std::string& v1_path, const mount* v1, const std::string& v2_path,
            const mount* v2, chain& found)
{
    const mount* m = !v1_path.empty() && v1 ? v1 : !v2_path.empty() ? v2 : nullptr;
    if (!m)
        return;
    found.top = top_directory(m->point.c_str());
    found.leaf = below_top(m->root, m == v1 ? v1_path : v2_path);
    found.v2 = m == v2;
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
    const bool initial = initial_cgroup_namespace(proc);
    const auto usual = [&](const std::string& v1_path, const std::string& controllers,
                           const char* v1_file, chain* found) {
        if (!found || (v1_path.empty() && in.unified.empty())) // nothing to find
            return true;
        if (!initial)
            return false;
        if (!v1_path.empty())
            return usual_chain(("/sys/fs/cgroup/" + controllers).c_str(), v1_file, v1_path, *found);
        return usual_chain("/sys/fs/cgroup", nullptr, in.unified, *found) ||
               usual_chain("/sys/fs/cgroup/unified", nullptr, in.unified, *found);
    };
    const bool cpu_seen = usual(in.cpu, in.cpu_controllers, "cpu.cfs_quota_us", cpu);
    const bool memory_seen =
        usual(in.memory, in.memory_controllers, "memory.limit_in_bytes", memory);
    if (cpu_seen && memory_seen)
        return;
    // mountinfo can hold tens of thousands of lines on a container host: it is read a line at a
    // time, to the end, and once more for the mounts on the way to those that may show a chain.
    const std::string mountinfo = std::string(proc) + "mountinfo";
    mount_choice mounts(in);
    for_each_line(mountinfo.c_str(), [&](std::string_view line) {
        mounts.add_candidate(line);
        return true;
    });
    if (mounts.any_candidate())
        for_each_line(mountinfo.c_str(), [&](std::string_view line) {
            mounts.add_on_path(line);
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
    if (cpu.found())
        walk_up(cpu, [&](const std::string& dir) { read_cpu_level(cpu, dir, facts); });
    if (memory.found())
        walk_up(memory, [&](const std::string& dir) { read_memory_level(memory, dir, facts); });
}

void read_cgroup_memory(memory_facts& facts)
{
    chain memory;
    find_chains(nullptr, &memory);
    if (!memory.found())
        return;
    walk_up(memory, [&](const std::string& dir) {
        // v2's memory.high is a ceiling too: above it the kernel throttles the cgroup and
        // reclaims from it hard, so what is left is counted from the lower of the two.
        std::uint64_t max = 0, high = 0;
        const bool has_max =
            parse_number(memory.read(dir, memory.v2 ? "memory.max" : "memory.limit_in_bytes"), max);
        const bool has_high = memory.v2 && parse_number(memory.read(dir, "memory.high"), high);
        memory_level level;
        level.limit = has_max && has_high ? std::min(max, high) : has_max ? max : high;
        if (!level.limit || (facts.machine_memory && level.limit >= facts.machine_memory))
            return;
        // The usage and the inactive file pages of the whole subtree, as the limit binds it: v1's
        // usage and memory.stat's total_ lines, v2's memory.current and memory.stat.
        level.usage_known = parse_number(
            memory.read(dir, memory.v2 ? "memory.current" : "memory.usage_in_bytes"), level.usage);
        if (level.usage_known)
            stat_value(memory.read(dir, "memory.stat", 64 * 1024),
                       memory.v2 ? "inactive_file" : "total_inactive_file", level.inactive_file);
        facts.levels.push_back(level);
    });
}

} // namespace tarn::detail::platform::cgroup
