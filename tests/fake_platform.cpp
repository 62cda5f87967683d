// The platform layer answered from tarn::test::fake.
#include "fake_platform.h"

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

namespace tarn::detail::platform {

using test::fake;

bool read_variable(const char* name, std::string* value)
{
    const auto found = fake.variables.find(name);
    if (found != fake.variables.end() && value)
        *value = found->second;
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

bool read_environment(std::string& text)
{
    for (const auto& [name, value] : fake.variables)
        text += name + '=' + value + '\n';
    return !fake.environment_missing;
}

void read_host(host_facts& facts) { facts = fake.facts; }

void read_product(product_facts& facts) { facts = fake.product; }

} // namespace tarn::detail::platform
