// The platform layer on Windows: the kernel's environment, version, processor and host-name calls,
// and the library's load entry.
#include "platform.h"

#include <windows.h>

#include <cstring>

namespace tarn::detail::platform {

std::uint32_t get_environment_variable(const char* name, char* buffer, std::uint32_t size)
{
    return GetEnvironmentVariableA(name, buffer, size);
}

bool set_environment_variable(const char* name, const char* value)
{
    return SetEnvironmentVariableA(name, value) != 0;
}

char* get_environment_strings() { return GetEnvironmentStrings(); }

void free_environment_strings(char* block) { FreeEnvironmentStringsA(block); }

namespace {

// ntdll's own version query. GetVersionExA answers 6.2 to every program that carries no
// compatibility manifest on Windows 8.1 and later; RtlGetVersion reports the running OS.
using rtl_get_version_fn = LONG(WINAPI*)(OSVERSIONINFOEXW*);

rtl_get_version_fn find_rtl_get_version()
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (!ntdll)
        return nullptr;
    FARPROC proc = GetProcAddress(ntdll, "RtlGetVersion");
    rtl_get_version_fn fn;
    static_assert(sizeof fn == sizeof proc, "function pointers differ in size");
    std::memcpy(&fn, &proc, sizeof fn);
    return fn;
}

} // namespace

bool get_version(os_version& version)
{
    const rtl_get_version_fn rtl_get_version = find_rtl_get_version();
    if (!rtl_get_version)
        return false;
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (rtl_get_version(&info) != 0)
        return false;
    version.major = info.dwMajorVersion;
    version.minor = info.dwMinorVersion;
    version.build = info.dwBuildNumber;
    version.workstation = info.wProductType == VER_NT_WORKSTATION;
    // The service-pack text comes in UTF-16; it is plain ASCII ("Service Pack 3") in practice,
    // and the host's ANSI code page is what the rest of the library speaks.
    const int written = WideCharToMultiByte(CP_ACP, 0, info.szCSDVersion, -1, version.service_pack,
                                            sizeof version.service_pack, nullptr, nullptr);
    if (written == 0)
        version.service_pack[0] = '\0';
    return true;
}

std::uint16_t get_processor_architecture()
{
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.wProcessorArchitecture;
}

bool get_host_name(char* buffer, std::uint32_t& size)
{
    DWORD length = size;
    if (!GetComputerNameExA(ComputerNameDnsHostname, buffer, &length))
        return false;
    size = length;
    return true;
}

} // namespace tarn::detail::platform

// The load entry: nothing of the library's own is set up or torn down, so every notification
// (process and thread, attach and detach) succeeds.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
