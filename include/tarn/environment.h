// The calling process's environment: read, test, set and remove one variable, or take all of it as
// one text.
#ifndef TARN_ENVIRONMENT_H
#define TARN_ENVIRONMENT_H

#include "tarn/export.h"
#include "tarn/tarnstr.h"

namespace tarn {

// The value of the variable `name`, whole, however long; the empty text when it is not set (an
// unset variable and one set to the empty value read the same). A name holding a NUL byte or "="
// names no variable and reads as empty (on Windows the kernel's own names that begin with "=",
// such as "=C:", are read as it lists them). Throws std::bad_alloc only.
TARN_API tarnstr getenvvar(const tarnstr& name);

// Sets the variable `name` to `value` (the empty value sets, it does not remove). What the host
// refuses (an empty name, a name with "=" on POSIX, a NUL byte in the name or the value, which
// would otherwise set a different, cut-off variable) is ignored and not reported. Throws nothing
// of its own.
TARN_API void putenvvar(const tarnstr& name, const tarnstr& value);

// Whether the variable `name` is set, to the empty value too (since 1.1). False when it is not set
// and for a name that names no variable (a NUL byte, or "=" as for getenvvar). Throws
// std::bad_alloc only (on Windows the name is converted to UTF-16 on the way).
TARN_API bool hasenvvar(const tarnstr& name);

// Removes the variable `name` (since 1.1); nothing happens when it is not set. Silent like
// putenvvar: a name the host refuses, or one holding a NUL byte, removes nothing.
TARN_API void unsetenvvar(const tarnstr& name);

// The whole environment: every entry in the host's order, as the host lists it ("name=value"),
// each followed by one line feed, the last one too. Nothing is sorted, filtered or escaped.
// Throws std::runtime_error("Invalid environment string!") when the host gives no environment,
// std::bad_alloc when storage runs out.
//
// Threads: the environment functions may be called from any number of threads at once. On
// Windows the kernel guards the environment; on POSIX the library takes one lock of its own around
// every read, write, removal and listing, which code that calls setenv, putenv or unsetenv itself
// does not take.
//
// On Windows the texts that come out are in the ANSI code page, and a character that the code
// page lacks reads as "?", never as a look-alike from the code page (a fullwidth quotation mark
// is not turned into '"'). Names and values going in are read in the ANSI code page.
TARN_API tarnstr getenviron();

} // namespace tarn

#endif
