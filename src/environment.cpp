// The process environment: read one variable, ask whether one is set, set or remove one, list them
// all.
#include "tarn/environment.h"

#include <stdexcept>
#include <string>

#include "platform/platform.h"
#include "tarnstr_access.h"

namespace tarn {

namespace {

namespace platform = detail::platform;
using detail::tarnstr_access;

// The host takes names and values as NUL-terminated strings; one that holds a NUL would reach it
// cut short, naming a different variable or setting a different value.
bool has_nul(const tarnstr& s) { return s.str().find('\0') != std::string::npos; }

} // namespace

tarnstr getenvvar(const tarnstr& name)
{
    tarnstr value;
    if (!has_nul(name))
        platform::read_variable(name.str().c_str(), &tarnstr_access::text(value));
    return value;
}

void putenvvar(const tarnstr& name, const tarnstr& value)
{
    if (!has_nul(name) && !has_nul(value))
        platform::write_variable(name.str().c_str(), value.str().c_str());
}

bool hasenvvar(const tarnstr& name)
{
    return !has_nul(name) && platform::read_variable(name.str().c_str(), nullptr);
}

void unsetenvvar(const tarnstr& name)
{
    if (!has_nul(name))
        platform::remove_variable(name.str().c_str());
}

tarnstr getenviron()
{
    tarnstr text;
    if (!platform::read_environment(tarnstr_access::text(text)))
        throw std::runtime_error("Invalid environment string!");
    return text;
}

} // namespace tarn
