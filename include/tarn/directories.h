// Where a program keeps its files: the user's home, settings, data, cache, state, runtime and
// temporary folders, by one rule per host (since 1.4).
#ifndef TARN_DIRECTORIES_H
#define TARN_DIRECTORIES_H

#include "tarn/export.h"
#include "tarn/tarnstr.h"

namespace tarn {

// What each folder is for:
// - home: the user's home folder.
// - config: settings the user edits.
// - data: what the program makes and cannot make again (documents of its own, a database).
// - cache: what it can make again, and may lose at any time.
// - state: what should outlive a restart but is neither settings nor data (logs, history).
// - runtime: sockets, locks and other files that live as long as the user's session (POSIX).
// - temp: scratch files.
enum class directory { home, config, data, cache, state, runtime, temp };

// The folder `which`, or the empty text when the host has none. Nothing is created, and only
// `runtime` is checked on disk; a trailing separator is taken off but on a root ("/", "C:\").
//
// POSIX: home is HOME when absolute, else the password database's home of the real user; config,
// data, cache and state are XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_CACHE_HOME and XDG_STATE_HOME
// when absolute (a relative or empty one is ignored), else home's .config, .local/share, .cache
// and .local/state; runtime is XDG_RUNTIME_DIR only when it is a directory of the effective user
// that grants nothing to group or others (never a shared folder in its place); temp is TMPDIR
// when absolute, else /tmp.
//
// Windows: the user's Known Folders (the profile for home, roaming AppData for config and data,
// local AppData for cache and state), as the profile names them, redirection included; where
// that call fails, USERPROFILE, APPDATA and LOCALAPPDATA when absolute; no runtime; temp as
// GetTempPath2W (GetTempPathW before it) gives it. HOME, XDG_* and TMPDIR are never read there.
// Texts are in the ANSI code page: a path holding a character that the code page lacks is none,
// since it would name no folder, or another one (run with the UTF-8 code page to have every path).
//
// The environment is read under the library's lock; nothing is kept (a program may change HOME).
// Throws std::invalid_argument for a value outside the enumeration, std::bad_alloc when storage
// runs out. Safe from any thread.
TARN_API tarnstr getdirectory(directory which);

} // namespace tarn

#endif
