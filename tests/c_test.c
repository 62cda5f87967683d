/* Every function of the C interface, and every status, from C. It needs nothing but the library
 * (and kernel32 when built as a freestanding Windows program, TARN_TEST_FREESTANDING), so the same
 * file runs from gcc, clang, mingw and an MSVC-ABI build. With TARN_TEST_SCRIPTED it is linked
 * with the scripted host, whose failures no real machine gives. Exit status: failed checks. */
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
void tarn_test_script(int status); /* the scripted host fails as `status` says; 0 undoes it */
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
    if (!a || !b)
        return a == b;
    while (*a && *a == *b)
        ++a, ++b;
    return *a == *b;
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
    if (!ok) {
        print("FAIL ");
        print(what);
        print("\n");
        ++failures;
    }
}

/* The value of `name` as tarn_getenvvar gives it, compared with `expected` (null: unset). */
static int reads(const char* name, const char* expected)
{
    char* value = (char*)1;
    size_t size = 99;
    const int ok = tarn_getenvvar(name, &value, &size) == TARN_OK && same(value, expected) &&
                   size == (value ? length(value) : 0);
    tarn_free(value);
    return ok;
}

/* Whether the NUL-separated listing holds `entry` as one whole entry. */
static int listed(const char* entry)
{
    char* text;
    size_t size, at = 0;
    int found = 0;
    if (tarn_getenviron(&text, &size) != TARN_OK)
        return 0;
    for (; at < size; at += length(text + at) + 1)
        found |= same(text + at, entry);
    found &= text[size] == '\0';
    tarn_free(text);
    return found;
}

static void environment(void)
{
    int set = -1;
    check(tarn_putenvvar("TARN_C", "value") == TARN_OK && reads("TARN_C", "value"), "put, get");
    check(tarn_hasenvvar("TARN_C", &set) == TARN_OK && set == 1, "has");
    check(tarn_putenvvar("TARN_C", "") == TARN_OK && reads("TARN_C", ""), "set empty reads empty");
    check(tarn_hasenvvar("TARN_C", &set) == TARN_OK && set == 1, "set empty is set");
    check(tarn_unsetenvvar("TARN_C") == TARN_OK && reads("TARN_C", 0), "unset reads as unset");
    check(tarn_hasenvvar("TARN_C", &set) == TARN_OK && set == 0, "unset is not set");
    check(tarn_putenvvar("TARN_C", "B=C") == TARN_OK && reads("TARN_C=B", 0), "= names nothing");
    check(tarn_putenvvar("", "x") == TARN_OK, "the host's refusal is no error");
    /* A line feed in a value cannot be mistaken for the start of another entry. */
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
        size = 0;
        check(tarn_system_info_get(info, field, &text, &size) == TARN_OK && text &&
                  size == length(text) && (size > 0 || field == TARN_FIELD_RELEASE),
              "every field");
        if (field == TARN_FIELD_BUILD_OS)
            check(same(text, tarn_getosname()), "build os is the target's");
        tarn_free(text);
    }
    check(tarn_system_info_get(info, TARN_FIELD_BUILD_DATE + 1, &text, &size) ==
                  TARN_ERROR_INVALID_ARGUMENT &&
              !text && size == 0,
          "unknown field");
    check(tarn_system_info_get(info, -1, &text, 0) == TARN_ERROR_INVALID_ARGUMENT, "field -1");
    tarn_system_info_destroy(info);
    tarn_system_info_destroy(0);
}

static void arguments(void)
{
    char* text = (char*)1;
    size_t size = 1;
    int set = 1;
    tarn_system_info* info = (tarn_system_info*)1;
    check(tarn_getenvvar(0, &text, &size) == TARN_ERROR_INVALID_ARGUMENT && !text && !size,
          "getenvvar null name");
    check(tarn_getenvvar("PATH", 0, 0) == TARN_ERROR_INVALID_ARGUMENT, "getenvvar null value");
    check(tarn_hasenvvar(0, &set) == TARN_ERROR_INVALID_ARGUMENT && !set, "hasenvvar null name");
    check(tarn_hasenvvar("PATH", 0) == TARN_ERROR_INVALID_ARGUMENT, "hasenvvar null out");
    check(tarn_putenvvar(0, "v") == TARN_ERROR_INVALID_ARGUMENT, "putenvvar null name");
    check(tarn_putenvvar("TARN_C", 0) == TARN_ERROR_INVALID_ARGUMENT, "putenvvar null value");
    check(tarn_unsetenvvar(0) == TARN_ERROR_INVALID_ARGUMENT, "unsetenvvar null name");
    check(tarn_getenviron(0, &size) == TARN_ERROR_INVALID_ARGUMENT, "getenviron null out");
    check(tarn_system_info_create(0) == TARN_ERROR_INVALID_ARGUMENT, "create null out");
    check(tarn_system_info_get(0, 0, &text, 0) == TARN_ERROR_INVALID_ARGUMENT && !text, "null info");
    (void)info;
    tarn_free(0);
}

static void identity(void)
{
    const char* name = tarn_getosname();
    const char* id = tarn_getosid();
    size_t n = length(name);
    check(tarn_version() == TARN_VERSION_NUMBER, "version");
    check(TARN_OK == 0 && TARN_ERROR_NO_MEMORY == 1 && TARN_ERROR_INVALID_ARGUMENT == 2 &&
              TARN_ERROR_NO_ENVIRONMENT == 3 && TARN_ERROR_OS_VERSION == 4 &&
              TARN_ERROR_HOST_NAME == 5 && TARN_FIELD_OS == 0 && TARN_FIELD_PRETTY_NAME == 5 &&
              TARN_FIELD_BUILD_DATE == 9,
          "numbers that callers compiled in");
    check(n > 0 && id[n] == '-' && id[n + 1] != '\0', "id is the name, a hyphen, a processor");
    while (n--)
        check(id[n] == name[n], "id begins with the name");
    check(same(tarn_status_message(TARN_ERROR_NO_ENVIRONMENT), "Invalid environment string!") &&
              same(tarn_status_message(TARN_ERROR_OS_VERSION), "failed to init version info") &&
              same(tarn_status_message(TARN_ERROR_HOST_NAME), "failed to get host name") &&
              tarn_status_message(TARN_OK) && tarn_status_message(TARN_ERROR_NO_MEMORY) &&
              tarn_status_message(TARN_ERROR_INVALID_ARGUMENT) && tarn_status_message(-1),
          "status messages");
}

#if defined(TARN_TEST_SCRIPTED)
/* The failures of the host, and of storage, as statuses that leave nothing to release. */
static void failures_of_the_host(void)
{
    const int statuses[] = {TARN_ERROR_NO_ENVIRONMENT, TARN_ERROR_OS_VERSION, TARN_ERROR_HOST_NAME,
                            TARN_ERROR_NO_MEMORY};
    int i, status, left;
    for (i = 0; i < 4; ++i) {
        tarn_system_info* info = (tarn_system_info*)1;
        char* text = (char*)1;
        size_t size = 1;
        tarn_test_script(statuses[i]);
        if (statuses[i] == TARN_ERROR_NO_ENVIRONMENT) {
            status = tarn_getenviron(&text, &size);
            left = text || size;
        } else {
            status = tarn_system_info_create(&info);
            left = info != 0;
        }
        tarn_test_script(0);
        check(status == statuses[i] && !left, tarn_status_message(statuses[i]));
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
