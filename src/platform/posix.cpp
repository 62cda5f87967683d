// The platform layer on POSIX hosts: the C library's environment under a lock of the library's
// own, one uname for the host, the host's own files. Only generic POSIX code lives here; Linux's
// control groups have a file of their own.
#include "platform.h"

#include <pthread.h>
#include <pwd.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "file.h"
#if defined(__linux__)
#  include <link.h>
#  include <linux/magic.h>
#  include <sys/statfs.h>
#  include <sys/sysinfo.h>
#  include <sys/sysmacros.h>

#  include "cgroup.h"
#  include "linux_text.h"
#endif

extern char** environ;

namespace tarn::detail::platform {

namespace {

// POSIX puts no guard around the environment, so every read, write and listing made through the
// library takes this one lock. Statically initialised: nothing runs at load or at exit.
pthread_mutex_t environment_lock = PTHREAD_MUTEX_INITIALIZER;
pthread_once_t fork_handlers_once = PTHREAD_ONCE_INIT;

// fork() copies the lock into the child as it is, held if another thread was inside the library,
// and nothing in the child would ever release it. Held across the fork instead, it is released on
// both sides. Registered on the lock's first use, not at load.
void lock_environment() { pthread_mutex_lock(&environment_lock); }
void unlock_environment() { pthread_mutex_unlock(&environment_lock); }
void register_fork_handlers()
{
    pthread_atfork(lock_environment, unlock_environment, unlock_environment);
}

class environment_guard {
public:
    environment_guard()
    {
        pthread_once(&fork_handlers_once, register_fork_handlers);
        lock_environment();
    }
    ~environment_guard() { unlock_environment(); }
    environment_guard(const environment_guard&) = delete;
    environment_guard& operator=(const environment_guard&) = delete;
};

// getenv's walk, with the name's length measured once: the value of the entry "name=value", or
// null. A name holding "=" names no variable (glibc's getenv("A=B") would answer from the entry
// "A=B=C", the value of A); the same pass that measures the name finds that out.
const char* find_variable(const char* name)
{
    const std::size_t length = std::strcspn(name, "=");
    if (length == 0 || name[length] != '\0' || !environ)
        return nullptr;
    // Two bytes first, as glibc does: most entries differ there. (The name is not empty, so an
    // entry whose first byte matches has a second.)
    for (char** entry = environ; *entry; ++entry) {
        const char* e = *entry;
        if (e[0] == name[0] && (length == 1 || e[1] == name[1]) &&
            std::strncmp(e, name, length) == 0 && e[length] == '=')
            return e + length + 1;
    }
    return nullptr;
}

} // namespace

bool read_variable(const char* name, const value_sink* sink)
{
    const environment_guard guard;
    const char* found = find_variable(name);
    if (found && sink) {
        const std::size_t size = std::strlen(found);
        std::memcpy(sink->reserve(sink->target, size), found, size);
    }
    return found;
}

void write_variable(const char* name, const char* value)
{
    const environment_guard guard;
    setenv(name, value, 1);
}

void remove_variable(const char* name)
{
    const environment_guard guard;
    unsetenv(name);
}

bool read_environment(std::string& text, char separator)
{
    const environment_guard guard;
    // clearenv() leaves environ null: an empty environment, not a missing one.
    if (!environ)
        return true;
    std::size_t total = 0;
    for (char** entry = environ; *entry; ++entry)
        total += std::strlen(*entry) + 1;
    text.reserve(text.size() + total);
    // An empty entry (execve takes one) is no variable, and in a listing of NUL-ended entries it
    // would read as the end.
    for (char** entry = environ; *entry; ++entry) {
        if (**entry) {
            text += *entry;
            text += separator;
        }
    }
    return true;
}

namespace {

// os-release files are a few hundred bytes; a larger one is read this far.
constexpr std::size_t os_release_limit = 64 * 1024;

// The processors the calling thread's affinity allows (new threads inherit it); 0 when the host
// cannot say. The set is sized for the machine: more than 1024 processors exist.
unsigned allowed_processors()
{
#if defined(__linux__)
    for (int count = 1024; count <= (1 << 20); count *= 2) {
        cpu_set_t* set = CPU_ALLOC(count);
        if (!set)
            return 0;
        const std::size_t size = CPU_ALLOC_SIZE(count);
        if (sched_getaffinity(0, size, set) == 0) {
            const int allowed = CPU_COUNT_S(size, set);
            CPU_FREE(set);
            return static_cast<unsigned>(allowed);
        }
        const int error = errno;
        CPU_FREE(set);
        if (error != EINVAL) // EINVAL: the kernel's set is larger
            return 0;
    }
#endif
    return 0;
}

} // namespace

void read_host(host_facts& facts)
{
    // Linux's uname node name is what gethostname returns: one system call answers everything.
    utsname host;
    if (uname(&host) != 0)
        return;
    facts.version_known = true;
    facts.host_known = true;
    facts.kernel.emplace<posix_kernel>(posix_kernel{host.sysname, host.release, host.machine});
    facts.host_name = host.nodename;
}

void read_product(product_facts& facts)
{
    facts.os_release_found =
        read_small_file("/etc/os-release", facts.os_release, os_release_limit) ||
        read_small_file("/usr/lib/os-release", facts.os_release, os_release_limit);
}

bool read_host_id(host_id which, std::string& text, id_format& format)
{
    // An id is 32 hex digits, or 36 as a UUID, and a line feed: a longer file holds none.
    const char* const paths[] = {"/etc/machine-id", "/var/lib/dbus/machine-id",
                                 "/proc/sys/kernel/random/boot_id"};
    format = which == host_id::boot ? id_format::uuid : id_format::plain;
    return read_small_file(paths[static_cast<int>(which)], text, 64);
}

void read_capacity(capacity_facts& facts)
{
#if defined(__linux__)
    // The kernel's own list ("0-3,8-11"): some C libraries count the calling thread's affinity
    // instead (musl). Read into the stack, since nothing here may throw; a list that fills the
    // buffer may be cut, and is left to sysconf.
    {
        char list[4096];
        regular_file online("/sys/devices/system/cpu/online");
        const ssize_t n = online.is_open() ? online.read_some(list, sizeof list) : -1;
        if (n > 0 && static_cast<std::size_t>(n) < sizeof list)
            facts.machine_processors = count_processor_list({list, static_cast<std::size_t>(n)});
    }
#endif
    if (!facts.machine_processors) {
        const long online = sysconf(_SC_NPROCESSORS_ONLN);
        facts.machine_processors = online > 0 ? static_cast<unsigned>(online) : 0;
    }
    facts.allowed_processors = allowed_processors();
    const long pages = sysconf(_SC_PHYS_PAGES), page_size = sysconf(_SC_PAGESIZE);
    if (pages > 0 && page_size > 0)
        facts.machine_memory =
            static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(page_size);
#if defined(__linux__)
    cgroup::read_cgroup_limits(facts);
#endif
}

std::string directory_host::variable(const char* name) const
{
    std::string value;
    const value_sink sink{[](void* target, std::size_t size) {
                              auto& text = *static_cast<std::string*>(target);
                              text.resize(size);
                              return &text[0];
                          },
                          &value};
    read_variable(name, &sink);
    return value;
}

std::string directory_host::account_home() const
{
    // The entry's strings live in a buffer of the caller's; the C library says how large one
    // usually is, and a larger one is tried while it answers ERANGE.
    const long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::string buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 1024, '\0');
    for (;;) {
        passwd entry;
        passwd* found = nullptr;
        const int error = getpwuid_r(getuid(), &entry, &buffer[0], buffer.size(), &found);
        if (error == ERANGE && buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        return !error && found && found->pw_dir ? found->pw_dir : "";
    }
}

bool directory_host::private_directory(const std::string& path) const
{
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
           status.st_uid == geteuid() && (status.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

bool directory_host::known_folder(folder, std::string& path) const
{
    path.clear();
    return false;
}

std::string directory_host::temp_path() const { return {}; }

std::string directory_host::user_dirs(const std::string& config) const
{
    std::string text; // a few hundred bytes, as the tool writes it
    read_small_file((config + "/user-dirs.dirs").c_str(), text, 16 * 1024);
    return text;
}

#if defined(__linux__)

namespace {

// The target of the symbolic link `link`, however long; "" when it cannot be read.
std::string link_target(const char* link)
{
    std::string target(256, '\0');
    for (;;) {
        const ssize_t n = readlink(link, &target[0], target.size());
        if (n < 0)
            return {};
        if (static_cast<std::size_t>(n) < target.size()) {
            target.resize(static_cast<std::size_t>(n));
            return target;
        }
        target.resize(target.size() * 2); // it may have been cut: read it again, with more room
    }
}

// Whether `path` is an absolute path to a regular file with the device and inode numbers
// `dev` and `inode`.
bool names_file(const std::string& path, dev_t dev, std::uint64_t inode)
{
    struct stat named;
    return !path.empty() && path[0] == '/' && stat(path.c_str(), &named) == 0 &&
           S_ISREG(named.st_mode) && named.st_dev == dev && named.st_ino == inode;
}

} // namespace

std::string executable_file()
{
    // The link names the file that was run as a path, which may since name another file or
    // none: " (deleted)" appended, a new file put in its place, a root changed after exec. The
    // link opened (never stat'ed: under qemu-user that is the emulator's own file) is the file
    // that runs, and the path is answered only when it names that file.
    std::string path = link_target("/proc/self/exe");
    const int fd = open("/proc/self/exe", O_PATH | O_CLOEXEC);
    struct stat running;
    const bool same =
        fd >= 0 && fstat(fd, &running) == 0 && names_file(path, running.st_dev, running.st_ino);
    if (fd >= 0)
        close(fd);
    return same ? path : std::string();
}

std::string library_file()
{
    // The memory map's line that holds this function: its path is always absolute, where the
    // loader's own name for the library may be relative (LD_LIBRARY_PATH=.).
    const auto here = reinterpret_cast<std::uintptr_t>(&library_file);
    mapping found;
    bool read = false, held = false;
    for_each_line("/proc/self/maps", [&](std::string_view line) {
        read = true;
        held = parse_mapping(line, found) && found.start <= here && here < found.end;
        return !held;
    });
    if (read) {
        // The file it names must be the one mapped (not one unlinked since, " (deleted)", nor
        // another at its path). Overlayfs before Linux 6.8 lists the device of the file under
        // it, where stat gives the overlay's: there only the inode can be compared.
        struct statfs fs;
        const bool overlay = statfs(found.path.c_str(), &fs) == 0 &&
                             static_cast<unsigned long>(fs.f_type) == OVERLAYFS_SUPER_MAGIC;
        struct stat named;
        const dev_t dev = overlay && stat(found.path.c_str(), &named) == 0
                              ? named.st_dev
                              : makedev(found.major, found.minor);
        return held && names_file(found.path, dev, found.inode) ? found.path : std::string();
    }
    // Where /proc cannot be read, the loader's name for the library, only when it is absolute;
    // for the program itself (always the first object the loader reports) it has no name, and
    // the program's own file is the answer.
    struct object {
        std::uintptr_t address;
        int seen = 0, holder = -1;
        const char* name = nullptr;
    } search{here};
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* data) {
            auto& s = *static_cast<object*>(data);
            for (int i = 0; i < info->dlpi_phnum; ++i) {
                const auto& segment = info->dlpi_phdr[i];
                if (segment.p_type == PT_LOAD &&
                    s.address - (info->dlpi_addr + segment.p_vaddr) < segment.p_memsz) {
                    s.holder = s.seen, s.name = info->dlpi_name;
                    return 1;
                }
            }
            ++s.seen;
            return 0;
        },
        &search);
    if (search.holder == 0)
        return executable_file();
    return search.holder > 0 && search.name && search.name[0] == '/' ? search.name : "";
}

#else

std::string executable_file() { return {}; }
std::string library_file() { return {}; }

#endif

void read_memory(memory_facts& facts)
{
    const long pages = sysconf(_SC_PHYS_PAGES), page_size = sysconf(_SC_PAGESIZE);
    if (pages > 0 && page_size > 0)
        facts.machine_memory =
            static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(page_size);
#if defined(__linux__)
    // MemAvailable counts what the kernel can reclaim without swapping (Linux 3.14 and later);
    // it is near the top of meminfo, which the stack holds, since nothing here may throw.
    char meminfo[4096];
    regular_file file("/proc/meminfo");
    const ssize_t n = file.is_open() ? file.read_some(meminfo, sizeof meminfo) : -1;
    if (n <= 0 || !meminfo_bytes({meminfo, static_cast<std::size_t>(n)}, "MemAvailable",
                                 facts.machine_available)) {
        struct sysinfo memory;
        if (sysinfo(&memory) == 0)
            facts.machine_available =
                (std::uint64_t{memory.freeram} + memory.bufferram) * memory.mem_unit;
    }
    cgroup::read_cgroup_memory(facts);
#else
    const long available = sysconf(_SC_AVPHYS_PAGES);
    if (available > 0 && page_size > 0)
        facts.machine_available =
            static_cast<std::uint64_t>(available) * static_cast<std::uint64_t>(page_size);
#endif
}

} // namespace tarn::detail::platform
