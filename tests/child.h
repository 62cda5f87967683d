// Tests that change what a process sees of the host (its mounts, its cgroup) do it in a forked
// child, which reports back through a pipe; the test program itself stays as it was.
#ifndef TARN_TESTS_CHILD_H
#define TARN_TESTS_CHILD_H

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/syscall.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <thread>

namespace tarn::test {

// What in_private_mounts answers where the host gives no mount namespace (not root).
inline const std::string no_namespace = "no private mount namespace here";

// In a forked child: where its text goes back to the parent.
inline int report_to = -1;

// Hands `text` back to the parent and ends the child.
[[noreturn]] inline void report(const std::string& text)
{
    _exit(write(report_to, text.data(), text.size()) == static_cast<ssize_t>(text.size()) ? 0 : 1);
}

// Runs `body` in a forked child and returns its text, or says how the child failed. A child
// that hangs (a read that blocks) ends after `seconds`.
template <class Body> std::string in_child(Body body, unsigned seconds = 10)
{
    int ends[2];
    if (pipe(ends) != 0)
        return "no pipe";
    const pid_t child = fork();
    if (child == 0) {
        close(ends[0]);
        alarm(seconds);
        report_to = ends[1];
        report(body());
    }
    close(ends[1]);
    std::string text;
    char buffer[512];
    for (ssize_t n; (n = read(ends[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    close(ends[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? text : "the child failed or hung";
}

// The same, in a mount namespace of the child's own: what it mounts no other process sees. (The
// file system type of a bind mount or of a change of propagation is ignored; one is named all
// the same, since valgrind reads it.)
template <class Body> std::string in_private_mounts(Body body, unsigned seconds = 10)
{
    return in_child(
        [&]() -> std::string {
            if (unshare(CLONE_NEWNS) != 0 ||
                mount("none", "/", "none", MS_REC | MS_PRIVATE, nullptr) != 0)
                return no_namespace;
            return body();
        },
        seconds);
}

// In a child: reports what `ask` answers in a second thread, once the child's first thread has
// exited, as a program's does when its main ends with pthread_exit (here the first thread exits
// alone, releasing nothing, so what it holds stays valid). The process's own /proc/self/mountinfo
// no longer opens then. Never returns.
template <class Ask> [[noreturn]] void report_without_the_first_thread(Ask ask)
{
    std::thread([ask] {
        for (int tries = 0; tries < 5000; ++tries) {
            const int fd = open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
            if (fd < 0)
                break;
            close(fd);
            usleep(1000);
        }
        report(ask());
    }).detach();
    for (;;)
        syscall(SYS_exit, 0);
}

// Makes the folders that the file at `path` needs.
inline void make_folders(const std::string& path)
{
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1))
        mkdir(path.substr(0, slash).c_str(), 0755);
}

inline bool bind(const std::string& from, const std::string& over)
{
    return mount(from.c_str(), over.c_str(), "none", MS_BIND, nullptr) == 0;
}

} // namespace tarn::test

#endif
