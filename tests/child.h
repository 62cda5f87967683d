// Tests that change what a process sees of the host (its mounts, its cgroup) do it in a forked
// child, which reports back through a pipe; the test program itself stays as it was.
#ifndef TARN_TESTS_CHILD_H
#define TARN_TESTS_CHILD_H

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace tarn::test {

// What in_private_mounts answers where the host gives no mount namespace (not root).
inline const std::string no_namespace = "no private mount namespace here";

// Runs `body` in a forked child and returns its text, or says how the child failed. A child
// that hangs (a read that blocks) ends after 10 seconds.
template <class Body> std::string in_child(Body body)
{
    int ends[2];
    if (pipe(ends) != 0)
        return "no pipe";
    const pid_t child = fork();
    if (child == 0) {
        close(ends[0]);
        alarm(10);
        const std::string text = body();
        _exit(write(ends[1], text.data(), text.size()) == static_cast<ssize_t>(text.size()) ? 0
                                                                                            : 1);
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
template <class Body> std::string in_private_mounts(Body body)
{
    return in_child([&]() -> std::string {
        if (unshare(CLONE_NEWNS) != 0 ||
            mount("none", "/", "none", MS_REC | MS_PRIVATE, nullptr) != 0)
            return no_namespace;
        return body();
    });
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
