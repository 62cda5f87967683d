// Where a program keeps its files (since 1.4), where the user keeps theirs, and where the
// program and this library are (since 1.5), each by one rule per host.
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
// Since 1.5, the user's own folders, where a program offers to open or save the user's files:
// - desktop, documents, downloads, music, pictures, videos;
// - templates: files that a "New" menu copies;
// - publicshare: files shared with others (on Windows the Public folder, shared by every user of
//   the machine; on POSIX the user's own).
// clang-format off
enum class directory {
    home, config, data, cache, state, runtime, temp,                              // since 1.4
    desktop, documents, downloads, music, pictures, videos, templates, publicshare // since 1.5
};
// clang-format on

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
// The user's folders: on POSIX those that xdg-user-dirs keeps in user-dirs.dirs in the config
// folder (so XDG_CONFIG_HOME moves it), XDG_DOCUMENTS_DIR="$HOME/Documents" and the like: a
// value is "$HOME/..." or an absolute path in double quotes, with backslash escapes; any other
// form is ignored, the last line of a key wins, and a value that names home itself (the tool
// writes "$HOME/" for a folder the user removed) is none. No file, no line, no home: none, never
// a guess. On Windows the Known Folders (Desktop, Documents, Downloads, Music, Pictures, Videos,
// Templates, Public) as the profile names them, redirection included; none when that call fails.
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

// The running program's file, to find what it ships beside it (since 1.5): an absolute path, or
// the empty text when the host cannot say which file it is. On Linux /proc/self/exe's link, only
// while it still names the file that runs (a program deleted or replaced since it started, or
// one whose root has changed, has none); under qemu-user the path the emulator was given,
// resolved at each call. On Windows GetModuleFileNameW's path, however long, in the ANSI code
// page (none when the code page cannot hold it), a "\\?\" prefix kept as it is.
// Throws std::bad_alloc when storage runs out. Safe from any thread; nothing is kept.
TARN_API tarnstr getexecutablepath();

// This library's own file (since 1.5), by the same rules: the file of the process's memory map
// that holds the library's code (Linux's /proc/self/maps; the loader's name where /proc cannot be
// read, only when it is absolute), the executable's when the library is linked into it. A
// relative name the library was loaded by (LD_LIBRARY_PATH=., dlopen("lib/libtarn.so.1")) is
// never answered as it stands.
TARN_API tarnstr getlibrarypath();

} // namespace tarn

#endif
