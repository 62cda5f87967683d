// The platform layer on POSIX hosts: the C library's environment under a lock of the library's
// own, and one uname for the host. Only generic POSIX code lives here.
#include "platform.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

extern char** environ;

namespace tarn::detail::platform {

namespace {

// POSIX puts no guard around the environment, so every read, write and listing made through the
// library takes this one lock. Statically initialised: nothing runs at load or at exit.
pthread_mutex_t environment_lock = PTHREAD_MUTEX_INITIALIZER;

class environment_guard {
public:
    environment_guard() { pthread_mutex_lock(&environment_lock); }
    ~environment_guard() { pthread_mutex_unlock(&environment_lock); }
    environment_guard(const environment_guard&) = delete;
    environment_guard& operator=(const environment_guard&) = delete;
};

} // namespace

bool read_variable(const char* name, std::string* value)
{
    // A name holding "=" names no variable; glibc's getenv("A=B") would answer from the entry
    // "A=B=C", the value of A.
    if (std::strchr(name, '='))
        return false;
    const environment_guard guard;
    const char* found = std::getenv(name);
    if (found && value)
        value->assign(found);
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

bool read_environment(std::string& text)
{
    const environment_guard guard;
    // clearenv() leaves environ null: an empty environment, not a missing one.
    if (!environ)
        return true;
    std::size_t total = 0;
    for (char** entry = environ; *entry; ++entry)
        total += std::strlen(*entry) + 1;
    text.reserve(text.size() + total);
    for (char** entry = environ; *entry; ++entry) {
        text += *entry;
        text += '\n';
    }
    return true;
}

namespace {

// Closes its descriptor on every way out, also when storage runs out.
struct descriptor {
    int fd;
    ~descriptor()
    {
        if (fd >= 0)
            close(fd);
    }
};

// The whole text of a small file; false when it cannot be opened. Plain system calls: stdio's
// buffer and bookkeeping would cost more than the read itself.
bool read_file(const char* path, std::string& text)
{
    const descriptor file{open(path, O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0)
        return false;
    // A short read of a regular file is its end, which saves asking again.
    char chunk[4096];
    for (ssize_t n = sizeof chunk; n == sizeof chunk;) {
        n = read(file.fd, chunk, sizeof chunk);
        if (n > 0)
            text.append(chunk, static_cast<std::size_t>(n));
        else if (n < 0 && errno == EINTR)
            n = sizeof chunk;
    }
    return true;
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
    posix_kernel kernel{host.sysname, host.release, host.machine, {}};
    if (!read_file("/etc/os-release", kernel.os_release))
        read_file("/usr/lib/os-release", kernel.os_release);
    facts.kernel = std::move(kernel);
    facts.host_name = host.nodename;
}

} // namespace tarn::detail::platform
