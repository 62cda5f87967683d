// The host's own answers: uname(2) and gethostname(2) on POSIX, the kernel's calls on Windows.
#include "host_facts.h"

#if defined(_WIN32)

#  include <windows.h>

host_facts read_host_facts()
{
    host_facts facts;
    facts.available = false;
    facts.why_not = "checked per Windows version by the Wine version test";
    return facts;
}

#else

#  include <sys/utsname.h>
#  include <unistd.h>

#  include <cstdlib>

host_facts read_host_facts()
{
    host_facts facts;
    utsname host;
    char name[1024] = {};
    if (uname(&host) != 0 || gethostname(name, sizeof name) != 0) {
        facts.available = false;
        facts.why_not = "uname or gethostname failed";
        return facts;
    }
    facts.os = host.sysname;
    facts.release = host.release;
    char* end = nullptr;
    const unsigned long major = std::strtoul(host.release, &end, 10);
    const unsigned long minor = *end == '.' ? std::strtoul(end + 1, nullptr, 10) : 0;
    facts.version = std::to_string(major) + "." + std::to_string(minor);
    facts.node_name = name;
    const std::string machine = host.machine;
    if (machine == "x86_64")
        facts.arch = "x86_64";
    else if (machine == "aarch64")
        facts.arch = "arm64";
    else
        facts.arch = "Unknown";
    return facts;
}

#endif
