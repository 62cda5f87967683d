// Reading the host's own small files on POSIX: os-release, machine ids, /proc and cgroup files.
// A file is opened without blocking, so a FIFO put in its place cannot stall the call, and read
// only when fstat says it is a regular file, so /dev/zero or a directory is never read. Plain
// system calls: stdio would cost more than the read.
#ifndef TARN_PLATFORM_FILE_H
#define TARN_PLATFORM_FILE_H

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <string>
#include <string_view>

#include "lines.h"

namespace tarn::detail::platform {

// An open regular file, closed on every way out, also when storage runs out.
// A relative `path` is taken from the directory open at `dir`.
class regular_file {
public:
    explicit regular_file(const char* path, int dir = AT_FDCWD)
        : fd(openat(dir, path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY))
    {
        struct stat status;
        if (fd >= 0 && (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))) {
            close(fd);
            fd = -1;
        }
    }
    ~regular_file()
    {
        if (fd >= 0)
            close(fd);
    }
    regular_file(const regular_file&) = delete;
    regular_file& operator=(const regular_file&) = delete;

    bool is_open() const { return fd >= 0; }

    // Reads up to `wanted` bytes into `buffer`: the count, 0 at the end, -1 on an error.
    ssize_t read_some(char* buffer, std::size_t wanted)
    {
        ssize_t n;
        do
            n = read(fd, buffer, wanted);
        while (n < 0 && errno == EINTR);
        return n;
    }

private:
    int fd;
};

// Appends the text of the regular file at `path`, at most `limit` bytes of it; false when it
// cannot be opened, is no regular file or cannot be read, which the caller takes for a missing
// file (and then nothing was appended). For the files read this way, a short read is the end: a
// file on a disk reads whole, and the kernel's files read here (/proc/self/cgroup, a cgroup's
// limits, the boot id) are one record each, which a read gives whole when it fits. A relative
// `path` is taken from the directory open at `dir`.
inline bool read_small_file(const char* path, std::string& text, std::size_t limit,
                            int dir = AT_FDCWD)
{
    regular_file file(path, dir);
    if (!file.is_open())
        return false;
    const std::size_t start = text.size();
    char chunk[4096];
    while (text.size() - start < limit) {
        const std::size_t wanted = std::min(sizeof chunk, limit - (text.size() - start));
        const ssize_t n = file.read_some(chunk, wanted);
        if (n < 0) {
            text.resize(start);
            return false;
        }
        text.append(chunk, static_cast<std::size_t>(n));
        if (static_cast<std::size_t>(n) < wanted)
            break;
    }
    return true;
}

// Calls `line(text)` for every line of the file at `path`, without its line feed, until it returns
// false; however long the file, only the line at hand is held. A file that cannot be read has no
// lines.
template <class Line> void for_each_line(const char* path, Line line)
{
    regular_file file(path);
    if (!file.is_open())
        return;
    line_splitter<Line> lines(line);
    char chunk[4096];
    for (;;) {
        const ssize_t n = file.read_some(chunk, sizeof chunk);
        if (n <= 0) {
            if (n == 0)
                lines.finish();
            return;
        }
        if (!lines.feed({chunk, static_cast<std::size_t>(n)}))
            return;
    }
}

} // namespace tarn::detail::platform

#endif
