// A scripted platform for the tests: every answer and every failure of the host, chosen by the
// test.
#ifndef TARN_TESTS_FAKE_PLATFORM_H
#define TARN_TESTS_FAKE_PLATFORM_H

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tarn::test {

struct fake_host {
    // The environment: variables in the order the host lists them.
    std::vector<std::pair<std::string, std::string>> variables;
    // When set, the block given out holds exactly these bytes plus one final NUL, in place of the
    // block made from `variables`.
    std::optional<std::string> raw_block;
    bool environment_missing = false; // get_environment_strings answers null
    int blocks_given = 0;
    int blocks_returned = 0;
    // The next `growths` reads each first lengthen the value they read by `growth_bytes`: a value
    // that another thread keeps lengthening.
    int growths = 0;
    std::size_t growth_bytes = 0;
    int reads = 0;

    // The host description.
    bool version_fails = false;
    std::uint32_t major = 10, minor = 0, build = 19045;
    bool workstation = true;
    std::string service_pack;
    std::string kernel_name;
    std::uint16_t processor = 9;
    bool host_name_fails = false;
    std::string host_name = "fakehost";
    int host_queries = 0;
};

// The one scripted host of the process; reset() gives it its defaults again.
fake_host& fake();
void reset_fake();

// True while the calling thread is inside the scripted host: what it allocates then is the host's
// business, not the library's. The host's operations run inside a host_scope; so does a test that
// scripts the host when it counts the library's allocations.
bool inside_host();

struct host_scope {
    host_scope();
    ~host_scope();
    host_scope(const host_scope&) = delete;
    host_scope& operator=(const host_scope&) = delete;
};

} // namespace tarn::test

#endif
