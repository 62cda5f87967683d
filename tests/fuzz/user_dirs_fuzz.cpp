// xdg-user-dirs' user-dirs.dirs as a user, a program or a locale's translation left it: home (up
// to the first NUL), then the file. A folder is absolute or none, ends with no "/" but as the
// root, is never home itself (that is a removed folder), and is no longer than the two together.
#include "directory_rules.h"
#include "fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view input = fuzz::text(data, size);
    std::string home = tarn::detail::without_trailing(fuzz::take_text(input), false);
    if (home.empty() || home[0] != '/')
        home.clear(); // as the rules give it: absolute, or none
    for (const char* name : {"DESKTOP", "DOCUMENTS", "DOWNLOAD", "MUSIC", "PICTURES", "VIDEOS",
                             "TEMPLATES", "PUBLICSHARE"}) {
        const std::string folder = tarn::detail::user_dir(input, name, home);
        FUZZ_CHECK(folder.empty() || (folder[0] == '/' && (folder == "/" || folder.back() != '/')));
        FUZZ_CHECK(folder.empty() || folder != home);
        FUZZ_CHECK(folder.size() <= home.size() + input.size());
    }
    return 0;
}
