// tarn::getdirectory, where a program and its user keep their files, by the host's rule; where
// the program and the library themselves are.
#include "tarn/directories.h"

#include <stdexcept>

#include "core.h"
#include "directory_rules.h"

namespace tarn {

namespace detail {

bool find_directory(int which, std::string& path)
{
    if (which < static_cast<int>(directory::home) ||
        which > static_cast<int>(directory::publicshare))
        return false;
    const platform::directory_host host;
#if defined(_WIN32)
    path = windows_directory(static_cast<directory>(which), host);
#else
    path = posix_directory(static_cast<directory>(which), host);
#endif
    return true;
}

std::string executable_path() { return platform::executable_file(); }

std::string library_path() { return platform::library_file(); }

} // namespace detail

tarnstr getdirectory(directory which)
{
    std::string path;
    if (!detail::find_directory(static_cast<int>(which), path))
        throw std::invalid_argument("invalid directory");
    return path;
}

tarnstr getexecutablepath() { return detail::executable_path(); }

tarnstr getlibrarypath() { return detail::library_path(); }

} // namespace tarn
