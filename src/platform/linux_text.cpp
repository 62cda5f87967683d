// The texts that Linux writes about the process's limits, read as the kernel writes them.
#include "linux_text.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace tarn::detail::platform {

unsigned count_processor_list(std::string_view text)
{
    if (!text.empty() && text.back() == '\n')
        text.remove_suffix(1);
    if (text.find('\n') != std::string_view::npos)
        return 0;
    std::uint64_t count = 0;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find(',', start), text.size());
        const std::string_view range = text.substr(start, end - start);
        const std::size_t dash = range.find('-');
        unsigned first = 0, last = 0;
        if (!cgroup::parse_number(range.substr(0, dash), first) ||
            !cgroup::parse_number(dash == range.npos ? range : range.substr(dash + 1), last) ||
            last < first)
            return 0;
        count += std::uint64_t{last} - first + 1;
        start = end + 1;
    }
    return count <= std::numeric_limits<unsigned>::max() ? static_cast<unsigned>(count) : 0;
}

namespace {

// Calls `line(text)` for each line of `text`, without its line feed, until it returns true;
// whether one did.
template <class Line> bool find_line(std::string_view text, Line line)
{
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        if (line(text.substr(0, end)))
            return true;
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return false;
}

} // namespace

bool meminfo_bytes(std::string_view text, std::string_view key, std::uint64_t& bytes)
{
    return find_line(text, [&](std::string_view line) {
        if (line.substr(0, key.size()) != key || line.substr(key.size(), 1) != ":")
            return false;
        line.remove_prefix(key.size() + 1);
        line.remove_prefix(std::min(line.find_first_not_of(' '), line.size()));
        std::uint64_t kib;
        return line.size() > 3 && line.substr(line.size() - 3) == " kB" &&
               cgroup::parse_number(line.substr(0, line.size() - 3), kib) &&
               kib <= std::numeric_limits<std::uint64_t>::max() / 1024 &&
               (bytes = kib * 1024, true);
    });
}

bool parse_mapping(std::string_view line, mapping& m)
{
    const auto number = [&](auto& value, char stop, int base) {
        const char* end = line.data() + line.size();
        const auto [at, error] = std::from_chars(line.data(), end, value, base);
        if (error != std::errc() || at == end || *at != stop)
            return false;
        line.remove_prefix(static_cast<std::size_t>(at - line.data()) + 1);
        return true;
    };
    const auto skip_field = [&] {
        const std::size_t space = line.find(' ');
        line.remove_prefix(space == std::string_view::npos ? line.size() : space + 1);
        return space != std::string_view::npos;
    };
    if (!number(m.start, '-', 16) || !number(m.end, ' ', 16) || !skip_field() || !skip_field() ||
        !number(m.major, ':', 16) || !number(m.minor, ' ', 16))
        return false;
    const char* end = line.data() + line.size();
    const auto [at, error] = std::from_chars(line.data(), end, m.inode);
    if (error != std::errc() || (at != end && *at != ' '))
        return false;
    line.remove_prefix(static_cast<std::size_t>(at - line.data()));
    line.remove_prefix(std::min(line.find_first_not_of(' '), line.size()));
    m.path.clear();
    for (std::size_t i = 0; i < line.size(); ++i) {
        const bool line_feed = line.substr(i, 4) == "\\012";
        m.path += line_feed ? '\n' : line[i];
        i += line_feed ? 3 : 0;
    }
    return true;
}

namespace cgroup {

bool stat_value(std::string_view text, std::string_view key, std::uint64_t& value)
{
    return find_line(text, [&](std::string_view line) {
        return line.substr(0, key.size()) == key && line.substr(key.size(), 1) == " " &&
               parse_number(line.substr(key.size() + 1), value);
    });
}

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

// Whether `path` is `top` or lies under it.
bool under(std::string_view path, std::string_view top)
{
    return top == "/" || (path.substr(0, top.size()) == top &&
                          (path.size() == top.size() || path[top.size()] == '/'));
}

} // namespace

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
            found.cpu = path, found.cpu_controllers = controllers;
        if (holds(controllers, "memory"))
            found.memory = path, found.memory_controllers = controllers;
    }
    return found;
}

namespace {

// The fields of a line of mountinfo that place a mount:
// ID PARENT MAJOR:MINOR ROOT POINT OPTIONS [OPTIONAL...] - FSTYPE SOURCE SUPER_OPTIONS
struct mountinfo_line {
    std::uint64_t id = 0, parent = 0;
    std::string_view root, point, type, options; // root and point escaped
};

bool split_mountinfo(std::string_view line, mountinfo_line& fields)
{
    if (!parse_number(next_field(line), fields.id) ||
        !parse_number(next_field(line), fields.parent))
        return false;
    next_field(line);
    fields.root = next_field(line), fields.point = next_field(line);
    const std::size_t dash = line.find(" - ");
    if (dash == std::string_view::npos)
        return false;
    line.remove_prefix(dash + 3);
    fields.type = next_field(line);
    next_field(line); // the source
    fields.options = next_field(line);
    return true;
}

} // namespace

void mount_choice::add_candidate(std::string_view line)
{
    mountinfo_line fields;
    if (!split_mountinfo(line, fields))
        return;
    mount m;
    m.v2 = fields.type == "cgroup2";
    m.cpu = fields.type == "cgroup" && holds(fields.options, "cpu");
    m.memory = fields.type == "cgroup" && holds(fields.options, "memory");
    if (!m.v2 && !m.cpu && !m.memory)
        return;
    m.root = unescape(fields.root);
    // Only a mount whose root holds the process's cgroup shows any of its chain.
    const auto holds_chain = [&](bool of_hierarchy, const std::string& path) {
        return of_hierarchy && !path.empty() && under(path, m.root);
    };
    if (holds_chain(m.v2, in.unified) || holds_chain(m.cpu, in.cpu) ||
        holds_chain(m.memory, in.memory)) {
        m.point = unescape(fields.point);
        m.id = fields.id, m.parent = fields.parent;
        candidates.push_back(std::move(m));
    }
}

void mount_choice::add_on_path(std::string_view line)
{
    mountinfo_line fields;
    if (!split_mountinfo(line, fields))
        return;
    std::string point = unescape(fields.point);
    if (std::any_of(candidates.begin(), candidates.end(),
                    [&](const mount& m) { return under(m.point, point); }))
        on_paths.push_back({fields.id, fields.parent, std::move(point)});
}

bool mount_choice::reached(const mount& m) const
{
    const auto find = [&](std::uint64_t id) {
        const auto found = std::find_if(on_paths.begin(), on_paths.end(),
                                        [&](const placed& p) { return p.id == id; });
        return found == on_paths.end() ? nullptr : &*found;
    };
    // Listed at "/" on a mount also listed at "/": stacked on the process's root, which a walk
    // from the root never enters (`mount --bind X /` without a chroot after it).
    const auto on_root = [&](const placed& p) {
        const placed* below = find(p.parent);
        return p.point == "/" && below && below->point == "/";
    };
    // Another mount on the same parent at `p`'s point or above it: a walk to `p`'s point enters
    // that one, whichever was made first.
    const auto covered = [&](const placed& p) {
        return std::any_of(on_paths.begin(), on_paths.end(), [&](const placed& other) {
            return other.parent == p.parent && other.id != p.id && under(p.point, other.point) &&
                   !on_root(other);
        });
    };
    // A mount stacked on `m` itself, at its own point, hides it.
    if (std::any_of(on_paths.begin(), on_paths.end(), [&](const placed& other) {
            return other.parent == m.id && other.point == m.point;
        }))
        return false;
    // From `m` up its parents to the top: the process's root, or a mount whose parent lies
    // outside the root (in a chroot); every step at most once, or the tree is no tree.
    placed at{m.id, m.parent, m.point};
    for (std::size_t step = 0; step <= on_paths.size(); ++step) {
        if (on_root(at) || covered(at))
            return false;
        const placed* parent = find(at.parent);
        if (!parent)
            return true;
        at = *parent;
    }
    return false;
}

const mount* mount_choice::best(bool mount::*hierarchy, const std::string& path) const
{
    const mount* chosen = nullptr;
    for (const mount& m : candidates)
        if (m.*hierarchy && !path.empty() && under(path, m.root) &&
            (!chosen || m.root.size() < chosen->root.size()) && reached(m))
            chosen = &m;
    return chosen;
}

std::string directory(const mount& m, std::string_view path)
{
    std::string dir = m.point == "/" ? "" : m.point;
    dir.append(path.substr(m.root == "/" ? 0 : m.root.size()));
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return dir.empty() ? "/" : dir;
}

bool parse_cpu_max(std::string_view text, cpu_quota& quota)
{
    const std::size_t space = text.find(' ');
    return space != std::string_view::npos && parse_number(text.substr(0, space), quota.quota) &&
           parse_number(text.substr(space + 1), quota.period);
}

} // namespace cgroup

} // namespace tarn::detail::platform
