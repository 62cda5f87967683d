// What the process may use, on the real host: its affinity, cgroup trees crafted in private mount
// namespaces (Linux, as root), and real cgroup-v1 quotas where the hierarchy is writable.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>

#include "tarn/capacity.h"

#if defined(__linux__)
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
    sched_setaffinity(0, sizeof saved, &saved);
    // The machine's memory as the kernel counts it for people. (qemu-user cuts what sysinfo
    // says of it to 32 bits for a 32-bit program, where a kernel would scale it.)
    unsigned long long kib = 0;
    std::ifstream("/proc/meminfo").ignore(9) >> kib; // "MemTotal:    24683748 kB"
    EXPECT_TRUE(c.machine_memory == kib * 1024 ||
                (sizeof(long) == 4 && c.machine_memory == (kib * 1024) % (1ull << 32)))
        << c.machine_memory;
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

// A mountinfo line for a hierarchy: the cgroup at `root` mounted at `point`.
std::string mounted(const char* root, const char* point, const char* type, const char* options)
{
    return std::string("30 1 0:27 ") + root + ' ' + point + " rw,relatime - " + type + " cgroup " +
           options + '\n';
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

// This process's own cgroup in the v1 memory hierarchy, where the tests make their children.
std::string own_memory_cgroup()
{
    std::string line;
    for (std::ifstream in("/proc/self/cgroup"); std::getline(in, line);)
        if (line.find(":memory:") != std::string::npos)
            break;
    return "/sys/fs/cgroup/memory" + line.substr(line.find(":/") + 1);
}

} // namespace

TEST(Capacity, CraftedCgroupTreesReadAsTheKernelsWould)
{
    // 20,000 mounts before the hierarchies, the cpu one cut by a 4096-byte read, the memory one
    // last.
    std::string long_mountinfo;
    for (int i = 0; i < 20000; ++i)
        long_mountinfo += std::to_string(i + 100) + " 1 0:99 / /mnt/m" + std::to_string(i) +
                          " rw - tmpfs tmpfs rw\n";
    long_mountinfo += std::string(4096 * 2 - 20 - long_mountinfo.size() % 4096, '#') + '\n';
    long_mountinfo += mounted("/", "/sys/fs/cgroup/far", "cgroup", "rw,cpu") +
                      mounted("/", "/sys/fs/cgroup/mem", "cgroup", "rw,memory");
    long_mountinfo.pop_back(); // and no line feed after it
    const std::string v2 = mounted("/", "/sys/fs/cgroup", "cgroup2", "rw,nsdelegate");
    const struct {
        const char* name;
        const char* cgroup;
        std::string mountinfo;
        std::vector<file> files; // under /sys/fs/cgroup
        const char* expected;    // quota, memory limit
    } cases[] = {
        // clang-format off
        {"v2, nested", "0::/a/b\n", v2,
         {{"a/cpu.max", "150000 100000\n"}, {"a/b/cpu.max", "max 100000\n"},
          {"a/b/c/cpu.max", "1000 100000\n"}, {"a/memory.max", "2147483648\n"},
          {"a/b/memory.max", "max\n"}, {"a/b/memory.high", "1024\n"}}, "1.5 2147483648"},
        {"a container's mount root", "5:memory:/docker/c1\n4:cpu:/docker/c1/app\n",
         mounted("/elsewhere", "/sys/fs/cgroup/other", "cgroup", "rw,cpu") + // not the process's
             mounted("/docker/c1", "/sys/fs/cgroup/cpu", "cgroup", "rw,cpu") +
             mounted("/docker/c1", "/sys/fs/cgroup/memory", "cgroup", "rw,memory"),
         {{"cpu/cpu.cfs_quota_us", "50000\n"}, {"cpu/cpu.cfs_period_us", "100000\n"},
          {"memory/memory.limit_in_bytes", "536870912\n"},
          {"other/cpu.cfs_quota_us", "20000"}, {"other/cpu.cfs_period_us", "100000"},
          {"cpu/docker/c1/cpu.cfs_quota_us", "10000"}, // a cgroup of the container's own
          {"cpu/docker/c1/cpu.cfs_period_us", "100000"}, {"cpu/docker/c1/app/cpu.cfs_quota_us", "-1"}},
         "0.5 536870912"},
        {"hybrid: cpu in v1, the rest in the first v2 mount above", "1:cpu:/x\n0::/y\n",
         mounted("/elsewhere", "/sys/fs/cgroup/foreign", "cgroup2", "rw") +
             mounted("/", "/sys/fs/cgroup/unified", "cgroup2", "rw") +
             mounted("/", "/sys/fs/cgroup/again", "cgroup2", "rw") +
             mounted("/", "/sys/fs/cgroup/cpu", "cgroup", "rw,cpu"),
         {{"cpu/x/cpu.cfs_quota_us", "25000"}, {"cpu/x/cpu.cfs_period_us", "100000"},
          {"unified/y/cpu.max", "200000 100000"}, {"unified/y/memory.max", "1073741824"}},
         "0.25 1073741824"},
        {"joined controllers, cpuacct apart", "2:cpu,cpuacct:/j\n3:cpuacct:/k\n",
         mounted("/", "/sys/fs/cgroup/cpuacct", "cgroup", "rw,cpuacct") +
             mounted("/", "/sys/fs/cgroup/cpu,cpuacct", "cgroup", "rw,cpuacct,cpu"),
         {{"cpuacct/k/cpu.cfs_quota_us", "10000"}, {"cpuacct/k/cpu.cfs_period_us", "100000"},
          {"cpu,cpuacct/j/cpu.cfs_quota_us", "30000"}, {"cpu,cpuacct/j/cpu.cfs_period_us", "100000"}},
         "0.3 0"},
        {"an escaped mount point", "4:cpu:/e\n", mounted("/", "/sys/fs/cgroup/my\\040cpu\\134v1234", "cgroup", "rw,cpu"),
         {{"my cpu\\v1234/e/cpu.cfs_quota_us", "200000"}, {"my cpu\\v1234/e/cpu.cfs_period_us", "100000"},
          {"my cpu\\v1234/cpu.cfs_quota_us", "150000"}, {"my cpu\\v1234/cpu.cfs_period_us", "100000"}},
         "1.5 0"},
        // cgroup namespaces: the container's own cgroup is the root of what the process sees
        {"a v2 cgroup namespace", "0::/\n", v2, {{"cpu.max", "50000 100000"}, {"memory.max", "536870912"}},
         "0.5 536870912"},
        {"a v1 cgroup namespace", "4:cpu:/\n5:memory:/\n",
         mounted("/", "/sys/fs/cgroup/cpu", "cgroup", "rw,cpu") + mounted("/", "/sys/fs/cgroup/memory", "cgroup", "rw,memory"),
         {{"cpu/cpu.cfs_quota_us", "25000"}, {"cpu/cpu.cfs_period_us", "100000"},
          {"memory/memory.limit_in_bytes", "1048576"}}, "0.25 1048576"},
        // a bind of part of a hierarchy, listed before the whole of it and after it
        {"a partial view first", "4:cpu:/hunt/a/b\n",
         mounted("/hunt/a", "/sys/fs/cgroup/part", "cgroup", "rw,cpu") + mounted("/", "/sys/fs/cgroup/cpu", "cgroup", "rw,cpu"),
         {{"cpu/hunt/cpu.cfs_quota_us", "40000"}, {"cpu/hunt/cpu.cfs_period_us", "100000"}}, "0.4 0"},
        {"a partial view last", "4:cpu:/hunt/a/b\n",
         mounted("/", "/sys/fs/cgroup/cpu", "cgroup", "rw,cpu") + mounted("/hunt/a", "/sys/fs/cgroup/part", "cgroup", "rw,cpu"),
         {{"cpu/hunt/cpu.cfs_quota_us", "40000"}, {"cpu/hunt/cpu.cfs_period_us", "100000"}}, "0.4 0"},
        {"a covered mount, the hierarchy mounted again", "5:memory:/m\n",
         mounted("/", "/sys/fs/cgroup/memory", "cgroup", "rw,memory") + mounted("/", "/sys/fs/cgroup", "tmpfs", "rw") +
             mounted("/", "/sys/fs/cgroup/again", "cgroup", "rw,memory"),
         {{"memory/m/memory.limit_in_bytes", "1073741824"}, {"again/m/memory.limit_in_bytes", "2097152"}},
         "0 2097152"},
        {"hostile files", "0::/a/b/c\n", v2,
         {{"a/b/c/cpu.max", nullptr}, {"a/b/cpu.max", "50000 0"}, {"a/cpu.max", "-5 100000"},
          {"cpu.max", "x 100000"}, {"a/b/c/memory.max", "1073741824"}, {"a/b/memory.max", "12abc"},
          {"a/memory.max", unreadable}}, "0 1073741824"},
        {"no hierarchy mounted", "1:cpu:/\n0::/\n", "1 0 0:1 / / rw - ext4 /dev/vda rw\n", {}, "0 0"},
        {"a long mountinfo", "4:cpu:/f\n5:memory:/f\n", long_mountinfo,
         {{"far/f/cpu.cfs_quota_us", "75000"}, {"far/f/cpu.cfs_period_us", "100000"},
          {"mem/f/memory.limit_in_bytes", "1048576"}}, "0.75 1048576"},
        // clang-format on
    };
    for (const auto& c : cases) {
        const std::string got = in_crafted_tree(c.cgroup, c.mountinfo, c.files, ask);
        if (got == tarn::test::no_namespace)
            GTEST_SKIP() << got;
        EXPECT_EQ(got, c.expected) << c.name;
    }
}

TEST(Capacity, AvailableMemoryInCraftedTrees)
{
    // MiB left of the tightest limit, usage less inactive file pages; the machine's 1 GiB
    // available from a crafted /proc/meminfo. Lines of memory.stat that a match of a part of a
    // line would take for the one read.
    const std::string stat_v2 = "file 1\nactive_file 2\nzinactive_file 3\ninactive_files 4\n"
                                "inactive_file 104857600\ntotal_inactive_file 5\n";
    const std::string stat_v1 =
        "inactive_file 1\ntotal_inactive_file_x 2\ntotal_inactive_file 52428800";
    const std::string v2 = mounted("/", "/sys/fs/cgroup", "cgroup2", "rw");
    const std::string v1 = mounted("/", "/sys/fs/cgroup/memory", "cgroup", "rw,memory");
    const struct {
        const char* cgroup;
        std::string mountinfo;
        std::vector<file> files;
        const char* expected;
    } rows[] = {
        // clang-format off
        {"0::/a/b\n", v2, {{"a/b/memory.max", "536870912\n"}, {"a/b/memory.current", "209715200\n"},
         {"a/b/memory.stat", stat_v2.c_str()}}, "412"},
        {"0::/a/b\n", v2, {{"a/b/memory.max", "536870912"}, {"a/b/memory.current", "209715200"},
         {"a/memory.max", "314572800"}, {"a/memory.current", "262144000"}}, "50"}, // the parent binds
        {"0::/a\n", v2, {{"a/memory.max", "536870912"}, {"a/memory.current", "838860800"}}, "0"},
        {"0::/a\n", v2, {{"a/memory.max", "536870912"}, {"a/memory.current", nullptr}}, "512"},
        {"0::/a\n", v2, {{"a/memory.max", "max"}, {"a/memory.current", "1"}}, "1024"},
        {"5:memory:/a\n", v1, {{"memory/a/memory.limit_in_bytes", "536870912"},
         {"memory/a/memory.usage_in_bytes", "209715200"}, {"memory/a/memory.stat", stat_v1.c_str()}}, "362"},
        // clang-format on
    };
    const auto available = [] { return std::to_string(tarn::getavailablememory() >> 20); };
    for (const auto& r : rows) {
        std::vector<file> files = r.files;
        files.push_back(
            {".meminfo", "MemTotal: 2097152 kB\nMemFree: 1 kB\nMemAvailable: 1048576 kB\n"});
        const std::string got = in_crafted_tree(r.cgroup, r.mountinfo, files, [&] {
            return tarn::test::bind("/sys/fs/cgroup/.meminfo", "/proc/meminfo") ? available()
                                                                                : "not crafted";
        });
        if (got == tarn::test::no_namespace)
            GTEST_SKIP() << got;
        EXPECT_EQ(got, r.expected) << r.cgroup << r.files.size();
    }
    // Without limits, the kernel's own figure read at the same moment.
    if (tarn::getcapacity().memory_limit == 0) {
        unsigned long long kib = 0;
        std::ifstream meminfo("/proc/meminfo");
        for (std::string key; meminfo >> key >> kib && key != "MemAvailable:";)
            meminfo.ignore(64, '\n');
        const double ratio = static_cast<double>(tarn::getavailablememory()) / double(kib * 1024);
        EXPECT_TRUE(ratio > 0.97 && ratio < 1.03) << ratio;
    }
}

TEST(Capacity, AvailableMemoryUnderARealLimit)
{
    // A child of this process's own memory cgroup with a limit of 512 MiB: what a child process
    // in it can still use falls by what it touches, comes back when it frees it, and does not
    // fall by the page cache of a file it writes, which the kernel drops at once.
#  if defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "ThreadSanitizer's shadow of what the child touches counts against the limit";
#  endif
    const std::string memory = own_memory_cgroup() + "/tarn-available-" + std::to_string(getpid());
    if (mkdir(memory.c_str(), 0755) != 0)
        GTEST_SKIP() << "the cgroup-v1 memory hierarchy is not writable here";
    const std::string file = "tarn-page-cache-" + std::to_string(getpid());
    const std::string got = tarn::test::in_child([&] {
        constexpr std::size_t mib = 1 << 20, size = 128 * mib;
        if (!(std::ofstream(memory + "/memory.limit_in_bytes") << 512 * mib << std::flush) ||
            !(std::ofstream(memory + "/tasks") << getpid() << std::flush))
            return std::string("not moved");
        const auto now = [] { return static_cast<long long>(tarn::getavailablememory() >> 20); };
        const long long before = now();
        void* block =
            mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        std::memset(block, 1, size);
        const long long touched = now();
        munmap(block, size);
        const long long freed = now();
        std::vector<char> chunk(mib, 'x');
        std::ofstream out(file, std::ios::binary);
        for (int i = 0; i < 128; ++i)
            out.write(chunk.data(), mib);
        out.close();
        const long long written = now();
        // what touching took, what freeing gave back, what the page cache took, in steps of 16 MiB
        return std::to_string((before - touched + 8) / 16 * 16) + ' ' +
               std::to_string((freed - touched + 8) / 16 * 16) + ' ' +
               std::to_string(before - written < 32 ? 0 : before - written);
    });
    std::remove(file.c_str());
    EXPECT_EQ(rmdir(memory.c_str()), 0);
    EXPECT_EQ(got, "128 128 0");
}

TEST(Capacity, RealCgroupV1QuotasAndMemoryLimits)
{
    // The quotas go on children of the cpu hierarchy's root, the memory limit on a child of this
    // process's own memory cgroup, so nothing outside them changes.
    const std::string cpu = "/sys/fs/cgroup/cpu/tarn-test-" + std::to_string(getpid());
    const std::string memory = own_memory_cgroup() + "/tarn-test-" + std::to_string(getpid());
    if (mkdir(cpu.c_str(), 0755) != 0 || mkdir((cpu + "/own").c_str(), 0755) != 0 ||
        mkdir(memory.c_str(), 0755) != 0 || mkdir((memory + "/own").c_str(), 0755) != 0)
        GTEST_SKIP() << "the cgroup-v1 cpu and memory hierarchies are not writable here";
    const auto write = [](const std::string& path, long long value) {
        return bool(std::ofstream(path) << value << std::flush);
    };
    const auto join = [&](const std::string& cgroup) {
        return write(cpu + cgroup + "/tasks", getpid()) &&
               write(memory + cgroup + "/tasks", getpid());
    };
    const auto mount_afresh = [](const std::string& point, const char* controller) {
        mkdir(point.c_str(), 0755);
        return mount("cgroup", point.c_str(), "cgroup", 0, controller) == 0;
    };
    // Both hierarchies mounted afresh: at their usual points, where they are found without
    // mountinfo, or elsewhere, on a tmpfs of the process's own over /sys/fs/cgroup.
    const auto mount_both = [&](bool usual) {
        const std::string at = usual ? "/sys/fs/cgroup/" : "/sys/fs/cgroup/again-";
        return (usual ? umount2("/sys/fs/cgroup/cpu", MNT_DETACH) == 0 &&
                            umount2("/sys/fs/cgroup/memory", MNT_DETACH) == 0
                      : mount("tmpfs", "/sys/fs/cgroup", "tmpfs", 0, nullptr) == 0) &&
               mount_afresh(at + "cpu", "cpu") && mount_afresh(at + "memory", "memory");
    };
    const auto scratch = [] { return mount("tmpfs", "/mnt", "tmpfs", 0, nullptr) == 0; };
    // The ways a process sees the same cgroups: as it is; in a cgroup namespace made in the parent
    // cgroup, the hierarchies mounted afresh inside (as a container runtime does), at the usual
    // points and elsewhere; through a bind of part of each hierarchy listed before a fresh mount
    // of the whole; with the first mounts covered and the hierarchies mounted again elsewhere;
    // with cpuacct where cpu usually is (its cgroups named as the process's cpu cgroup); with
    // mountinfo unreadable.
    const std::string cpuacct = "/sys/fs/cgroup/cpuacct/tarn-test-" + std::to_string(getpid());
    mkdir(cpuacct.c_str(), 0755), mkdir((cpuacct + "/own").c_str(), 0755);
    const std::function<bool()> views[] = {
        [&] { return join("/own"); },
        [&] {
            return join("") && unshare(CLONE_NEWCGROUP) == 0 && join("/own") && mount_both(true);
        },
        [&] {
            return join("") && unshare(CLONE_NEWCGROUP) == 0 && join("/own") && mount_both(false);
        },
        [&] {
            return join("/own") && scratch() && mkdir("/mnt/cpu", 0755) == 0 &&
                   mkdir("/mnt/memory", 0755) == 0 && tarn::test::bind(cpu + "/own", "/mnt/cpu") &&
                   tarn::test::bind(memory + "/own", "/mnt/memory") && mount_both(true);
        },
        [&] { return join("/own") && mount_both(false); },
        [&] {
            return join("/own") && umount2("/sys/fs/cgroup/cpu", MNT_DETACH) == 0 &&
                   mount_afresh("/sys/fs/cgroup/cpu", "cpuacct") && scratch() &&
                   mount_afresh("/mnt/cpu", "cpu");
        },
        // the usual layout needs no mountinfo at all
        [&] {
            return join("/own") && tarn::test::bind("/dev/null", "/proc/thread-self/mountinfo");
        },
    };
    // the quota on the parent cgroup and on the process's own (-1: none), the parent's memory limit
    const std::tuple<long long, long long, long long, const char*> rows[] = {
        {-1, 50000, 536870912, "0.5 536870912"},
        {-1, 150000, -1, "1.5 0"},
        {50000, -1, -1, "0.5 0"},
    };
    for (const auto& [parent, own, limit, expected] : rows) {
        EXPECT_TRUE(write(cpu + "/own/cpu.cfs_quota_us", own) &&
                    write(cpu + "/cpu.cfs_quota_us", parent) &&
                    write(memory + "/memory.limit_in_bytes", limit));
        for (std::size_t view = 0; view < std::size(views); ++view)
            EXPECT_EQ(tarn::test::in_private_mounts(
                          [&] { return views[view]() ? ask() : "not moved or mounted"; }),
                      expected)
                << "view " << view;
        // where mountinfo is needed, asked once the process's first thread has exited
        EXPECT_EQ(tarn::test::in_private_mounts([&] {
                      if (!join("/own") || !mount_both(false))
                          return std::string("not moved or mounted");
                      tarn::test::report_without_the_first_thread(ask);
                  }),
                  expected)
            << "without the first thread";
    }
    for (const std::string& dir :
         {cpu + "/own", cpu, memory + "/own", memory, cpuacct + "/own", cpuacct})
        EXPECT_EQ(rmdir(dir.c_str()), 0) << dir;
}

#endif
