// tarn::getdirectory: where a program keeps its files, by its host's rule.
#include "tarn/directories.h"

#include <stdexcept>

#include "core.h"
#include "directory_rules.h"

namespace tarn {

namespace detail {

bool find_directory(int which, std::string& path)
{
    if (which < static_cast<int>(directory::home) || which > static_cast<int>(directory::temp))
        return false;
    const platform::directory_host host;
#if defined(_WIN32)
    path = windows_directory(static_cast<directory>(which), host);
#else
    path = posix_directory(static_cast<directory>(which), host);
#endif
    return true;
}

} // namespace detail

tarnstr getdirectory(directory which)
{
    std::string path;
    if (!detail::find_directory(static_cast<int>(which), path))
        throw std::invalid_argument("invalid directory");
    return path;
}

} // namespace tarn
