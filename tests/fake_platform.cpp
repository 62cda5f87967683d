// The platform layer answered from tarn::test::fake.
#include "fake_platform.h"

#include <algorithm>

#include "counting_heap.h"

namespace tarn::test {

fake_host fake;

void reset_fake()
{
    // Swapped, not assigned: a string assigned to keeps its old storage, and that storage may have
    // been counted as the library's.
    const host_scope host;
    fake_host fresh;
    std::swap(fake, fresh);
}

} // namespace tarn::test

// For the C test program: the scripted host fails as the C interface's status says (1 no memory,
// 3 no environment, 4 no version, 5 no host name); 0 makes it a working host again.
extern "C" void tarn_test_script(int status)
{
    using tarn::test::fake;
    tarn::test::reset_fake();
    fake.environment_missing = status == 3;
    fake.facts.version_known = status != 4;
    fake.facts.host_known = status != 5;
    tarn::test::heap.seen = 0;
    tarn::test::heap.fail_at = status == 1;
}

namespace tarn::detail::platform {

using test::fake;

bool read_variable(const char* name, const value_sink* sink)
{
    const auto found = fake.variables.find(name);
    if (found != fake.variables.end() && sink) {
        const std::string& value = found->second;
        value.copy(sink->reserve(sink->target, value.size()), value.size());
    }
    return found != fake.variables.end();
}

void write_variable(const char* name, const char* value)
{
    const test::host_scope host;
    fake.variables[name] = value;
}

void remove_variable(const char* name)
{
    const test::host_scope host;
    fake.variables.erase(name);
}

bool read_environment(std::string& text, char separator)
{
    for (const auto& [name, value] : fake.variables)
        text += name + '=' + value + separator;
    return !fake.environment_missing;
}

void read_host(host_facts& facts) { facts = fake.facts; }

void read_product(product_facts& facts) { facts = fake.product; }

void read_capacity(capacity_facts& facts)
{
    // Level after level, as the hosts read them, so that storage can run out half way.
    const capacity_facts& f = fake.capacity;
    facts.machine_processors = f.machine_processors;
    facts.allowed_processors = f.allowed_processors;
    facts.machine_memory = f.machine_memory;
    for (const cpu_quota& level : f.quotas)
        facts.quotas.push_back(level);
    for (const std::uint64_t level : f.memory_limits)
        facts.memory_limits.push_back(level);
}

void read_memory(memory_facts& facts)
{
    const memory_facts& f = fake.memory;
    facts.machine_memory = f.machine_memory;
    facts.machine_available = f.machine_available;
    for (const memory_level& level : f.levels)
        facts.levels.push_back(level);
}

std::string directory_host::variable(const char* name) const
{
    const auto found = fake.variables.find(name);
    return found == fake.variables.end() ? "" : found->second;
}

std::string directory_host::account_home() const { return fake.account_home; }

bool directory_host::private_directory(const std::string& path) const
{
    return std::count(fake.private_directories.begin(), fake.private_directories.end(), path) > 0;
}

bool directory_host::known_folder(folder which, std::string& path) const
{
    const auto found = fake.known_folders.find(static_cast<int>(which));
    path = found == fake.known_folders.end() ? "" : found->second;
    return found != fake.known_folders.end();
}

std::string directory_host::temp_path() const { return fake.temp_path; }

std::string directory_host::user_dirs(const std::string& config) const
{
    const auto found = fake.user_dirs.find(config);
    return found == fake.user_dirs.end() ? "" : found->second;
}

std::string executable_file() { return fake.executable; }

std::string library_file() { return fake.library; }

bool read_host_id(host_id which, std::string& text, id_format& format)
{
    format = which == host_id::boot ? id_format::uuid : id_format::plain;
    text = which == host_id::machine ? fake.machine_id : which == host_id::boot ? fake.boot_id : "";
    return !text.empty();
}

} // namespace tarn::detail::platform
