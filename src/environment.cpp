// The process environment: read one variable, set one, list them all.
#include "tarn/environment.h"

#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/platform.h"

namespace tarn {

namespace {

namespace platform = detail::platform;

constexpr std::uint32_t value_buffer_size = 32767;

// The host takes names and values as NUL-terminated strings; one that holds a NUL would reach it
// cut short, naming a different variable or setting a different value.
bool has_nul(const std::string& s) { return s.find('\0') != std::string::npos; }

// A value too long for the stack buffer: read it into heap storage sized from the count the host
// reported, and again while it keeps growing (another thread may be setting it meanwhile).
std::string read_long_value(const char* name, std::uint32_t needed)
{
    std::string value;
    for (;;) {
        value.assign(needed, '\0');
        const std::uint32_t count = platform::get_environment_variable(name, &value[0], needed);
        if (count < needed) {
            value.resize(count);
            return value;
        }
        needed = count;
    }
}

struct block_release {
    void operator()(char* block) const { platform::free_environment_strings(block); }
};

} // namespace

tarnstr getenvvar(const tarnstr& name)
{
    const std::string& n = name.str();
    if (has_nul(n))
        return tarnstr();
    char buffer[value_buffer_size] = {};
    const std::uint32_t count =
        platform::get_environment_variable(n.c_str(), buffer, sizeof buffer);
    if (count < sizeof buffer)
        return tarnstr(std::string(buffer, count));
    return tarnstr(read_long_value(n.c_str(), count));
}

void putenvvar(const tarnstr& name, const tarnstr& value)
{
    if (has_nul(name.str()) || has_nul(value.str()))
        return;
    platform::set_environment_variable(name.str().c_str(), value.str().c_str());
}

tarnstr getenviron()
{
    // The block goes back to the host on every way out, also when building the text throws.
    std::unique_ptr<char, block_release> block(platform::get_environment_strings());
    if (!block)
        throw std::runtime_error("Invalid environment string!");

    // Entries end in NUL and the block in one more: the text is the block up to that last NUL with
    // every entry's NUL turned into a line feed.
    const char* const start = block.get();
    const char* end = start;
    while (*end != '\0')
        end += std::strlen(end) + 1;

    // The text is written straight into the string that the result holds (library storage, never
    // const), which saves a second copy of what may be megabytes.
    tarnstr result;
    std::string& text = const_cast<std::string&>(result.str());
    text.assign(start, end);
    block.reset();
    char* const last = &text[0] + text.size();
    for (char* nul = &text[0];
         (nul = static_cast<char*>(std::memchr(nul, '\0', static_cast<std::size_t>(last - nul))));)
        *nul++ = '\n';
    return result;
}

} // namespace tarn
