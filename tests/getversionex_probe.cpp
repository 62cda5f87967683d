// Test helper for Windows: prints what GetVersionExA tells a program without a manifest.
#include <windows.h>

#include <cstdio>

int main()
{
    OSVERSIONINFOEXA info{};
    info.dwOSVersionInfoSize = sizeof info;
#if defined(__GNUC__)
#  pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
    if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info)))
        return 1;
    std::printf("%lu.%lu\n", info.dwMajorVersion, info.dwMinorVersion);
    return 0;
}
