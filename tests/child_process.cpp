// Starts print_environ, found beside the test program, with an empty environment.
#include "child_process.h"

#if defined(_WIN32)

#  include <windows.h>

child_result run_with_empty_environment()
{
    child_result result;
    result.supported = false;
    result.output = "Wine adds its own variables (WINE*, SystemDrive, SystemRoot) to every "
                    "process it starts, even from an empty block; the scripted host covers it";
    return result;
}

#else

#  include <spawn.h>
#  include <sys/wait.h>
#  include <unistd.h>

#  include <climits>

child_result run_with_empty_environment()
{
    child_result result;
    char self[PATH_MAX] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) < 0) {
        result.supported = false;
        result.output = "cannot find the test program's own path";
        return result;
    }
    std::string helper(self);
    helper = helper.substr(0, helper.rfind('/') + 1) + "print_environ";

    int pipe_ends[2];
    if (pipe(pipe_ends) != 0)
        return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipe_ends[0]);
    char* argv[] = {helper.data(), nullptr};
    char* envp[] = {nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, helper.c_str(), &actions, nullptr, argv, envp);
    posix_spawn_file_actions_destroy(&actions);
    close(pipe_ends[1]);
    if (spawned == 0) {
        char chunk[4096];
        for (ssize_t n; (n = read(pipe_ends[0], chunk, sizeof chunk)) > 0;)
            result.output.append(chunk, static_cast<std::size_t>(n));
        int status = 0;
        waitpid(pid, &status, 0);
        result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    close(pipe_ends[0]);
    return result;
}

#endif
