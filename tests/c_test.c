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

static int failures;
static void check(int ok, const char* what)
{
#if defined(TARN_TEST_FREESTANDING)
    unsigned long written;
    if (!ok) {
        WriteFile(GetStdHandle((unsigned long)-11), what, (unsigned long)length(what), &written, 0);
        WriteFile(GetStdHandle((unsigned long)-11), "\n", 1, &written, 0);
    }
#else
    if (!ok)
        printf("FAIL %s\n", what);
#endif
    failures += !ok;
}

// `name` reads as `expected` (null: unset) with its length, and tarn_hasenvvar agrees.
static int reads(const char* name, const char* expected)
{
    char* value = (char*)1;
    size_t size = 99;
    int set = -1;
    const int ok = tarn_getenvvar(name, &value, &size) == TARN_OK && same(value, expected) &&
                   size == (value ? length(value) : 0) && tarn_hasenvvar(name, &set) == TARN_OK &&
                   set == (expected != 0);
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

static void environment(void)
{
#if defined(TARN_TEST_SCRIPTED)
    const int windows = 1;
#else
    const int windows = same(tarn_getosname(), "winnt");
#endif
    check(!tarn_putenvvar("TARN_C", "value") && reads("TARN_C", "value"), "put, get");
    check(!tarn_putenvvar("TARN_C", "") && reads("TARN_C", ""), "set empty reads empty");
    check(!tarn_unsetenvvar("TARN_C") && reads("TARN_C", 0), "unset reads as unset");
    check(!tarn_putenvvar("TARN_C", "B=C") && reads("TARN_C=B", 0), "= names no variable");
    /* A leading "=" is the host's: Windows keeps such names (the scripted host keeps any). */
    check(!tarn_putenvvar("=TARN", "zz") && reads("=TARN", windows ? "zz" : 0) &&
              listed("=TARN=zz") == !!windows && !tarn_unsetenvvar("=TARN") && reads("=TARN", 0),
          "a leading = as the host has it");
    check(!tarn_putenvvar("", "x"), "the host's refusal is no error");
    // A line feed in a value cannot pass for the start of another entry.
    tarn_putenvvar("TARN_LF", "1\nPATH=/evil");
    check(listed("TARN_LF=1\nPATH=/evil") && !listed("PATH=/evil"), "listing splits at NULs");
}

static void host(void)
{
    tarn_capacity capacity;
    unsigned long long available = 0;
    struct { /* as a caller compiled against a later, larger struct would pass it */
        tarn_capacity known;
        unsigned char later[24];
    } newer;
    tarn_system_info* info = 0;
    char* text;
    size_t size;
    int field;
    check(!tarn_system_info_create(&info) && info, "create");
    for (field = TARN_FIELD_OS; field <= TARN_FIELD_PRODUCT_LIKE + 1; ++field) {
        const tarn_status status = tarn_system_info_get(info, field, &text, &size);
        check(field > TARN_FIELD_PRODUCT_LIKE
                  ? status == TARN_ERROR_INVALID_ARGUMENT && !text && !size
                  : !status && size == length(text) &&
                        (size || field == TARN_FIELD_RELEASE || field > TARN_FIELD_PRODUCT_ID) &&
                        (field != TARN_FIELD_BUILD_OS || same(text, tarn_getosname())),
              "every field, and no other");
        tarn_free(text);
    }
    check(tarn_system_info_get(info, TARN_FIELD_OS, 0, &size) == TARN_ERROR_INVALID_ARGUMENT,
          "a field into nowhere is refused");
    tarn_system_info_destroy(info);
    capacity.size = sizeof capacity;
    check(!tarn_getmachineid("0123456789abcdef0123456789abcdef", &text, &size) &&
              (text ? size == 32 : !size),
          "machine id");
    tarn_free(text);
    check(!tarn_getcapacity(&capacity) && capacity.processors >= 1 &&
              capacity.processors <= capacity.machine_processors && capacity.memory > 0 &&
              capacity.memory <= capacity.machine_memory,
          "capacity");
    for (field = 0; field < (int)sizeof newer.later; ++field)
        newer.later[field] = 0xa5;
    newer.known.size = sizeof newer;
    check(!tarn_getcapacity(&newer.known) && newer.known.size == sizeof(tarn_capacity) &&
              newer.known.machine_memory == capacity.machine_memory,
          "a larger struct: filled, the size filled said");
    for (field = 0; field < (int)sizeof newer.later; ++field)
        check(!newer.later[field], "a larger struct: the tail unknown to this version cleared");
    check(!tarn_getavailablememory(&available) && available > 0, "memory available now");
    check(!tarn_getexecutablepath(&text, &size) && (text ? size == length(text) : !size),
          "the program's file");
    tarn_free(text);
    check(!tarn_getlibrarypath(&text, &size) && (text ? size == length(text) : !size),
          "the library's file");
    tarn_free(text);
}

// Null where a pointer is needed: refused, outputs cleared, never a crash.
static void arguments(void)
{
    char* text = (char*)1;
    size_t size = 1, i;
    int set = 1;
    tarn_capacity older; /* as a caller compiled against a smaller struct would pass it */
    older.size = sizeof older - 1;
    check(tarn_getenvvar(0, &text, &size) == TARN_ERROR_INVALID_ARGUMENT && !text && !size,
          "refused, outputs cleared");
    text = (char*)1, size = 1;
    const tarn_status refused[] = {tarn_getenvvar(0, &text, &size),
                                   tarn_getenvvar("PATH", 0, 0),
                                   tarn_hasenvvar(0, &set),
                                   tarn_hasenvvar("PATH", 0),
                                   tarn_putenvvar(0, "v"),
                                   tarn_putenvvar("X", 0),
                                   tarn_unsetenvvar(0),
                                   tarn_getenviron(0, &size),
                                   tarn_system_info_create(0),
                                   tarn_system_info_get(0, 0, &text, 0),
                                   tarn_getcapacity(0),
                                   tarn_getcapacity(&older),
                                   tarn_getavailablememory(0),
                                   tarn_getmachineid(0, &text, &size),
                                   tarn_getbootid("0123456789abcdef0123456789abcdef", 0, 0),
                                   tarn_getexecutablepath(0, &size),
                                   tarn_getlibrarypath(0, 0)};
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
              TARN_ERROR_HOST_NAME == 5 && TARN_FIELD_PRETTY_NAME == 5 &&
              TARN_FIELD_BUILD_DATE == 9,
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
    int status;
    for (status = TARN_ERROR_NO_MEMORY; status <= TARN_ERROR_HOST_NAME; ++status) {
        tarn_system_info* info = (tarn_system_info*)1;
        char* text = (char*)1;
        size_t size = 1;
        if (status == TARN_ERROR_INVALID_ARGUMENT)
            continue;
        tarn_test_script(status);
        check(status == TARN_ERROR_NO_ENVIRONMENT
                  ? tarn_getenviron(&text, &size) == status && !text && !size
                  : tarn_system_info_create(&info) == status && !info,
              tarn_status_message(status));
        tarn_test_script(0);
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
    return failures;
}

#if defined(TARN_TEST_FREESTANDING)
void __stdcall start(void) { ExitProcess((unsigned)run()); }
#else
int main(void) { return run(); }
#endif
