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
// would otherwise set a different, cut-off variable, and on Windows a name or value longer than
// the 32766 UTF-16 units Windows keeps) is ignored and not reported. On POSIX throws nothing; on
// Windows throws std::bad_alloc when the name and value cannot be converted to UTF-16, and then
// sets nothing.
TARN_API void putenvvar(const tarnstr& name, const tarnstr& value);

// Whether the variable `name` is set, to the empty value too (since 1.1). False when it is not set
// and for a name that names no variable (a NUL byte, or "=" as for getenvvar). On POSIX throws
// nothing; on Windows throws std::bad_alloc when the name cannot be converted to UTF-16.
TARN_API bool hasenvvar(const tarnstr& name);

// Removes the variable `name` (since 1.1); nothing happens when it is not set. Silent like
// putenvvar: a name the host refuses, or one holding a NUL byte, removes nothing. On POSIX throws
// nothing; on Windows throws std::bad_alloc when the name cannot be converted to UTF-16, and then
// removes nothing.
TARN_API void unsetenvvar(const tarnstr& name);

// The whole environment: every entry in the host's order, as the host lists it ("name=value"),
// each followed by one line feed, the last one too. Nothing is sorted, filtered or escaped.
// Throws std::runtime_error("Invalid environment string!") when the host gives no environment,
// std::bad_alloc when storage runs out. A value that holds a line feed makes the text impossible
// to split reliably into entries; the C interface's tarn_getenviron ends each entry with a NUL.
//
// Threads: the environment functions may be called from any number of threads at once. On
// Windows the kernel guards the environment; on POSIX the library takes one lock of its own around
// every read, write, removal and listing, and a child forked while another thread holds it can
// still use them. What the library cannot guard, on POSIX: the C library's own getenv, called
// directly or inside the C library (mktime, localtime, setlocale, getaddrinfo, ...), in one thread
// while another changes the environment through putenvvar or unsetenvvar (or setenv, putenv,
// unsetenv) may crash, because a change can move the table that getenv reads. Set the environment
// before starting threads. The environment functions are not async-signal-safe: do not call them
// from a signal handler.
//
// On Windows the texts that come out are in the ANSI code page, and a character that the code
// page lacks reads as "?", never as a look-alike from the code page (a fullwidth quotation mark
// is not turned into '"'). Names and values going in are read in the ANSI code page.
TARN_API tarnstr getenviron();

} // namespace tarn

#endif
