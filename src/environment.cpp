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

} // namespace

bool read_variable(const char* name, const platform::value_sink* sink)
{
    return platform::read_variable(name, sink);
}

bool read_variable(std::string_view name, const platform::value_sink* sink)
{
    return !holds_nul(name) && platform::read_variable(name.data(), sink);
}

void write_variable(std::string_view name, std::string_view value)
{
    if (!holds_nul(name) && !holds_nul(value))
        platform::write_variable(name.data(), value.data());
}

void remove_variable(std::string_view name)
{
    if (!holds_nul(name))
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
