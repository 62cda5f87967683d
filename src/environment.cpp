// The process environment: read one variable, ask whether one is set, set or remove one, list them
// all.
#include "tarn/environment.h"

#include <stdexcept>
#include <string>

#include "core.h"
#include "tarnstr_access.h"

namespace tarn {

namespace detail {

namespace {

bool holds_nul(std::string_view text) { return text.find('\0') != std::string_view::npos; }

// A NUL byte would cut the name short on its way to the host, and an "=" after the first byte
// would be split off by the host as the start of the value. A leading "=" is the host's own
// affair: Windows keeps such names ("=C:" holds cmd.exe's current directory of drive C:), POSIX
// refuses them.
bool names_variable(std::string_view name)
{
    return !holds_nul(name) && name.find('=', 1) == std::string_view::npos;
}

} // namespace

bool read_variable(std::string_view name, const platform::value_sink* sink)
{
    return names_variable(name) && platform::read_variable(name.data(), sink);
}

void write_variable(std::string_view name, std::string_view value)
{
    if (names_variable(name) && !holds_nul(value))
        platform::write_variable(name.data(), value.data());
}

void remove_variable(std::string_view name)
{
    if (names_variable(name))
        platform::remove_variable(name.data());
}

failure read_environment(std::string& text, char separator)
{
    return platform::read_environment(text, separator) ? failure::none : failure::no_environment;
}

} // namespace detail

namespace {

// Reads a value straight into the text a tarnstr holds.
char* reserve_in_string(void* target, std::size_t size)
{
    auto& text = *static_cast<std::string*>(target);
    text.resize(size);
    return text.data();
}

} // namespace

tarnstr getenvvar(const tarnstr& name)
{
    tarnstr value;
    const detail::platform::value_sink sink{reserve_in_string,
                                            &detail::tarnstr_access::text(value)};
    detail::read_variable(name.str(), &sink);
    return value;
}

void putenvvar(const tarnstr& name, const tarnstr& value)
{
    detail::write_variable(name.str(), value.str());
}

bool hasenvvar(const tarnstr& name) { return detail::read_variable(name.str(), nullptr); }

void unsetenvvar(const tarnstr& name) { detail::remove_variable(name.str()); }

tarnstr getenviron()
{
    tarnstr text;
    const detail::failure failed =
        detail::read_environment(detail::tarnstr_access::text(text), '\n');
    if (failed != detail::failure::none)
        throw std::runtime_error(detail::message(failed));
    return text;
}

} // namespace tarn
