// tarn::system_info: a description of the running host and of the library's own build.
#ifndef TARN_SYSTEM_INFO_H
#define TARN_SYSTEM_INFO_H

#include <string>

#include "tarn/allocator.h"
#include "tarn/export.h"

namespace tarn {

struct system_info_data;

// Asks the host once, at construction, for the five host texts (on POSIX one uname), and keeps
// what it said: those describe the host as it was when the object was made. pretty_name() alone
// asks the host again on every call. Every text comes back in a safe_return, a separate copy per
// call, released by library code.
//
// Failures: the constructor throws std::runtime_error("failed to init version info") when the OS
// version cannot be had, std::runtime_error("failed to get host name") when the host name cannot
// be had or does not fit 1024 bytes, std::bad_alloc when storage runs out; it leaves nothing
// allocated. The getters throw only std::bad_alloc.
//
// Threads: the getters only read, so several threads may use one object at once. A copy is a
// separate object with its own texts.
class TARN_API system_info {
public:
    system_info();
    system_info(const system_info& other);
    system_info& operator=(const system_info& other);
    ~system_info();

    // The host, as it was at construction.
    safe_return<std::string> os() const;        // "Microsoft Windows 11", "Linux", ...
    safe_return<std::string> arch() const;      // "x86_64", "x86_32", "arm64", "ia64", ...
    safe_return<std::string> version() const;   // major "." minor: "10.0", "6.1"
    safe_return<std::string> release() const;   // service pack, or the kernel release on POSIX
    safe_return<std::string> node_name() const; // the host's DNS host name

    // The name a person would recognise, for an About box or a bug report (since 1.1), read from
    // the host on every call, never at construction, so a program that never asks pays nothing.
    // On Windows as Settings shows it: the family from the kernel (servers named by year), then,
    // from the registry when it speaks of the running build, the edition, the release and the
    // update revision: "Microsoft Windows 11 Pro 23H2 (build 22631.4460)". On POSIX the
    // PRETTY_NAME of /etc/os-release (or of /usr/lib/os-release when the first cannot be read;
    // only a regular file, at most its first 64 KiB), else the kernel's name and release. Throws
    // std::bad_alloc only.
    safe_return<std::string> pretty_name() const;

    // What programs compare (since 1.3), read from the host on every call like pretty_name():
    // the product's id ("debian", "ubuntu", "windows"), its version ("12", "22.04"; on Windows
    // "11", "10", "8.1", "7", "xp", "server2022", "server2012r2", and "server" for a server
    // release not named by year) and what it is like (os-release's ID_LIKE: "debian",
    // "rhel fedora"; "" on Windows). On POSIX from the same os-release file as pretty_name(),
    // never from two: a value holding anything but 0-9, a-z, ".", "_" and "-" (and spaces
    // between ID_LIKE's words) is "", a file that sets no ID is "linux", and a rolling release
    // without VERSION_ID has version "". With no os-release file, all three are "". Throws
    // std::bad_alloc only.
    safe_return<std::string> product_id() const;
    safe_return<std::string> product_version() const;
    safe_return<std::string> product_like() const;

    // The library's own build.
    safe_return<std::string> build_os() const;   // "winnt", "linux", ...
    safe_return<std::string> build_arch() const; // "x86_64", "arm64", ...
    safe_return<std::string> build_time() const; // "hh:mm:ss"
    safe_return<std::string> build_date() const; // "Mmm dd yyyy", the day padded with a space

private:
    system_info_data* impl;
};

} // namespace tarn

#endif
