// What the process may use, on the real host: its affinity, cgroup trees crafted in private mount
// namespaces (Linux, as root), and real cgroup-v1 quotas where the hierarchy is writable.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>

#include "tarn/capacity.h"

#if defined(__linux__)
#  include <fcntl.h>
#  include <sched.h>
#  include <sys/mman.h>
#  include <sys/mount.h>
#  include <sys/stat.h>

#  include "child.h"
#endif

TEST(Capacity, AffinityBoundsTheProcessors)
{
    unsigned expected = 0;
#if defined(__linux__)
    cpu_set_t saved, one;
    ASSERT_EQ(sched_getaffinity(0, sizeof saved, &saved), 0);
    CPU_ZERO(&one);
    for (int cpu = 0; cpu < CPU_SETSIZE && !CPU_COUNT(&one); ++cpu)
        if (CPU_ISSET(cpu, &saved))
            CPU_SET(cpu, &one);
    ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
    expected = 1;
#else
    // Windows: the check runs this under `taskset -c 0`, which Wine passes on as the affinity.
    if (const char* allowed = std::getenv("TARN_TEST_PROCESSORS"))
        expected = static_cast<unsigned>(std::atoi(allowed));
#endif
    const tarn::capacity c = tarn::getcapacity();
#if defined(__linux__)
    const unsigned long long available = tarn::getavailablememory();
    sched_setaffinity(0, sizeof saved, &saved);
    // The machine's memory as the kernel counts it for people (qemu-user cuts what sysinfo
    // says of it to 32 bits for a 32-bit program, where a kernel would scale it), and without a
    // limit, the memory available now as the kernel's figure read at the same moment.
    std::map<std::string, unsigned long long> kib;
    std::ifstream meminfo("/proc/meminfo");
    for (std::string key; meminfo >> key >> kib[key]; meminfo.ignore(64, '\n')) {}
    EXPECT_TRUE(c.machine_memory == kib["MemTotal:"] * 1024 ||
                (sizeof(long) == 4 && c.machine_memory == (kib["MemTotal:"] * 1024) % (1ull << 32)))
        << c.machine_memory;
    const double ratio = static_cast<double>(available) / double(kib["MemAvailable:"] * 1024);
    EXPECT_TRUE(c.memory_limit || (ratio > 0.97 && ratio < 1.03)) << ratio;
#endif
    if (expected) {
        EXPECT_EQ(c.processors, expected);
    }
    EXPECT_TRUE(c.processors <= c.machine_processors && c.memory <= c.machine_memory &&
                c.machine_memory > (1u << 24))
        << c.processors << ' ' << c.machine_processors << ' ' << c.machine_memory;
}

#if defined(__linux__)

namespace {

// One cgroup file or folder: a null text makes a FIFO, `unreadable` a regular file whose reads
// fail (EIO: the first page of a process's memory is never mapped).
using file = std::pair<std::string, const char*>;
const char* const unreadable = "/proc/self/mem";

// The quota and the memory limit, as the child reports them, and whether the call left a
// descriptor open (the lowest free one moved).
std::string ask()
{
    const auto lowest_free = [] {
        const int fd = dup(2);
        close(fd);
        return fd;
    };
    const int before = lowest_free();
    errno = EINTR; // left by some earlier call: only a read that failed may look at it
    const tarn::capacity c = tarn::getcapacity();
    char text[64];
    std::snprintf(text, sizeof text, "%g %llu%s", c.processor_quota, c.memory_limit,
                  lowest_free() == before ? "" : " and a descriptor left open");
    return text;
}

// A mountinfo line for a hierarchy: the cgroup at `root` mounted at `point`, on the root mount,
// which is not listed.
std::string mounted(const char* root, const char* point, const char* type, const char* options)
{
    static int id = 100;
    return std::to_string(++id) + " 1 0:27 " + root + ' ' + point + " rw,relatime - " + type +
           " cgroup " + options + '\n';
}

// Runs `ask` in a private mount namespace where /sys/fs/cgroup is a tmpfs holding `files`, and
// the calling thread's /proc cgroup and mountinfo say `cgroup` and `mountinfo`.
std::string in_crafted_tree(const char* cgroup, const std::string& mountinfo,
                            const std::vector<file>& files, const std::function<std::string()>& ask)
{
    return tarn::test::in_private_mounts([&] {
        const auto put = [](const std::string& path, const char* text) {
            tarn::test::make_folders(path);
            if (text == unreadable)
                return bool(std::ofstream(path)) && tarn::test::bind(unreadable, path);
            return text ? bool(std::ofstream(path) << text) : mkfifo(path.c_str(), 0600) == 0;
        };
        // the calling thread's own files, which the library reads
        bool ready = mount("tmpfs", "/sys/fs/cgroup", "tmpfs", 0, nullptr) == 0 &&
                     put("/sys/fs/cgroup/.cgroup", cgroup) &&
                     put("/sys/fs/cgroup/.mountinfo", mountinfo.c_str()) &&
                     tarn::test::bind("/sys/fs/cgroup/.cgroup", "/proc/thread-self/cgroup") &&
                     tarn::test::bind("/sys/fs/cgroup/.mountinfo", "/proc/thread-self/mountinfo");
        for (const auto& [path, text] : files)
            ready = ready && put("/sys/fs/cgroup/" + path, text);
        return ready ? ask() : "not crafted";
    });
}

// Cgroups that a test makes in the real hierarchies, removed when it ends: in v2 where
// /sys/fs/cgroup is a cgroup2 root that gives the cpu and memory controllers to its children
// (user-mode Linux, in the check), else in v1's cpu hierarchy and below this process's own v1
// memory cgroup, so that no process leaves the memory limits it is under. Paths are relative to
// where they are made; `top` names one at the very top of the hierarchies instead.
class made_cgroups {
public:
    made_cgroups()
    {
        std::string controllers;
        std::getline(std::ifstream("/sys/fs/cgroup/cgroup.subtree_control"), controllers);
        v2 = controllers.find("cpu") != std::string::npos &&
             controllers.find("memory") != std::string::npos;
        if (v2) {
            cpu = memory = "/sys/fs/cgroup/";
            return;
        }
        std::string line;
        for (std::ifstream in("/proc/self/cgroup"); std::getline(in, line);)
            if (line.find(":memory:") != std::string::npos)
                memory = "/sys/fs/cgroup/memory" + line.substr(line.find(":/") + 1) + '/';
        cpu = "/sys/fs/cgroup/cpu/";
    }
    ~made_cgroups()
    {
        for (auto dir = made.rbegin(); dir != made.rend(); ++dir)
            EXPECT_EQ(rmdir(dir->c_str()), 0) << *dir;
    }

    bool make(const std::string& path, bool at_top = false)
    {
        for (const std::string& base : bases(at_top)) {
            if (mkdir((base + path).c_str(), 0755) != 0)
                return false;
            made.push_back(base + path);
        }
        return true;
    }

    // Writes a CPU quota (microseconds in every 100000; -1 none) and a memory limit (bytes; -1
    // none). v2 gives a cgroup its controllers' files only when its parent passes them on, and
    // then the parent may hold no process.
    bool limit(const std::string& path, long long quota, long long limit, bool at_top = false) const
    {
        const std::size_t slash = path.rfind('/');
        if (v2 && slash != std::string::npos &&
            !write(cpu + path.substr(0, slash) + "/cgroup.subtree_control", "+cpu +memory"))
            return false;
        const auto value = [&](long long n) { return n < 0 && v2 ? "max" : std::to_string(n); };
        const std::string cpu_base = bases(at_top)[0], memory_base = bases(at_top).back();
        return write(cpu_base + path + (v2 ? "/cpu.max" : "/cpu.cfs_quota_us"), value(quota)) &&
               write(memory_base + path + (v2 ? "/memory.max" : "/memory.limit_in_bytes"),
                     value(limit));
    }

    // Moves the calling process into the cgroup.
    bool join(const std::string& path) const
    {
        const std::string pid = std::to_string(getpid());
        return v2 ? write(cpu + path + "/cgroup.procs", pid)
                  : write(cpu + path + "/tasks", pid) && write(memory + path + "/tasks", pid);
    }

    // The cgroup's folders, in the hierarchies as points() lists them.
    std::vector<std::string> where(const std::string& path) const
    {
        std::vector<std::string> folders = bases(false);
        for (std::string& folder : folders)
            folder += path;
        return folders;
    }

    // Where the hierarchies are mounted, and the same hierarchies mounted at `at` (v1: "cpu" and
    // "memory" beside each other under it, made where missing).
    std::vector<std::string> points() const
    {
        return v2 ? std::vector<std::string>{"/sys/fs/cgroup"}
                  : std::vector<std::string>{"/sys/fs/cgroup/cpu", "/sys/fs/cgroup/memory"};
    }
    bool mount_afresh(const std::string& at, const char* v1_cpu = "cpu") const
    {
        mkdir(at.c_str(), 0755);
        if (v2)
            return mount("cgroup2", at.c_str(), "cgroup2", 0, nullptr) == 0;
        for (const auto& [folder, controller] :
             {std::pair{"/cpu", v1_cpu}, {"/memory", "memory"}}) {
            mkdir((at + folder).c_str(), 0755);
            if (mount("cgroup", (at + folder).c_str(), "cgroup", 0, controller) != 0)
                return false;
        }
        return true;
    }

    static bool write(const std::string& path, const std::string& text)
    {
        return bool(std::ofstream(path) << text << std::flush);
    }

    bool v2 = false;
    std::string cpu, memory; // where the test's cgroups go, ending in "/"

private:
    std::vector<std::string> bases(bool at_top) const
    {
        if (v2)
            return {cpu};
        return {cpu, at_top ? std::string("/sys/fs/cgroup/memory/") : memory};
    }

    std::vector<std::string> made;
};

// A tmpfs of the calling process's own at `point`.
bool tmpfs_at(const char* point) { return mount("tmpfs", point, "tmpfs", 0, nullptr) == 0; }

// The hierarchies moved to /mnt, their usual points covered by a tmpfs: only mountinfo finds
// them, and it lists each where it was first mounted, before the mount it now lies on.
bool moved(const made_cgroups& cgroups)
{
    bool done = tmpfs_at("/mnt");
    for (const std::string& point : cgroups.points()) {
        const std::string to = "/mnt" + point.substr(point.rfind('/'));
        done = done && mkdir(to.c_str(), 0755) == 0 &&
               mount(point.c_str(), to.c_str(), "none", MS_MOVE, nullptr) == 0;
    }
    return done && tmpfs_at("/sys/fs/cgroup");
}

} // namespace

TEST(Capacity, CraftedCgroupTreesReadAsTheKernelsWould)
{
    // What no real kernel writes: hostile files, a mountinfo of 20,000 lines before the
    // hierarchies (the cpu one cut by a 4096-byte read, the memory one last, with no line feed),
    // escapes, a hybrid host with memory in v2, memory.stat lines that a match of a part of a line
    // would take for the one read, and the machine's available memory from a crafted
    // /proc/meminfo (1024 MiB).
    std::string long_mountinfo;
    for (int i = 0; i < 20000; ++i)
        long_mountinfo += std::to_string(i + 100000) + " 1 0:99 / /mnt/m" + std::to_string(i) +
                          " rw - tmpfs tmpfs rw\n";
    long_mountinfo += std::string(4096 * 2 - 20 - long_mountinfo.size() % 4096, '#') + '\n';
    long_mountinfo += mounted("/", "/sys/fs/cgroup/far", "cgroup", "rw,cpu") +
                      mounted("/", "/sys/fs/cgroup/mem", "cgroup", "rw,memory");
    long_mountinfo.pop_back();
    const std::string v2 = mounted("/", "/sys/fs/cgroup", "cgroup2", "rw,nsdelegate"),
                      v1 = mounted("/", "/sys/fs/cgroup/memory", "cgroup", "rw,memory"),
                      stat_v2 = "file 1\nactive_file 2\nzinactive_file 3\ninactive_files 4\n"
                                "inactive_file 104857600\ntotal_inactive_file 5\n",
                      stat_v1 = "inactive_file 1\ntotal_inactive_file_x 2\n"
                                "total_inactive_file 52428800";
    const struct {
        const char* name;
        const char* cgroup;
        std::string mountinfo;
        std::vector<file> files; // under /sys/fs/cgroup
        const char* expected;    // quota, memory limit, MiB available now
    } cases[] = {
        // clang-format off
        {"hostile files", "0::/a/b/c\n", v2,
         {{"a/b/c/cpu.max", nullptr}, {"a/b/cpu.max", "50000 0"}, {"a/cpu.max", "-5 100000"},
          {"cpu.max", "x 100000"}, {"a/b/c/memory.max", "1073741824"}, {"a/b/memory.max", "12abc"},
          {"a/memory.max", unreadable}, {"a/b/c/memory.current", nullptr}}, "0 1073741824 1024"},
        {"a long mountinfo", "4:cpu:/f\n5:memory:/f\n", long_mountinfo,
         {{"far/f/cpu.cfs_quota_us", "75000"}, {"far/f/cpu.cfs_period_us", "100000"},
          {"mem/f/memory.limit_in_bytes", "1048576"}}, "0.75 1048576 1"},
        {"an escaped mount point", "4:cpu:/e\n", mounted("/", "/sys/fs/cgroup/my\\040cpu\\134v1234", "cgroup", "rw,cpu"),
         {{"my cpu\\v1234/e/cpu.cfs_quota_us", "200000"}, {"my cpu\\v1234/e/cpu.cfs_period_us", "100000"},
          {"my cpu\\v1234/cpu.cfs_quota_us", "150000"}, {"my cpu\\v1234/cpu.cfs_period_us", "100000"}},
         "1.5 0 1024"},
        {"hybrid: cpu in v1, the rest in the first v2 mount above", "1:cpu:/x\n0::/y\n",
         mounted("/elsewhere", "/sys/fs/cgroup/foreign", "cgroup2", "rw") +
             mounted("/", "/sys/fs/cgroup/unified", "cgroup2", "rw") +
             mounted("/", "/sys/fs/cgroup/cpu", "cgroup", "rw,cpu"),
         {{"cpu/x/cpu.cfs_quota_us", "25000"}, {"cpu/x/cpu.cfs_period_us", "100000"},
          {"unified/y/cpu.max", "200000 100000"}, {"unified/y/memory.max", "536870912"},
          {"unified/y/memory.current", "209715200"}, {"unified/y/memory.stat", stat_v2.c_str()}},
         "0.25 536870912 412"},
        {"v1 usage", "5:memory:/a\n", v1, {{"memory/a/memory.limit_in_bytes", "536870912"},
         {"memory/a/memory.usage_in_bytes", "209715200"}, {"memory/a/memory.stat", stat_v1.c_str()}},
         "0 536870912 362"},
        {"no memory limit: the machine's", "0::/a\n", v2, {{"a/memory.max", "max"}, {"a/memory.current", "1"}},
         "0 0 1024"},
        {"no hierarchy mounted", "1:cpu:/\n0::/\n", "1 0 0:1 / / rw - ext4 /dev/vda rw\n", {}, "0 0 1024"},
        // clang-format on
    };
    // The processors online as LXCFS shows them at its known fault ("0"): never fewer than the
    // affinity allows.
    cpu_set_t affinity;
    ASSERT_EQ(sched_getaffinity(0, sizeof affinity, &affinity), 0);
    for (const auto& c : cases) {
        std::vector<file> files = c.files;
        files.push_back(
            {".meminfo", "MemTotal: 2097152 kB\nMemFree: 1 kB\nMemAvailable: 1048576 kB\n"});
        files.push_back({".online", "0\n"});
        const std::string got = in_crafted_tree(c.cgroup, c.mountinfo, files, [&] {
            if (!tarn::test::bind("/sys/fs/cgroup/.meminfo", "/proc/meminfo") ||
                !tarn::test::bind("/sys/fs/cgroup/.online", "/sys/devices/system/cpu/online"))
                return std::string("not crafted");
            const bool online = tarn::getcapacity().machine_processors >=
                                static_cast<unsigned>(CPU_COUNT(&affinity));
            return ask() + ' ' + std::to_string(tarn::getavailablememory() >> 20) +
                   (online ? "" : " fewer online than allowed");
        });
        if (got == tarn::test::no_namespace)
            GTEST_SKIP() << got;
        EXPECT_EQ(got, c.expected) << c.name;
    }
}

TEST(Capacity, AvailableMemoryUnderARealLimit)
{
    // A cgroup with a limit of 512 MiB, seen as it is and through mountinfo: what a process in it
    // can still use is under the limit, falls by what it touches and comes back when it frees it,
    // does not fall by the page cache of a file it writes (which the kernel drops at once), falls
    // by what it puts on a tmpfs (which it cannot drop), and on v2 follows memory.high, while the
    // hard limit stays memory.max. (Figures in MiB, within 12 of what is wanted; the file goes to
    // the working folder, which must keep its page cache: not hostfs under user-mode Linux.)
#  if defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "ThreadSanitizer's shadow of what the child touches counts against the limit";
#  endif
    // AddressSanitizer's shadow of what is touched counts too, an eighth more.
#  if defined(__SANITIZE_ADDRESS__)
    constexpr long long shadow = 200 / 8;
#  else
    constexpr long long shadow = 0;
#  endif
    made_cgroups cgroups;
    const std::string cgroup = "tarn-available-" + std::to_string(getpid());
    constexpr long long mib = 1 << 20;
    if (!cgroups.make(cgroup) || !cgroups.limit(cgroup, -1, 512 * mib))
        GTEST_SKIP() << "no writable memory hierarchy here";
    const std::string file = "tarn-page-cache-" + std::to_string(getpid());
    const std::string high = cgroups.memory + cgroup + "/memory.high";
    for (const bool through_mountinfo : {false, true}) {
        const std::string got = tarn::test::in_private_mounts(
            [&]() -> std::string {
                // memory.high is written once the hierarchy has moved, through a descriptor opened
                // before.
                const int high_file = cgroups.v2 ? open(high.c_str(), O_WRONLY | O_CLOEXEC) : -1;
                if (!cgroups.join(cgroup) || (through_mountinfo && !moved(cgroups)) ||
                    !tmpfs_at("/media") || (cgroups.v2 && high_file < 0))
                    return "not moved";
                const auto now = [] {
                    return static_cast<long long>(tarn::getavailablememory() >> 20);
                };
                std::string steps;
                const auto step = [&](const char* name, long long drop, long long wanted,
                                      long long more = 0) {
                    steps += std::string(", ") + name + ' ' +
                             std::to_string(
                                 drop >= wanted - 12 && drop <= wanted + more + 12 ? wanted : drop);
                };
                const auto fill = [](const std::string& path, long long size) {
                    std::vector<char> chunk(mib, 'x');
                    std::ofstream out(path, std::ios::binary);
                    for (long long i = 0; i < size; ++i)
                        out.write(chunk.data(), mib);
                    out.flush();
                    const int fd = open(path.c_str(), O_RDONLY);
                    return fd >= 0 && fsync(fd) == 0 && close(fd) == 0;
                };
                // Idle, the room is the limit less what the process holds: under 512, by a little.
                const long long before = now();
                steps =
                    before <= 512 && before > 512 - 40 ? "idle" : "idle " + std::to_string(before);
                void* block = mmap(nullptr, 200 * mib, PROT_READ | PROT_WRITE,
                                   MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
                std::memset(block, 1, 200 * mib);
                const long long touched = now();
                munmap(block, 200 * mib);
                const long long freed = now();
                step("touched", before - touched, 200, shadow);
                step("freed", freed - touched, 200);
                if (!fill(file, 200) || !fill("/media/tmpfs", 100))
                    return "not written";
                const long long written = now(); // both files
                step("page cache and tmpfs", freed - written, 100);
                if (cgroups.v2) {
                    const std::string bytes = std::to_string(256 * mib);
                    if (write(high_file, bytes.data(), bytes.size()) != ssize_t(bytes.size()))
                        return "no memory.high";
                    step("high", written - now(), 256);
                    step("limit", static_cast<long long>(tarn::getcapacity().memory_limit >> 20),
                         512);
                }
                return steps;
            },
            120); // writing to a disk image under user-mode Linux is slow on a busy machine
        std::remove(file.c_str());
        EXPECT_TRUE(!cgroups.v2 || made_cgroups::write(high, "max"));
        EXPECT_EQ(got, std::string("idle, touched 200, freed 200, page cache and tmpfs 100") +
                           (cgroups.v2 ? ", high 256, limit 512" : ""))
            << (through_mountinfo ? "through mountinfo" : "as it is");
    }
}

TEST(Capacity, RealQuotasAndMemoryLimits)
{
    // A chain of three cgroups, top/mid/own, with quotas and limits at each level.
    made_cgroups cgroups;
    const std::string top = "tarn-test-" + std::to_string(getpid()), mid = top + "/mid",
                      own = mid + "/own";
    const std::string cpuacct = "/sys/fs/cgroup/cpuacct/";
    if (!cgroups.make(top) || !cgroups.make(mid) || !cgroups.make(own) ||
        (!cgroups.v2 &&
         (mkdir((cpuacct + top).c_str(), 0755) != 0 || mkdir((cpuacct + mid).c_str(), 0755) != 0 ||
          mkdir((cpuacct + own).c_str(), 0755) != 0)))
        GTEST_SKIP() << "no writable cpu and memory hierarchies here";
    // A cgroup below top named as the process's own path, with a quota of 0.1 that none of
    // the rows has.
    const std::string decoy = top + '/' + own;
    if (!cgroups.make(top + '/' + top) || !cgroups.make(top + '/' + mid) || !cgroups.make(decoy) ||
        !cgroups.limit(top + '/' + top, -1, -1) || !cgroups.limit(top + '/' + mid, -1, -1) ||
        !cgroups.limit(decoy, 10000, -1))
        GTEST_SKIP() << "no writable cpu and memory hierarchies here";
    // The ways a process sees the same cgroups: as it is, where they are found without mountinfo;
    // with mountinfo unreadable, which that way needs not; moved elsewhere, the usual points
    // covered; through a bind of part of each hierarchy listed before a fresh mount of the whole,
    // the usual points covered; with cpuacct where cpu usually is (v1: its cgroups named as the
    // process's cpu cgroup); with a bind of top over each usual point (as a container runtime
    // binds a container's own cgroup there when it makes no cgroup namespace), where the process's
    // path leads to the decoy.
    const auto join = [&] { return cgroups.join(own); };
    const std::function<bool()> views[] = {
        join,
        [&] { return join() && tarn::test::bind("/dev/null", "/proc/thread-self/mountinfo"); },
        [&] { return join() && moved(cgroups); },
        [&] {
            bool done = join() && tmpfs_at("/mnt");
            const std::vector<std::string> parts = cgroups.where(mid);
            for (std::size_t i = 0; i < parts.size(); ++i) {
                const std::string at = "/mnt/" + std::to_string(i);
                done = done && mkdir(at.c_str(), 0755) == 0 && tarn::test::bind(parts[i], at);
            }
            return done && tmpfs_at("/sys/fs/cgroup") &&
                   cgroups.mount_afresh("/sys/fs/cgroup/again");
        },
        [&] {
            return join() && (cgroups.v2 ||
                              (umount2("/sys/fs/cgroup/cpu", MNT_DETACH) == 0 &&
                               mount("cgroup", "/sys/fs/cgroup/cpu", "cgroup", 0, "cpuacct") == 0 &&
                               tmpfs_at("/mnt") && cgroups.mount_afresh("/mnt")));
        },
        [&] {
            bool done = join();
            const std::vector<std::string> tops = cgroups.where(top), points = cgroups.points();
            for (std::size_t i = 0; i < tops.size(); ++i)
                done = done && tarn::test::bind(tops[i], points[i]);
            return done;
        },
    };
    // the quotas of top, mid and own (-1: none), the memory limits of top and own
    constexpr long long mib = 1 << 20;
    const struct {
        long long top, mid, own, top_memory, own_memory;
        const char* expected;
    } rows[] = {
        {-1, -1, -1, -1, -1, "0 0"},
        {-1, -1, 50000, -1, 512 * mib, "0.5 536870912"},
        {150000, -1, -1, 256 * mib, -1, "1.5 268435456"},
        {30000, -1, 80000, 256 * mib, 512 * mib, "0.3 268435456"}, // "max" between two quotas
        {-1, -1, -1, -1, 1ll << 40, "0 0"},                        // above the machine's memory
    };
    for (const auto& r : rows) {
        if (!cgroups.v2 && r.top > 0 && r.own > r.top)
            continue; // v1 refuses a quota above the parent's
        EXPECT_TRUE(cgroups.limit(top, r.top, r.top_memory) && cgroups.limit(mid, r.mid, -1) &&
                    cgroups.limit(own, r.own, r.own_memory));
        for (std::size_t view = 0; view < std::size(views); ++view)
            EXPECT_EQ(tarn::test::in_private_mounts(
                          [&] { return views[view]() ? ask() : "not moved or mounted"; }),
                      r.expected)
                << "view " << view;
        // where mountinfo is needed, asked once the process's first thread has exited
        EXPECT_EQ(tarn::test::in_private_mounts([&] {
                      if (!join() || !moved(cgroups))
                          return std::string("not moved or mounted");
                      tarn::test::report_without_the_first_thread(ask);
                  }),
                  r.expected)
            << "without the first thread";
    }
    for (const std::string& path : {own, mid, top}) {
        EXPECT_TRUE(cgroups.v2 || rmdir((cpuacct + path).c_str()) == 0) << path;
    }
}

TEST(Capacity, RealCgroupNamespaces)
{
    // A namespace made at a cgroup with a quota of 0.5 and a limit of 256 MiB, the process at its
    // root or in a child of it. With the hierarchies mounted afresh inside, as a container runtime
    // does, the namespace's root shows as "/" with the limits there. Entered alone (`unshare -C`),
    // the process's paths are relative to the namespace while the mounts show the hierarchies'
    // true roots, from which none of its chain can be told: no limit, even with a cgroup at the
    // top that has the child's name and limits of its own.
    made_cgroups cgroups;
    const std::string root = "tarn-namespace-" + std::to_string(getpid()),
                      child = "tarn-child-" + std::to_string(getpid());
    if (!cgroups.make(root) || !cgroups.make(root + '/' + child) || !cgroups.make(child, true) ||
        !cgroups.limit(root, 50000, 256 << 20) || !cgroups.limit(child, 20000, 128 << 20, true))
        GTEST_SKIP() << "no writable cpu and memory hierarchies here";
    const std::tuple<bool, bool, const char*> rows[] = {
        {true, false, "0.5 268435456"},
        {true, true, "0.5 268435456"},
        {false, false, "0 0"},
        {false, true, "0 0"},
    };
    for (const auto& [fresh, in_child, expected] : rows) {
        const std::string got =
            tarn::test::in_private_mounts([&, fresh = fresh, in_child = in_child] {
                bool ready = cgroups.join(root) && unshare(CLONE_NEWCGROUP) == 0 &&
                             (!in_child || cgroups.join(root + '/' + child));
                for (const std::string& point : cgroups.points())
                    ready = ready && (!fresh || umount2(point.c_str(), MNT_DETACH) == 0);
                return ready && (!fresh || cgroups.mount_afresh("/sys/fs/cgroup"))
                           ? ask()
                           : "not moved or mounted";
            });
        EXPECT_EQ(got, expected) << (fresh ? "mounted afresh" : "alone")
                                 << (in_child ? ", in a child" : ", at the root");
    }
}

#endif
