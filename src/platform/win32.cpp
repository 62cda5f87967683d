// The platform layer on Windows: the kernel's environment, version, processor and host-name calls,
// and the library's load entry. Only Windows code lives here.
#include "platform.h"

#include <windows.h>

#include <cstring>
#include <memory>

namespace tarn::detail::platform {

namespace {

// The most a variable holds, its NUL included.
constexpr DWORD value_buffer_size = 32767;

// GetEnvironmentVariableA answers 0 both for an unset variable and for an empty value; only the
// thread's last error tells them apart.
bool not_set(DWORD count) { return count == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND; }

DWORD get_variable(const char* name, char* buffer, DWORD size)
{
    SetLastError(ERROR_SUCCESS);
    return GetEnvironmentVariableA(name, buffer, size);
}

struct block_release {
    void operator()(char* block) const { FreeEnvironmentStringsA(block); }
};

// ntdll's own version query. GetVersionExA answers 6.2 to every program that carries no
// compatibility manifest on Windows 8.1 and later; RtlGetVersion reports the running OS.
using rtl_get_version_fn = LONG(WINAPI*)(OSVERSIONINFOEXW*);

bool get_version(OSVERSIONINFOEXW& info)
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    FARPROC proc = ntdll ? GetProcAddress(ntdll, "RtlGetVersion") : nullptr;
    if (!proc)
        return false;
    rtl_get_version_fn rtl_get_version;
    static_assert(sizeof rtl_get_version == sizeof proc, "function pointers differ in size");
    std::memcpy(&rtl_get_version, &proc, sizeof proc);
    info.dwOSVersionInfoSize = sizeof info;
    return rtl_get_version(&info) == 0;
}

} // namespace

bool read_variable(const char* name, std::string& value)
{
    // Most values fit the zero-filled stack buffer and cost one read.
    char buffer[value_buffer_size] = {};
    DWORD count = get_variable(name, buffer, value_buffer_size);
    if (count < value_buffer_size) {
        if (not_set(count))
            return false;
        value.assign(buffer, count);
        return true;
    }
    // Longer (a value in a multi-byte code page): the kernel reported the size that fits it. Try
    // repeatedly, because another thread may lengthen the value between two reads.
    for (DWORD size = count;; size = count) {
        value.assign(size, '\0');
        count = get_variable(name, &value[0], size);
        if (count < size) {
            value.resize(count);
            return !not_set(count);
        }
    }
}

void write_variable(const char* name, const char* value) { SetEnvironmentVariableA(name, value); }

bool read_environment(std::string& text)
{
    // The block goes back to the kernel on every way out, also when appending to the text throws.
    const std::unique_ptr<char, block_release> block(GetEnvironmentStrings());
    if (!block)
        return false;
    for (const char* entry = block.get(); *entry != '\0'; entry += std::strlen(entry) + 1) {
        text += entry;
        text += '\n';
    }
    return true;
}

void read_host(host_facts& facts)
{
    nt_kernel kernel;
    OSVERSIONINFOEXW version{};
    facts.version_known = get_version(version);
    if (facts.version_known) {
        kernel.major = version.dwMajorVersion;
        kernel.minor = version.dwMinorVersion;
        kernel.build = version.dwBuildNumber;
        kernel.workstation = version.wProductType == VER_NT_WORKSTATION;
        // The service-pack text comes in UTF-16; the library speaks the ANSI code page.
        char service_pack[2 * sizeof version.szCSDVersion];
        if (WideCharToMultiByte(CP_ACP, 0, version.szCSDVersion, -1, service_pack,
                                sizeof service_pack, nullptr, nullptr) > 0)
            kernel.service_pack = service_pack;
    }

    SYSTEM_INFO system;
    GetSystemInfo(&system);
    kernel.processor = system.wProcessorArchitecture;
    facts.kernel = std::move(kernel);

    // A name that does not fit the buffer with its NUL fails the call.
    char name[1024];
    DWORD size = sizeof name;
    facts.host_known = GetComputerNameExA(ComputerNameDnsHostname, name, &size) != 0;
    if (facts.host_known)
        facts.host_name.assign(name, size);
}

} // namespace tarn::detail::platform

// The load entry: nothing of the library's own is set up or torn down, so every notification
// (process and thread, attach and detach) succeeds.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
