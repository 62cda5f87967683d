// Linux control groups, read as the kernel writes them.
#include "cgroup.h"

#include <charconv>

#include "file.h"

namespace tarn::detail::platform::cgroup {

namespace {

// Whether the comma-separated `list` holds `name` as a whole word ("cpuacct" is not "cpu").
bool holds(std::string_view list, std::string_view name)
{
    for (std::size_t start = 0; start <= list.size();) {
        const std::size_t end = std::min(list.find(',', start), list.size());
        if (list.substr(start, end - start) == name)
            return true;
        start = end + 1;
    }
    return false;
}

// The next space-separated field of `line`, taken off it.
std::string_view next_field(std::string_view& line)
{
    const std::size_t end = std::min(line.find(' '), line.size());
    const std::string_view field = line.substr(0, end);
    line.remove_prefix(std::min(end + 1, line.size()));
    return field;
}

// mountinfo writes a space, tab, line feed or backslash in a path as "\" and three octal digits.
std::string unescape(std::string_view text)
{
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto octal = [&](std::size_t k) { return text[k] >= '0' && text[k] <= '7'; };
        if (text[i] == '\\' && i + 3 < text.size() && octal(i + 1) && octal(i + 2) &&
            octal(i + 3)) {
            plain += static_cast<char>((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 +
                                       (text[i + 3] - '0'));
            i += 3;
        } else {
            plain += text[i];
        }
    }
    return plain;
}

// Whether `path` is `root` or lies under it.
bool under(std::string_view path, std::string_view root)
{
    return root == "/" || (path.substr(0, root.size()) == root &&
                           (path.size() == root.size() || path[root.size()] == '/'));
}

// A number that is the whole text, but for a line feed; "max" (no quota, no limit) is none.
template <class Number> bool parse_whole(std::string_view text, Number& number)
{
    if (!text.empty() && text.back() == '\n')
        text.remove_suffix(1);
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, number);
    return !text.empty() && error == std::errc() && stop == end;
}

// The process's cgroup in each hierarchy that matters, as /proc/self/cgroup names them
// ("ID:CONTROLLERS:PATH" for cgroup v1, "0::PATH" for v2); empty where it names none.
struct membership {
    std::string cpu;     // v1, in the hierarchy that holds the cpu controller
    std::string memory;  // v1, in the hierarchy that holds the memory controller
    std::string unified; // v2
};

membership parse_membership(std::string_view text)
{
    membership found;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        const std::size_t first = line.find(':');
        const std::size_t second = line.find(':', first + 1);
        if (first == std::string_view::npos || second == std::string_view::npos)
            continue;
        const std::string_view controllers = line.substr(first + 1, second - first - 1);
        const std::string_view path = line.substr(second + 1);
        if (controllers.empty()) // v2's line, "0::PATH"
            found.unified = path;
        if (holds(controllers, "cpu"))
            found.cpu = path;
        if (holds(controllers, "memory"))
            found.memory = path;
    }
    return found;
}

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
bool parse_mount(std::string_view line, mount& m)
{
    // ID PARENT MAJOR:MINOR ROOT POINT OPTIONS [OPTIONAL...] - FSTYPE SOURCE SUPER_OPTIONS
    for (int skip = 0; skip < 3; ++skip)
        next_field(line);
    const std::string_view root = next_field(line), point = next_field(line);
    const std::size_t dash = line.find(" - ");
    if (dash == std::string_view::npos)
        return false;
    line.remove_prefix(dash + 3);
    const std::string_view type = next_field(line);
    next_field(line); // the source
    const std::string_view options = next_field(line);
    m.v2 = type == "cgroup2";
    m.cpu = type == "cgroup" && holds(options, "cpu");
    m.memory = type == "cgroup" && holds(options, "memory");
    if (!m.v2 && !m.cpu && !m.memory)
        return false;
    m.root = unescape(root);
    m.point = unescape(point);
    return true;
}

// The directory of the cgroup `path`, which lies under the root of mount `m`: its mount point
// joined with the path after the mount's root (a container's mount root is often its own cgroup,
// /docker/ID).
std::string directory(const mount& m, std::string_view path)
{
    std::string dir = m.point == "/" ? "" : m.point;
    dir.append(path.substr(m.root == "/" ? 0 : m.root.size()));
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return dir.empty() ? "/" : dir;
}

// cpu.max: "50000 100000", the quota and the period; "max 100000" (no quota) is no number.
bool parse_cpu_max(std::string_view text, cpu_quota& quota)
{
    const std::size_t space = text.find(' ');
    return space != std::string_view::npos && parse_whole(text.substr(0, space), quota.quota) &&
           parse_whole(text.substr(space + 1), quota.period);
}

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
           : parse_whole(read_limit_file(dir, "cpu.cfs_quota_us"), quota.quota) &&
                 quota.quota > 0 && // -1 is no quota: the period is not read then
                 parse_whole(read_limit_file(dir, "cpu.cfs_period_us"), quota.period))
        facts.quotas.push_back(quota);
}

void read_memory_level(const std::string& dir, bool v2, capacity_facts& facts)
{
    std::uint64_t limit;
    if (parse_whole(read_limit_file(dir, v2 ? "memory.max" : "memory.limit_in_bytes"), limit))
        facts.memory_limits.push_back(limit);
}

// Reads `read_level` at `dir` and at every cgroup above it, up to the mount point. When the mount
// shows the hierarchy from its root, the mount point is the root cgroup, on which the kernel
// allows no quota or limit (v1 refuses them, v2 has no such files): it is not read.
template <class Level> void walk_up(std::string dir, const mount& m, Level read_level)
{
    for (;;) {
        const bool top = dir.size() <= m.point.size();
        if (top && m.root == "/")
            return;
        read_level(dir);
        if (top)
            return;
        dir.resize(std::max(dir.rfind('/'), m.point.size()));
        if (dir.empty())
            dir = "/";
    }
}

// Where the controller's limits are: its v1 hierarchy when one holds it, else the v2 one.
struct place {
    const mount* at = nullptr;
    std::string_view path;
};

place choose(const std::string& v1_path, const mount& v1, const std::string& v2_path,
             const mount& v2)
{
    if (!v1_path.empty() && !v1.point.empty())
        return {&v1, v1_path};
    if (!v2_path.empty() && !v2.point.empty())
        return {&v2, v2_path};
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
    // The first mount of each hierarchy under whose root the process's cgroup lies. mountinfo
    // can hold tens of thousands of lines on a container host: it is read a line at a time, and
    // no further than needed.
    mount cpu, memory, unified, line_mount;
    const auto resolved = [&](const std::string& v1_path, const mount& v1) {
        return !v1.point.empty() ||
               (v1_path.empty() && (in.unified.empty() || !unified.point.empty()));
    };
    for_each_line("/proc/self/mountinfo", [&](std::string_view line) {
        if (parse_mount(line, line_mount)) {
            if (line_mount.cpu && cpu.point.empty() && !in.cpu.empty() &&
                under(in.cpu, line_mount.root))
                cpu = line_mount;
            if (line_mount.memory && memory.point.empty() && !in.memory.empty() &&
                under(in.memory, line_mount.root))
                memory = line_mount;
            if (line_mount.v2 && unified.point.empty() && !in.unified.empty() &&
                under(in.unified, line_mount.root))
                unified = line_mount;
        }
        return !(resolved(in.cpu, cpu) && resolved(in.memory, memory));
    });
    if (const place p = choose(in.cpu, cpu, in.unified, unified); p.at)
        walk_up(directory(*p.at, p.path), *p.at,
                [&](const std::string& dir) { read_cpu_level(dir, p.at->v2, facts); });
    if (const place p = choose(in.memory, memory, in.unified, unified); p.at)
        walk_up(directory(*p.at, p.path), *p.at,
                [&](const std::string& dir) { read_memory_level(dir, p.at->v2, facts); });
}

} // namespace tarn::detail::platform::cgroup
