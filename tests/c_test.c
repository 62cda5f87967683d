// Every function of the C interface, and every status, from C. It needs nothing but the library
// (and kernel32 when built as a freestanding Windows program, TARN_TEST_FREESTANDING), so the same
// file runs from gcc, clang, mingw and an MSVC-ABI build. With TARN_TEST_SCRIPTED it is linked
// with the scripted host, whose failures no real machine gives. Exit status: failed checks.
#include "tarn/c.h"

#if defined(TARN_TEST_FREESTANDING)
__declspec(dllimport) void* __stdcall GetStdHandle(unsigned long handle);
__declspec(dllimport) int __stdcall WriteFile(void* file, const void* data, unsigned long size,
                                              unsigned long* written, void* overlapped);
__declspec(dllimport) void __stdcall ExitProcess(unsigned code);
#else
#  include <stdio.h>
#endif
#if defined(TARN_TEST_SCRIPTED)
void tarn_test_script(int status); // the scripted host fails as `status` says; 0 undoes it
#endif

static size_t length(const char* s)
{
    size_t n = 0;
    while (s[n])
        ++n;
    return n;
}

static int same(const char* a, const char* b)
{
    while (a && b && *a && *a == *b)
        ++a, ++b;
    return a && b ? *a == *b : a == b;
}

static void print(const char* text)
{
#if defined(TARN_TEST_FREESTANDING)
    unsigned long written;
    WriteFile(GetStdHandle((unsigned long)-11), text, (unsigned long)length(text), &written, 0);
#else
    fputs(text, stdout);
#endif
}

static int failures;
static void check(int ok, const char* what)
{
    if (!ok)
        print("FAIL "), print(what), print("\n"), ++failures;
}

// The value of `name` as tarn_getenvvar gives it is `expected` (null: unset), with its length.
static int reads(const char* name, const char* expected)
{
    char* value = (char*)1;
    size_t size = 99;
    const int ok = tarn_getenvvar(name, &value, &size) == TARN_OK && same(value, expected) &&
                   size == (value ? length(value) : 0);
    tarn_free(value);
    return ok;
}

// The NUL-separated listing holds `entry` as one whole entry, and a NUL after the last.
static int listed(const char* entry)
{
    char* text;
    size_t size, at;
    int found = 0;
    if (tarn_getenviron(&text, &size) != TARN_OK)
        return 0;
    for (at = 0; at < size; at += length(text + at) + 1)
        found |= same(text + at, entry);
    found &= text[size] == '\0';
    tarn_free(text);
    return found;
}

static int is_set(const char* name)
{
    int set = -1;
    return tarn_hasenvvar(name, &set) == TARN_OK ? set : -1;
}

static void environment(void)
{
    check(tarn_putenvvar("TARN_C", "value") == TARN_OK && reads("TARN_C", "value"), "put, get");
    check(tarn_putenvvar("TARN_C", "") == TARN_OK && reads("TARN_C", "") && is_set("TARN_C") == 1,
          "set empty reads empty and is set");
    check(tarn_unsetenvvar("TARN_C") == TARN_OK && reads("TARN_C", 0) && is_set("TARN_C") == 0,
          "unset reads as unset");
    check(tarn_putenvvar("TARN_C", "B=C") == TARN_OK && reads("TARN_C=B", 0), "= names nothing");
    check(tarn_putenvvar("", "x") == TARN_OK, "the host's refusal is no error");
    // A line feed in a value cannot pass for the start of another entry.
    tarn_putenvvar("TARN_LF", "1\nPATH=/evil");
    check(listed("TARN_LF=1\nPATH=/evil") && !listed("PATH=/evil"), "listing splits at NULs");
}

static void host(void)
{
    tarn_system_info* info = 0;
    char* text;
    size_t size;
    int field;
    check(tarn_system_info_create(&info) == TARN_OK && info, "create");
    for (field = TARN_FIELD_OS; field <= TARN_FIELD_BUILD_DATE; ++field) {
        check(tarn_system_info_get(info, field, &text, &size) == TARN_OK && text &&
                  size == length(text) && (size > 0 || field == TARN_FIELD_RELEASE),
              "every field");
        check(field != TARN_FIELD_BUILD_OS || same(text, tarn_getosname()), "build os");
        tarn_free(text);
    }
    check(tarn_system_info_get(info, TARN_FIELD_BUILD_DATE + 1, &text, &size) ==
                  TARN_ERROR_INVALID_ARGUMENT && !text && !size,
          "unknown field");
    tarn_system_info_destroy(info);
}

// Null where a pointer is needed, and an unknown field: refused, outputs cleared, never a crash.
static void arguments(void)
{
    char* text = (char*)1;
    size_t size = 1, i;
    int set = 1;
    const tarn_status refused[] = {
        tarn_getenvvar(0, &text, &size), tarn_getenvvar("PATH", 0, 0), tarn_hasenvvar(0, &set),
        tarn_hasenvvar("PATH", 0),       tarn_putenvvar(0, "v"),       tarn_putenvvar("X", 0),
        tarn_unsetenvvar(0),             tarn_getenviron(0, &size),    tarn_system_info_create(0),
        tarn_system_info_get(0, 0, &text, 0), tarn_system_info_get(0, -1, &text, 0)};
    for (i = 0; i < sizeof refused / sizeof refused[0]; ++i)
        check(refused[i] == TARN_ERROR_INVALID_ARGUMENT, "null argument refused");
    check(!text && !size && !set, "outputs cleared");
    tarn_free(0);
    tarn_system_info_destroy(0);
}

static void identity(void)
{
    const char *name = tarn_getosname(), *id = tarn_getosid();
    size_t n = length(name);
    check(tarn_version() == TARN_VERSION_NUMBER, "version");
    check(TARN_OK == 0 && TARN_ERROR_NO_MEMORY == 1 && TARN_ERROR_INVALID_ARGUMENT == 2 &&
              TARN_ERROR_NO_ENVIRONMENT == 3 && TARN_ERROR_OS_VERSION == 4 &&
              TARN_ERROR_HOST_NAME == 5 && TARN_FIELD_PRETTY_NAME == 5 && TARN_FIELD_BUILD_DATE == 9,
          "numbers that callers compiled in");
    check(n > 0 && id[n] == '-' && id[n + 1] != '\0', "id is the name, a hyphen, a processor");
    while (n--)
        check(id[n] == name[n], "id begins with the name");
    check(same(tarn_status_message(TARN_ERROR_NO_ENVIRONMENT), "Invalid environment string!") &&
              same(tarn_status_message(TARN_ERROR_OS_VERSION), "failed to init version info") &&
              same(tarn_status_message(TARN_ERROR_HOST_NAME), "failed to get host name") &&
              tarn_status_message(TARN_OK) && tarn_status_message(-1),
          "status messages");
}

#if defined(TARN_TEST_SCRIPTED)
// The failures of the host, and of storage, as statuses that leave nothing to release.
static void failures_of_the_host(void)
{
    const int statuses[] = {TARN_ERROR_NO_ENVIRONMENT, TARN_ERROR_OS_VERSION, TARN_ERROR_HOST_NAME,
                            TARN_ERROR_NO_MEMORY};
    int i, status;
    for (i = 0; i < 4; ++i) {
        tarn_system_info* info = (tarn_system_info*)1;
        char* text = (char*)1;
        size_t size = 1;
        tarn_test_script(statuses[i]);
        status = i == 0 ? tarn_getenviron(&text, &size) : tarn_system_info_create(&info);
        tarn_test_script(0);
        check(status == statuses[i] && (i == 0 ? !text && !size : !info),
              tarn_status_message(statuses[i]));
    }
}
#endif

static int run(void)
{
    identity();
    arguments();
    environment();
    host();
#if defined(TARN_TEST_SCRIPTED)
    failures_of_the_host();
#endif
    print(failures ? "C interface: checks failed\n" : "C interface: all checks passed\n");
    return failures;
}

#if defined(TARN_TEST_FREESTANDING)
void __stdcall start(void) { ExitProcess((unsigned)run()); }
#else
int main(void) { return run(); }
#endif
