// The scripted platform: the library's platform layer answered from tarn::test::fake().
#include "fake_platform.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

namespace tarn::test {

fake_host& fake()
{
    static fake_host host;
    return host;
}

void reset_fake() { fake() = fake_host(); }

namespace {

thread_local int host_depth = 0;

std::string* find_variable(const char* name)
{
    for (auto& [key, value] : fake().variables)
        if (key == name)
            return &value;
    return nullptr;
}

} // namespace

bool inside_host() { return host_depth > 0; }

host_scope::host_scope() { ++host_depth; }
host_scope::~host_scope() { --host_depth; }

} // namespace tarn::test

namespace tarn::detail::platform {

using tarn::test::fake;
using tarn::test::host_scope;

std::uint32_t get_environment_variable(const char* name, char* buffer, std::uint32_t size)
{
    const host_scope in_host;
    ++fake().reads;
    std::string* value = tarn::test::find_variable(name);
    if (!value)
        return 0;
    if (fake().growths > 0) {
        --fake().growths;
        value->append(fake().growth_bytes, 'g');
    }
    if (value->size() >= size)
        return static_cast<std::uint32_t>(value->size() + 1);
    std::memcpy(buffer, value->c_str(), value->size() + 1);
    return static_cast<std::uint32_t>(value->size());
}

bool set_environment_variable(const char* name, const char* value)
{
    const host_scope in_host;
    if (!*name || std::strchr(name + 1, '='))
        return false;
    if (std::string* existing = tarn::test::find_variable(name))
        *existing = value;
    else
        fake().variables.emplace_back(name, value);
    return true;
}

char* get_environment_strings()
{
    const host_scope in_host;
    if (fake().environment_missing)
        return nullptr;
    std::string bytes;
    if (fake().raw_block) {
        bytes = *fake().raw_block;
    } else {
        for (const auto& [name, value] : fake().variables)
            bytes += name + '=' + value + '\0';
    }
    // malloc, not new: the tests that count the library's own allocations must not see the host's.
    auto* block = static_cast<char*>(std::malloc(bytes.size() + 2));
    std::memcpy(block, bytes.data(), bytes.size());
    block[bytes.size()] = '\0';
    block[bytes.size() + 1] = '\0';
    ++fake().blocks_given;
    return block;
}

void free_environment_strings(char* block)
{
    const host_scope in_host;
    ++fake().blocks_returned;
    std::free(block);
}

bool get_version(os_version& version)
{
    const host_scope in_host;
    if (fake().version_fails)
        return false;
    version.major = fake().major;
    version.minor = fake().minor;
    version.build = fake().build;
    version.workstation = fake().workstation;
    std::strncpy(version.service_pack, fake().service_pack.c_str(),
                 sizeof version.service_pack - 1);
    std::strncpy(version.kernel_name, fake().kernel_name.c_str(), sizeof version.kernel_name - 1);
    return true;
}

std::uint16_t get_processor_architecture() { return fake().processor; }

// Answers as GetComputerNameExA does: a name that does not fit with its NUL fails.
bool get_host_name(char* buffer, std::uint32_t& size)
{
    const host_scope in_host;
    ++fake().host_queries;
    const std::string& name = fake().host_name;
    if (fake().host_name_fails || name.size() + 1 > size) {
        size = static_cast<std::uint32_t>(name.size() + 1);
        return false;
    }
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    size = static_cast<std::uint32_t>(name.size());
    return true;
}

} // namespace tarn::detail::platform
