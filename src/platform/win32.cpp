// The platform layer on Windows: the kernel's environment, version, processor and host-name calls,
// what the process may use, and the library's load entry. Only Windows code lives here.
//
// Texts come from the kernel's wide ("W") calls and are converted to the ANSI code page here,
// without the "best fit" that the ANSI ("A") calls apply: those turn a character that the code
// page lacks into a look-alike (a fullwidth quotation mark U+FF02 into '"', a division slash into
// '/', under code page 932 the yen sign into '\'), which hands a caller quoting and path syntax
// that was never in the text. Here such a character becomes the code page's default character,
// '?'; every character that the code page has comes out exactly as the A calls give it.
#include "platform.h"

#include <windows.h>
// GetProcessMemoryInfo as kernel32's K32GetProcessMemoryInfo (Windows 7 and later): no psapi.dll.
#define PSAPI_VERSION 2
#include <psapi.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <memory>
#include <type_traits>

namespace tarn::detail::platform {

namespace {

// The read buffer on the caller's stack: 32767 bytes, 16383 UTF-16 units and the NUL, so that a
// thread with a small stack can read; a longer value is read on the heap.
constexpr DWORD value_buffer_size = 16384;

// The longest name or value Windows keeps, in UTF-16 units.
constexpr std::size_t longest_variable = 32766;

// Writes the ANSI code page's text for `length` UTF-16 units at `wide` into the storage that
// `reserve` gives for its size in bytes. UTF-8 as the ANSI code page has nothing to fit and takes
// no flags.
template <class Reserve> void convert_ansi(const wchar_t* wide, std::size_t length, Reserve reserve)
{
    const DWORD flags = GetACP() == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const int units = static_cast<int>(length);
    const int bytes =
        length ? WideCharToMultiByte(CP_ACP, flags, wide, units, nullptr, 0, nullptr, nullptr) : 0;
    char* text = reserve(static_cast<std::size_t>(bytes > 0 ? bytes : 0));
    if (bytes > 0)
        WideCharToMultiByte(CP_ACP, flags, wide, units, text, bytes, nullptr, nullptr);
}

void append_ansi(const wchar_t* wide, std::size_t length, std::string& text)
{
    convert_ansi(wide, length, [&text](std::size_t bytes) {
        const std::size_t start = text.size();
        text.resize(start + bytes);
        return &text[start];
    });
}

void copy_ansi(const wchar_t* wide, std::size_t length, const value_sink* sink)
{
    if (sink)
        convert_ansi(wide, length,
                     [sink](std::size_t bytes) { return sink->reserve(sink->target, bytes); });
}

// A name or value going in, read in the ANSI code page as the A calls read it.
std::wstring to_wide(const char* text)
{
    const int units = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0); // its NUL included
    std::wstring wide(units > 1 ? static_cast<std::size_t>(units - 1) : 0, L'\0');
    if (units > 1)
        MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], units);
    return wide;
}

// GetEnvironmentVariableW answers 0 both for an unset variable and for an empty value; only the
// thread's last error tells them apart.
DWORD get_variable(const wchar_t* name, wchar_t* buffer, DWORD size)
{
    SetLastError(ERROR_SUCCESS);
    return GetEnvironmentVariableW(name, buffer, size);
}

// Not set, or not to be read: a read that fails for another reason gives no value either.
bool not_set(DWORD count) { return count == 0 && GetLastError() != ERROR_SUCCESS; }

// Windows keeps no name longer than 32766 units, and cuts a longer one given to a read or a removal
// to one that may be set: such a name names no variable.
bool names_nothing(const std::wstring& name) { return name.size() > longest_variable; }

struct block_release {
    void operator()(wchar_t* block) const { FreeEnvironmentStringsW(block); }
};

// A function of a system module that older Windows versions lack, looked up at run time.
template <class function> function find_function(const wchar_t* module, const char* name)
{
    HMODULE handle = GetModuleHandleW(module);
    FARPROC proc = handle ? GetProcAddress(handle, name) : nullptr;
    function found = nullptr;
    static_assert(sizeof found == sizeof proc, "function pointers differ in size");
    if (proc)
        std::memcpy(&found, &proc, sizeof found);
    return found;
}

// ntdll's own version query. GetVersionExA answers 6.2 to every program that carries no
// compatibility manifest on Windows 8.1 and later; RtlGetVersion reports the running OS.
using rtl_get_version_fn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
// Windows 10 1709 and later: the host's own machine, also to a program it emulates.
using is_wow64_process2_fn = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);

} // namespace

bool read_variable(const char* name, const value_sink* sink)
{
    const std::wstring wide_name = to_wide(name);
    if (names_nothing(wide_name))
        return false;
    // Most values fit the zero-filled stack buffer and cost one read.
    wchar_t buffer[value_buffer_size] = {};
    DWORD count = get_variable(wide_name.c_str(), buffer, value_buffer_size);
    if (count < value_buffer_size) {
        if (not_set(count))
            return false;
        copy_ansi(buffer, count, sink);
        return true;
    }
    // Longer: the kernel reported the size that fits it. Try repeatedly, because another thread
    // may lengthen the value between two reads.
    std::wstring long_value;
    for (DWORD size = count;; size = count) {
        long_value.assign(size, L'\0');
        count = get_variable(wide_name.c_str(), &long_value[0], size);
        if (count < size) {
            if (not_set(count))
                return false;
            copy_ansi(long_value.data(), count, sink);
            return true;
        }
    }
}

void write_variable(const char* name, const char* value)
{
    const std::wstring wide_name = to_wide(name), wide_value = to_wide(value);
    // Longer sets nothing: Wine would store the value cut short and report success.
    if (!names_nothing(wide_name) && wide_value.size() <= longest_variable)
        SetEnvironmentVariableW(wide_name.c_str(), wide_value.c_str());
}

void remove_variable(const char* name)
{
    const std::wstring wide_name = to_wide(name);
    if (!names_nothing(wide_name))
        SetEnvironmentVariableW(wide_name.c_str(), nullptr);
}

bool read_environment(std::string& text, char separator)
{
    // The block goes back to the kernel on every way out, also when building the text throws.
    const std::unique_ptr<wchar_t, block_release> block(GetEnvironmentStringsW());
    if (!block)
        return false;
    // Entries end in NUL and the block in one more: the entries are converted in one go, then
    // each entry's NUL becomes the separator (no code page has a NUL inside a character).
    const wchar_t* end = block.get();
    while (*end != L'\0')
        end += std::wcslen(end) + 1;
    const std::size_t start = text.size();
    append_ansi(block.get(), static_cast<std::size_t>(end - block.get()), text);
    std::replace(text.begin() + static_cast<std::ptrdiff_t>(start), text.end(), '\0', separator);
    return true;
}

void read_host(host_facts& facts)
{
    nt_kernel kernel;
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof version;
    const auto rtl_get_version = find_function<rtl_get_version_fn>(L"ntdll.dll", "RtlGetVersion");
    facts.version_known = rtl_get_version && rtl_get_version(&version) == 0;
    if (facts.version_known) {
        kernel.major = version.dwMajorVersion;
        kernel.minor = version.dwMinorVersion;
        kernel.build = version.dwBuildNumber;
        kernel.product_type = version.wProductType;
        append_ansi(version.szCSDVersion, std::wcslen(version.szCSDVersion), kernel.service_pack);
    }

    SYSTEM_INFO system;
    GetSystemInfo(&system);
    kernel.processor = system.wProcessorArchitecture;
    const auto is_wow64_process2 =
        find_function<is_wow64_process2_fn>(L"kernel32.dll", "IsWow64Process2");
    USHORT process = 0, native = 0;
    if (is_wow64_process2 && is_wow64_process2(GetCurrentProcess(), &process, &native)) {
        kernel.process_machine = process;
        kernel.native_machine = native;
    }
    facts.kernel = std::move(kernel);

    // A name that does not fit the buffer with its NUL fails the call.
    wchar_t name[1024];
    DWORD size = sizeof name / sizeof name[0];
    facts.host_known = GetComputerNameExW(ComputerNameDnsHostname, name, &size) != 0;
    if (facts.host_known)
        append_ansi(name, size, facts.host_name);
}

namespace {

// A text value of an open key, in the ANSI code page; empty when missing or of another type.
std::string registry_text(HKEY key, const wchar_t* name)
{
    std::string text;
    wchar_t buffer[256];
    DWORD size = sizeof buffer;
    if (RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ, nullptr, buffer, &size) == ERROR_SUCCESS)
        append_ansi(buffer, std::wcslen(buffer), text);
    return text;
}

struct key_close {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using key_handle = std::unique_ptr<std::remove_pointer_t<HKEY>, key_close>;

// A key of HKEY_LOCAL_MACHINE in the 64-bit view, also from a 32-bit process, whose own view is
// WOW6432Node: a stale copy of CurrentVersion, and no MachineGuid at all. Null when missing.
key_handle open_machine_key(const wchar_t* path)
{
    HKEY opened = nullptr;
    return key_handle(RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY,
                                    &opened) == ERROR_SUCCESS
                          ? opened
                          : nullptr);
}

} // namespace

bool read_host_id(host_id which, std::string& text, id_format& format)
{
    format = id_format::uuid;
    // Windows keeps the machine's, for its cryptography; no boot id.
    const key_handle key = which == host_id::machine
                               ? open_machine_key(L"SOFTWARE\\Microsoft\\Cryptography")
                               : nullptr;
    if (key)
        text = registry_text(key.get(), L"MachineGuid");
    return !text.empty();
}

void read_product(product_facts& facts)
{
    const key_handle key = open_machine_key(L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion");
    if (!key)
        return;
    nt_product& registry = facts.registry;
    registry.build = registry_text(key.get(), L"CurrentBuildNumber");
    registry.edition = registry_text(key.get(), L"EditionID");
    registry.display_version = registry_text(key.get(), L"DisplayVersion");
    registry.release_id = registry_text(key.get(), L"ReleaseId");
    DWORD ubr = 0, size = sizeof ubr;
    registry.has_ubr = RegGetValueW(key.get(), nullptr, L"UBR", RRF_RT_REG_DWORD, nullptr, &ubr,
                                    &size) == ERROR_SUCCESS;
    registry.ubr = ubr;
}

namespace {

// The memory limits of the job the process runs in (a failed query is no job): its limit flags,
// the per-process and the per-job limit.
void read_job_memory_limits(std::uint32_t& flags, std::uint64_t& process, std::uint64_t& job)
{
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    if (QueryInformationJobObject(nullptr, JobObjectExtendedLimitInformation, &limits,
                                  sizeof limits, nullptr)) {
        flags = limits.BasicLimitInformation.LimitFlags;
        process = limits.ProcessMemoryLimit;
        job = limits.JobMemoryLimit;
    }
}

} // namespace

void read_capacity(capacity_facts& facts)
{
    facts.machine_processors = GetActiveProcessorCount(ALL_PROCESSOR_GROUPS);
    // The processor groups the process spans: with too little room the query fails and says how
    // many it needs; it fails under Wine, which has one group. Then its mask in its group.
    USHORT groups[4];
    USHORT count = static_cast<USHORT>(std::size(groups));
    if (GetProcessGroupAffinity(GetCurrentProcess(), &count, groups) ||
        GetLastError() == ERROR_INSUFFICIENT_BUFFER)
        facts.processor_groups = count;
    DWORD_PTR process = 0, system = 0;
    if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system))
        facts.group_mask = process;

    MEMORYSTATUSEX memory{};
    memory.dwLength = sizeof memory;
    if (GlobalMemoryStatusEx(&memory))
        facts.machine_memory = memory.ullTotalPhys;

    // The job the process runs in, if any (a failed query is no job); its rate's union as the
    // kernel gives it, which the capacity rules take apart.
    JOBOBJECT_CPU_RATE_CONTROL_INFORMATION rate{};
    if (QueryInformationJobObject(nullptr, JobObjectCpuRateControlInformation, &rate, sizeof rate,
                                  nullptr)) {
        facts.job_cpu_flags = rate.ControlFlags;
        facts.job_cpu_rate = rate.CpuRate;
    }
    read_job_memory_limits(facts.job_limit_flags, facts.job_process_memory, facts.job_memory);
}

namespace {

// The ANSI code page's text for `length` UTF-16 units at `wide`, exactly: false when a character
// has no place in it (best fit would give a look-alike, the default character another name).
bool exact_ansi(const wchar_t* wide, std::size_t length, std::string& text)
{
    text.clear();
    if (!length)
        return true;
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    const int units = static_cast<int>(length);
    BOOL lossy = FALSE;
    const int bytes = WideCharToMultiByte(CP_ACP, flags, wide, units, nullptr, 0, nullptr,
                                          utf8 ? nullptr : &lossy);
    if (bytes <= 0 || lossy)
        return false;
    text.resize(static_cast<std::size_t>(bytes));
    WideCharToMultiByte(CP_ACP, flags, wide, units, &text[0], bytes, nullptr, nullptr);
    return true;
}

// A function of a system module loaded for the call, and the module let go after it.
class system_module {
public:
    explicit system_module(const wchar_t* name)
        : handle(LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32))
    {
    }
    ~system_module()
    {
        if (handle)
            FreeLibrary(handle);
    }
    system_module(const system_module&) = delete;
    system_module& operator=(const system_module&) = delete;

    template <class function> function find(const char* name) const
    {
        FARPROC proc = handle ? GetProcAddress(handle, name) : nullptr;
        function found = nullptr;
        if (proc)
            std::memcpy(&found, &proc, sizeof found);
        return found;
    }

private:
    HMODULE handle;
};

} // namespace

std::string directory_host::variable(const char* name) const
{
    const std::wstring wide_name = to_wide(name);
    std::string text;
    if (names_nothing(wide_name))
        return text;
    std::wstring value(MAX_PATH, L'\0');
    for (;;) {
        const DWORD count =
            get_variable(wide_name.c_str(), &value[0], static_cast<DWORD>(value.size()));
        if (count < value.size()) {
            if (!exact_ansi(value.data(), count, text))
                text.clear();
            return text;
        }
        value.assign(count, L'\0'); // too small: the size that fits it
    }
}

std::string directory_host::account_home() const { return {}; }

bool directory_host::private_directory(const std::string&) const { return false; }

bool directory_host::known_folder(folder which, std::string& path) const
{
    // shell32 is loaded only for this call: a program that never asks need not map it.
    static_assert(sizeof(GUID) == 16, "GUID");
    const GUID ids[] = {
        {0x5E6C858F, 0x0E22, 0x4760, {0x9A, 0xFE, 0xEA, 0x33, 0x17, 0xB6, 0x71, 0x73}}, // Profile
        {0x3EB685DB, 0x65F9, 0x4CF6, {0xA0, 0x3A, 0xE3, 0xEF, 0x65, 0x72, 0x9F, 0x3D}}, // Roaming
        {0xF1B32785, 0x6FBA, 0x4FCF, {0x9D, 0x55, 0x7B, 0x8E, 0x7F, 0x15, 0x70, 0x91}}, // Local
        {0xB4BFCC3A, 0xDB2C, 0x424C, {0xB0, 0x29, 0x7F, 0xE9, 0x9A, 0x87, 0xC6, 0x41}}, // Desktop
        {0xFDD39AD0, 0x238F, 0x46AF, {0xAD, 0xB4, 0x6C, 0x85, 0x48, 0x03, 0x69, 0xC7}}, // Documents
        {0x374DE290, 0x123F, 0x4565, {0x91, 0x64, 0x39, 0xC4, 0x92, 0x5E, 0x46, 0x7B}}, // Downloads
        {0x4BD8D571, 0x6D19, 0x48D3, {0xBE, 0x97, 0x42, 0x22, 0x20, 0x08, 0x0E, 0x43}}, // Music
        {0x33E28130, 0x4E1E, 0x4676, {0x83, 0x5A, 0x98, 0x39, 0x5C, 0x3B, 0xC3, 0xBB}}, // Pictures
        {0x18989B1D, 0x99B5, 0x455B, {0x84, 0x1C, 0xAB, 0x7C, 0x74, 0xE4, 0xDD, 0xFC}}, // Videos
        {0xA63293E8, 0x664E, 0x48DB, {0xA0, 0x79, 0xDF, 0x75, 0x9E, 0x05, 0x09, 0xF7}}, // Templates
        {0xDFDF76A2, 0xC82A, 0x4D63, {0x90, 0x6A, 0x56, 0x44, 0xAC, 0x45, 0x73, 0x85}}, // Public
    };
    constexpr DWORD dont_verify = 0x00004000; // KF_FLAG_DONT_VERIFY
    using get_known_folder_fn = HRESULT(WINAPI*)(const GUID&, DWORD, HANDLE, wchar_t**);
    using free_fn = void(WINAPI*)(void*);
    path.clear();
    const system_module shell32(L"shell32.dll"), ole32(L"ole32.dll");
    const auto get = shell32.find<get_known_folder_fn>("SHGetKnownFolderPath");
    const auto release = ole32.find<free_fn>("CoTaskMemFree");
    wchar_t* wide = nullptr;
    if (!get || !release ||
        get(ids[static_cast<int>(which)], dont_verify, nullptr, &wide) != S_OK) {
        if (release)
            release(wide);
        return false;
    }
    // The path goes back to the shell's allocator on every way out.
    const std::unique_ptr<wchar_t, free_fn> held(wide, release);
    if (!exact_ansi(wide, std::wcslen(wide), path))
        path.clear();
    return true;
}

std::string directory_host::temp_path() const
{
    // GetTempPath2W (Windows 11, Server 2022, later updates of 10) gives a SYSTEM process the
    // system's own folder; both read TMP, then TEMP, then the profile.
    using get_temp_path_fn = DWORD(WINAPI*)(DWORD, wchar_t*);
    auto get = find_function<get_temp_path_fn>(L"kernel32.dll", "GetTempPath2W");
    if (!get)
        get = GetTempPathW;
    wchar_t wide[MAX_PATH + 2];
    const DWORD count = get(MAX_PATH + 2, wide);
    std::string path;
    if (count == 0 || count > MAX_PATH + 1 || !exact_ansi(wide, count, path))
        path.clear();
    return path;
}

std::string directory_host::user_dirs(const std::string&) const { return {}; }

namespace {

// The path of a module of the process, however long. GetModuleFileNameW cuts a path that does not
// fit and returns the buffer's size (XP then writes no NUL and sets no error): the buffer grows
// while the answer fills it, up to the longest path Windows has.
std::string module_file(HMODULE module)
{
    std::wstring wide(MAX_PATH, L'\0');
    for (;;) {
        const DWORD units = GetModuleFileNameW(module, &wide[0], static_cast<DWORD>(wide.size()));
        std::string path;
        if (units > 0 && units < wide.size())
            return exact_ansi(wide.data(), units, path) ? path : std::string();
        if (units == 0 || wide.size() > 32767)
            return path;
        wide.resize(wide.size() * 2);
    }
}

} // namespace

std::string executable_file() { return module_file(nullptr); }

std::string library_file()
{
    // The module that holds this function: the DLL, or the program it is linked into.
    HMODULE module = nullptr;
    return GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                  GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCWSTR>(&library_file), &module)
               ? module_file(module)
               : std::string();
}

void read_memory(memory_facts& facts)
{
    MEMORYSTATUSEX memory{};
    memory.dwLength = sizeof memory;
    if (GlobalMemoryStatusEx(&memory)) {
        facts.machine_memory = memory.ullTotalPhys;
        facts.machine_available = memory.ullAvailPhys;
    }
    // The job's limits bind what the process commits. No documented query gives what the whole
    // job has committed, so its limit is set against the process's own commit too.
    read_job_memory_limits(facts.job_limit_flags, facts.job_process_memory, facts.job_memory);
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(GetCurrentProcess(),
                             reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                             sizeof counters))
        facts.process_commit = counters.PrivateUsage;
}

} // namespace tarn::detail::platform

// The load entry: nothing of the library's own is set up or torn down, so every notification
// (process and thread, attach and detach) succeeds.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
