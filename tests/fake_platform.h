// A scripted host for the tests: each operation of the platform layer answers what the test put
// here, so every branch of the library's shared code runs on every target.
#ifndef TARN_TESTS_FAKE_PLATFORM_H
#define TARN_TESTS_FAKE_PLATFORM_H

#include <map>
#include <vector>

#include "platform/platform.h"

namespace tarn::test {

struct fake_host {
    std::map<std::string, std::string> variables;
    bool environment_missing = false;
    detail::platform::host_facts facts{
        true, true, detail::platform::nt_kernel{10, 0, 19045, 1, 9, "", 0, 0}, "fakehost"};
    detail::platform::product_facts product;
    detail::platform::capacity_facts capacity{4, 4, 8ull << 30, {}, {}};
    detail::platform::memory_facts memory{8ull << 30, 6ull << 30, {}};
    std::string machine_id = "0123456789abcdef0123456789abcdef\n", boot_id;
    // Where files go: the password database's home, the private runtime folders, the Known
    // Folders whose call succeeds (by number), the temporary folder, user-dirs.dirs' text.
    std::string account_home, temp_path;
    std::map<std::string, std::string> user_dirs; // by the config folder it is in
    // The program's and the library's files.
    std::string executable, library;
    std::vector<std::string> private_directories;
    std::map<int, std::string> known_folders;
};

// The one scripted host; what it stores is the host's, allocated in a host_scope.
extern fake_host fake;
void reset_fake();

} // namespace tarn::test

#endif
