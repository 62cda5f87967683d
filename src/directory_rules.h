// Which fact of the host answers where a program's files go: one rule per host, compiled and
// tested on every target over the facts a host gives (a directory_host, or a table's).
#ifndef TARN_DIRECTORY_RULES_H
#define TARN_DIRECTORY_RULES_H

#include <algorithm>
#include <string>
#include <string_view>

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

// The folder that xdg-user-dirs' user-dirs.dirs gives the key XDG_<name>_DIR, the last of its
// lines that the tool itself would take: `KEY="$HOME/REST"` (home joined with REST) or
// `KEY="/absolute"`, blanks allowed around the key and after "=" but not before it, a backslash
// inside the quotes escaping the next character; the value ends at the first quote that is not
// escaped, and only blanks may follow it (a carriage return is one). Anything else is ignored. A
// value that names home itself, however written, means the user removed the folder: none, as is
// "$HOME/..." with no home.
inline std::string user_dir(std::string_view text, std::string_view name, const std::string& home)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    const std::string key = "XDG_" + std::string(name) + "_DIR=";
    std::string found;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        while (!line.empty() && blank(line.front()))
            line.remove_prefix(1);
        if (line.substr(0, key.size()) != key)
            continue;
        line.remove_prefix(key.size());
        while (!line.empty() && blank(line.front()))
            line.remove_prefix(1);
        const bool under_home = line.substr(0, 7) == "\"$HOME/" || line.substr(0, 7) == "\"$HOME\"";
        if (!under_home && line.substr(0, 2) != "\"/")
            continue;
        line.remove_prefix(under_home ? 6 : 1); // to the "/" that follows, or the closing quote
        std::string value = under_home && home != "/" ? home : "";
        std::size_t i = 0;
        for (; i < line.size() && line[i] != '"'; ++i)
            value += line[i] == '\\' && i + 1 < line.size() ? line[++i] : line[i];
        if (i == line.size() || !std::all_of(line.begin() + i + 1, line.end(), blank))
            continue;
        value = without_trailing(std::move(value), false);
        found = (under_home && home.empty()) || value == home ? "" : std::move(value);
    }
    return found;
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
    // The user's folder of the key XDG_<name>_DIR in user-dirs.dirs, in the config folder.
    const auto user_folder = [&](std::string_view name) {
        const std::string config = xdg("XDG_CONFIG_HOME", ".config");
        return config.empty() ? std::string() : user_dir(host.user_dirs(config), name, home());
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
    case directory::desktop: return user_folder("DESKTOP");
    case directory::documents: return user_folder("DOCUMENTS");
    case directory::downloads: return user_folder("DOWNLOAD");
    case directory::music: return user_folder("MUSIC");
    case directory::pictures: return user_folder("PICTURES");
    case directory::videos: return user_folder("VIDEOS");
    case directory::templates: return user_folder("TEMPLATES");
    case directory::publicshare: return user_folder("PUBLICSHARE");
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
    // The Known Folder; where the call fails, the variable that names it (if any), when absolute.
    const auto known = [&](platform::directory_host::folder folder,
                           const char* variable = nullptr) {
        std::string found;
        if (!host.known_folder(folder, found) && variable)
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
    case directory::desktop: return known(folder::desktop);
    case directory::documents: return known(folder::documents);
    case directory::downloads: return known(folder::downloads);
    case directory::music: return known(folder::music);
    case directory::pictures: return known(folder::pictures);
    case directory::videos: return known(folder::videos);
    case directory::templates: return known(folder::templates);
    case directory::publicshare: return known(folder::public_folder);
    }
    return {};
}

} // namespace tarn::detail

#endif
