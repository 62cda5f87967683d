// The platform layer on POSIX hosts: the C library's environment, uname and gethostname.
#include "platform.h"

#include <pthread.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "../naming.h"

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

template <std::size_t n> void copy_text(char (&to)[n], const char* from)
{
    std::snprintf(to, n, "%s", from);
}

} // namespace

std::uint32_t get_environment_variable(const char* name, char* buffer, std::uint32_t size)
{
    environment_guard guard;
    const char* value = std::getenv(name);
    if (!value)
        return 0;
    std::size_t length = std::strlen(value);
    if (length >= size) {
        // Not enough room: report the size that would fit, which must exceed `size` in 32 bits.
        // Only a value of 4 GiB or more can outgrow the largest buffer; it is cut to fill it.
        if (size < UINT32_MAX)
            return length >= UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(length + 1);
        length = size - 1;
    }
    std::memcpy(buffer, value, length);
    buffer[length] = '\0';
    return static_cast<std::uint32_t>(length);
}

bool set_environment_variable(const char* name, const char* value)
{
    environment_guard guard;
    return setenv(name, value, 1) == 0;
}

char* get_environment_strings()
{
    environment_guard guard;
    std::size_t total = 1;
    for (char** entry = environ; entry && *entry; ++entry)
        total += std::strlen(*entry) + 1;
    auto* block = static_cast<char*>(std::malloc(total));
    if (!block)
        return nullptr;
    char* cursor = block;
    for (char** entry = environ; entry && *entry; ++entry)
        cursor = stpcpy(cursor, *entry) + 1;
    *cursor = '\0';
    return block;
}

void free_environment_strings(char* block) { std::free(block); }

bool get_version(os_version& version)
{
    utsname host;
    if (uname(&host) != 0)
        return false;
    parse_release(host.release, version.major, version.minor);
    copy_text(version.service_pack, host.release);
    copy_text(version.kernel_name, host.sysname);
    return true;
}

std::uint16_t get_processor_architecture()
{
    utsname host;
    if (uname(&host) != 0)
        return processor_unknown;
    const char* m = host.machine;
    if (!std::strcmp(m, "x86_64") || !std::strcmp(m, "amd64"))
        return processor_amd64;
    if (m[0] == 'i' && m[1] >= '3' && m[1] <= '6' && !std::strcmp(m + 2, "86"))
        return processor_x86;
    if (!std::strcmp(m, "ia64"))
        return processor_ia64;
    if (!std::strcmp(m, "aarch64") || !std::strcmp(m, "arm64"))
        return processor_arm64;
    return processor_unknown;
}

bool get_host_name(char* buffer, std::uint32_t& size)
{
    // A name that fills the buffer may have been cut without its NUL, so it counts as not fitting.
    if (size == 0 || gethostname(buffer, size) != 0)
        return false;
    const void* nul = std::memchr(buffer, '\0', size);
    if (!nul)
        return false;
    size = static_cast<std::uint32_t>(static_cast<const char*>(nul) - buffer);
    return true;
}

} // namespace tarn::detail::platform
