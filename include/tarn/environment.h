// The calling process's environment: read, test, set and remove one variable, or take all of it as
// one text.
#ifndef TARN_ENVIRONMENT_H
#define TARN_ENVIRONMENT_H

#include "tarn/export.h"
#include "tarn/tarnstr.h"

namespace tarn {

// Names. A name holding a NUL byte, or "=" after its first byte, names no variable on any host:
// it reads as not set, and setting or removing it changes nothing (the host would cut the name at
// the NUL, or take what follows the "=" for the value). A name that begins with "=" is the host's
// affair: Windows keeps such variables ("=C:" holds cmd.exe's current directory of drive C:) and
// they are read, set, listed and removed like any other; on POSIX such a name names no variable.
// On Windows a name longer than 32766 UTF-16 units names no variable either (the host would cut
// it to one that may be set), and a read that the host fails for any reason but an empty value
// reads as not set.

// The value of the variable `name`, whole, however long; the empty text when it is not set (an
// unset variable and one set to the empty value read the same) or when `name` names no variable.
// Throws std::bad_alloc only.
TARN_API tarnstr getenvvar(const tarnstr& name);

// Sets the variable `name` to `value` (the empty value sets, it does not remove). What the host
// refuses (an empty name, a name that names no variable, a NUL byte in the value, which would
// otherwise set a cut-off value, and on Windows a name or value longer than the 32766 UTF-16 units
// Windows keeps) is ignored and not reported. On POSIX throws nothing; on Windows throws
// std::bad_alloc when the name and value cannot be converted to UTF-16, and then sets nothing.
TARN_API void putenvvar(const tarnstr& name, const tarnstr& value);

// Whether the variable `name` is set, to the empty value too (since 1.1). False when it is not set
// and for a name that names no variable. On POSIX throws nothing; on Windows throws std::bad_alloc
// when the name cannot be converted to UTF-16.
TARN_API bool hasenvvar(const tarnstr& name);

// Removes the variable `name` (since 1.1); nothing happens when it is not set. Silent like
// putenvvar: a name the host refuses, or one that names no variable, removes nothing. On POSIX
// throws nothing; on Windows throws std::bad_alloc when the name cannot be converted to UTF-16, and
// then removes nothing.
TARN_API void unsetenvvar(const tarnstr& name);

// The whole environment: every entry in the host's order, as the host lists it ("name=value"),
// each followed by one line feed, the last one too. Nothing is sorted or escaped; an empty entry
// (a program started with one by execve) is no variable and is left out.
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
