// The facts that say where a program's files go (environment values, the password database's
// home, the Known Folders), on both hosts' rules: an answer is absolute or none, never ends with a
// separator but on a root, and is no longer than what it came from.
#include <map>

#include "directory_rules.h"
#include "fuzz.h"

namespace {

struct host {
    std::map<std::string, std::string, std::less<>> values;
    std::string variable(const char* name) const
    {
        const auto found = values.find(name);
        return found == values.end() ? "" : found->second;
    }
    std::string account_home() const { return variable("account"); }
    bool private_directory(const std::string& path) const { return path.size() % 2; }
    bool known_folder(tarn::detail::platform::directory_host::folder which, std::string& path) const
    {
        path = variable(which == tarn::detail::platform::directory_host::folder::profile ? "profile" : "app");
        return !path.empty() && path != "x";
    }
    std::string temp_path() const { return variable("temp"); }
    std::string user_dirs(const std::string&) const { return variable("user-dirs"); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view input = fuzz::text(data, size);
    host facts;
    for (const char* name :
         {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME",
          "XDG_RUNTIME_DIR", "TMPDIR", "account", "USERPROFILE", "APPDATA", "LOCALAPPDATA",
          "profile", "app", "temp", "user-dirs"})
        facts.values[name] = fuzz::take_text(input);
    for (int which = 0; which <= static_cast<int>(tarn::directory::publicshare); ++which) {
        const auto d = static_cast<tarn::directory>(which);
        const std::string posix = tarn::detail::posix_directory(d, facts);
        FUZZ_CHECK(posix.empty() || (posix[0] == '/' && (posix == "/" || posix.back() != '/')));
        FUZZ_CHECK(posix.size() <= size + 13); // the longest default, "/.local/share"
        const std::string windows = tarn::detail::windows_directory(d, facts);
        FUZZ_CHECK(windows.size() <= size && (d != tarn::directory::runtime || windows.empty()));
        FUZZ_CHECK(windows.empty() || windows.size() <= 3 || (windows.back() != '\\' && windows.back() != '/'));
    }
    return 0;
}
