// Which fact of the host answers where a program's files go: one rule per host, compiled and
// tested on every target over the facts a host gives (a directory_host, or a table's).
#ifndef TARN_DIRECTORY_RULES_H
#define TARN_DIRECTORY_RULES_H

#include <string>

#include "platform/platform.h"
#include "tarn/directories.h"

namespace tarn::detail {

// `path` without trailing separators, but a root keeps its own ("/", "C:\").
inline std::string without_trailing(std::string path, bool windows)
{
    const auto separator = [windows](char c) { return c == '/' || (windows && c == '\\'); };
    const std::size_t root = windows && path.size() >= 3 && path[1] == ':' ? 3 : 1;
    while (path.size() > root && separator(path.back()))
        path.pop_back();
    return path;
}

// POSIX: an absolute path begins with "/"; anything else (relative, empty, unset) is ignored.
template <class Host> std::string posix_directory(directory which, const Host& host)
{
    const auto absolute = [](const std::string& path) { return !path.empty() && path[0] == '/'; };
    const auto variable = [&](const char* name) {
        std::string value = host.variable(name);
        return absolute(value) ? without_trailing(std::move(value), false) : std::string();
    };
    const auto home = [&] {
        std::string found = variable("HOME");
        if (found.empty()) {
            found = host.account_home();
            found = absolute(found) ? without_trailing(std::move(found), false) : std::string();
        }
        return found;
    };
    // The XDG Base Directory variable, else the folder it names by default under home.
    const auto xdg = [&](const char* name, const char* under_home) {
        std::string found = variable(name);
        if (found.empty() && !(found = home()).empty())
            found += (found == "/" ? "" : "/") + std::string(under_home);
        return found;
    };
    switch (which) {
    case directory::home: return home();
    case directory::config: return xdg("XDG_CONFIG_HOME", ".config");
    case directory::data: return xdg("XDG_DATA_HOME", ".local/share");
    case directory::cache: return xdg("XDG_CACHE_HOME", ".cache");
    case directory::state: return xdg("XDG_STATE_HOME", ".local/state");
    case directory::runtime: {
        std::string found = variable("XDG_RUNTIME_DIR");
        return !found.empty() && host.private_directory(found) ? found : std::string();
    }
    case directory::temp: {
        const std::string found = variable("TMPDIR");
        return found.empty() ? "/tmp" : found;
    }
    }
    return {};
}

// Windows: an absolute path is "X:\..." (or "X:/...") or "\\server\share...".
template <class Host> std::string windows_directory(directory which, const Host& host)
{
    const auto absolute = [](const std::string& path) {
        const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
        if (path.size() >= 3 && letter(path[0]) && path[1] == ':')
            return path[2] == '\\' || path[2] == '/';
        const std::size_t share = path.find('\\', 2); // after the server's name
        return path.substr(0, 2) == "\\\\" && share != std::string::npos && share > 2 &&
               share + 1 < path.size();
    };
    // The Known Folder; where the call fails, the variable that names it, when absolute.
    const auto known = [&](platform::directory_host::folder folder, const char* variable) {
        std::string found;
        if (!host.known_folder(folder, found))
            found = host.variable(variable);
        return absolute(found) ? without_trailing(std::move(found), true) : std::string();
    };
    using folder = platform::directory_host::folder;
    switch (which) {
    case directory::home: return known(folder::profile, "USERPROFILE");
    case directory::config:
    case directory::data: return known(folder::roaming_app_data, "APPDATA");
    case directory::cache:
    case directory::state: return known(folder::local_app_data, "LOCALAPPDATA");
    case directory::runtime: return {};
    case directory::temp: {
        std::string found = host.temp_path();
        return absolute(found) ? without_trailing(std::move(found), true) : std::string();
    }
    }
    return {};
}

} // namespace tarn::detail

#endif
