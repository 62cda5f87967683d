/* libtarn's C interface: the same library for C, for programs built with another C++ compiler
 * (MSVC on Windows) and for other languages (Python's ctypes, C#, Rust). Only size_t, int,
 * unsigned, pointers and the numbers below cross it, and tarn_capacity, which begins with its own
 * size and grows only at its end; names, signatures and numbers never change, and the interface
 * grows by new functions only.
 *
 * Rules for every function:
 * - Every output pointer is set to null (and *size to 0) first, so a failed call leaves nothing
 *   to release. A null name, value, handle or output pointer (other than size) and an unknown
 *   field are TARN_ERROR_INVALID_ARGUMENT. What the host refuses (an empty name) is not an error.
 * - Every text comes back NUL-terminated, with its length in *size when size is not null, in the
 *   library's storage: release it with tarn_free, never with the caller's own free (on Windows the
 *   DLL's heap is not the program's).
 * - No exception ever leaves a function.
 * - Threads: as the C++ interface (tarn/environment.h): any number of threads may call the
 *   environment functions at once; one handle may be read from several threads.
 */
#ifndef TARN_C_H
#define TARN_C_H

#include <stddef.h>

#include "tarn/export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* versions: the header's, and the loaded library's (major * 10000 + minor * 100 + patch) */
#define TARN_VERSION_MAJOR 1
#define TARN_VERSION_MINOR 5
#define TARN_VERSION_PATCH 0
#define TARN_VERSION_NUMBER 10500
TARN_API unsigned tarn_version(void);

typedef int tarn_status; /* these numbers never change */
enum {
    TARN_OK = 0,
    TARN_ERROR_NO_MEMORY = 1,
    TARN_ERROR_INVALID_ARGUMENT = 2,
    TARN_ERROR_NO_ENVIRONMENT = 3,
    TARN_ERROR_OS_VERSION = 4,
    TARN_ERROR_HOST_NAME = 5
};
/* A static text for a status, never freed; for 3, 4 and 5 the C++ interface's message. */
TARN_API const char* tarn_status_message(tarn_status status);

/* Releases a text the library gave; null does nothing. */
TARN_API void tarn_free(void* text);

/* Names, for every function below: a name holding "=" after its first byte names no variable on
 * any host (it reads as not set; setting or removing it changes nothing). A name that begins with
 * "=" is the host's: Windows keeps such variables ("=C:", cmd.exe's current directory of drive C:)
 * and they are read, set, listed and removed like any other; on POSIX such a name names no
 * variable. */
/* The value of the variable `name`, in one read of the host: *value null when it is not set, ""
 * when it is set empty. */
TARN_API tarn_status tarn_getenvvar(const char* name, char** value, size_t* size);
/* *is_set: 1 when the variable is set (also empty), 0 when not. */
TARN_API tarn_status tarn_hasenvvar(const char* name, int* is_set);
/* Sets, or removes, one variable; what the host refuses is ignored, as in C++. */
TARN_API tarn_status tarn_putenvvar(const char* name, const char* value);
TARN_API tarn_status tarn_unsetenvvar(const char* name);
/* The whole environment, every entry ("name=value") followed by a NUL, and one more NUL after
 * them; *size counts the entries and their NULs, so an empty environment is size 0, text "". An
 * empty entry (a program started with one by execve) is no variable and is left out, so the first
 * empty entry always marks the end. */
TARN_API tarn_status tarn_getenviron(char** text, size_t* size);

/* The build target's identifiers: static texts, never freed. */
TARN_API const char* tarn_getosname(void);
TARN_API const char* tarn_getosid(void);

/* The host description: asked of the host once, at creation (the pretty name when it is read). */
typedef struct tarn_system_info tarn_system_info; /* opaque */
enum {
    TARN_FIELD_OS = 0,
    TARN_FIELD_ARCH = 1,
    TARN_FIELD_VERSION = 2,
    TARN_FIELD_RELEASE = 3,
    TARN_FIELD_NODE_NAME = 4,
    TARN_FIELD_PRETTY_NAME = 5,
    TARN_FIELD_BUILD_OS = 6,
    TARN_FIELD_BUILD_ARCH = 7,
    TARN_FIELD_BUILD_TIME = 8,
    TARN_FIELD_BUILD_DATE = 9,
    /* since 1.3: what programs compare, read from the host when asked (tarn/system_info.h) */
    TARN_FIELD_PRODUCT_ID = 10,
    TARN_FIELD_PRODUCT_VERSION = 11,
    TARN_FIELD_PRODUCT_LIKE = 12
};
TARN_API tarn_status tarn_system_info_create(tarn_system_info** info);
/* null does nothing */
TARN_API void tarn_system_info_destroy(tarn_system_info* info);
/* A new copy of one text, like the C++ getters. */
TARN_API tarn_status tarn_system_info_get(const tarn_system_info* info, int field, char** text,
                                          size_t* size);

/* This machine's id and this boot's, for the application `app_id` (32 hex digits or a UUID, either
 * case): 32 lowercase hex digits that reveal nothing of the host's own ids (since 1.3; what they
 * are and where they come from: tarn/identity.h). *text null when the host has no such id (no
 * boot id on Windows). Any other app_id: TARN_ERROR_INVALID_ARGUMENT. */
TARN_API tarn_status tarn_getmachineid(const char* app_id, char** text, size_t* size);
TARN_API tarn_status tarn_getbootid(const char* app_id, char** text, size_t* size);

/* What this process may use (since 1.3): the figures of tarn/capacity.h, which says what each
 * means (processors: the affinity allows, on Linux the calling thread's, capped by the quota). The
 * caller sets `size` to sizeof(tarn_capacity) before the call; later versions only append members,
 * and fill no more than the caller's size holds. A caller built against a later header passes a
 * larger size: this version fills what it knows, sets every byte past that to 0 and sets `size` to
 * what it filled (since 1.4). Asked of the host on every call. Null, or a size below that of
 * 1.3's tarn_capacity (the struct below as it stands; every later version takes that size):
 * TARN_ERROR_INVALID_ARGUMENT. Should storage run out while the limits are read:
 * TARN_ERROR_NO_MEMORY, with the figures filled without the limits. */
#if defined(__GNUC__)
/* unsigned long long is older than C99 in every compiler that builds this library; C89 and C++98
 * pedantic modes only warn of it. */
#  pragma GCC diagnostic push
#  pragma GCC diagnostic ignored "-Wlong-long"
#endif
typedef struct tarn_capacity {
    size_t size; /* the caller sets sizeof(tarn_capacity); later versions only append */
    unsigned processors;
    unsigned machine_processors;
    double processor_quota;
    unsigned long long memory;
    unsigned long long machine_memory;
    unsigned long long memory_limit;
} tarn_capacity;
TARN_API tarn_status tarn_getcapacity(tarn_capacity* capacity);

/* The bytes this process can still use now (since 1.4): tarn/capacity.h's getavailablememory,
 * which says how it is reckoned. Null: TARN_ERROR_INVALID_ARGUMENT. Should storage run out:
 * TARN_ERROR_NO_MEMORY, with the machine's available memory in *bytes. */
TARN_API tarn_status tarn_getavailablememory(unsigned long long* bytes);
#if defined(__GNUC__)
#  pragma GCC diagnostic pop
#endif

/* Where a program keeps its files (since 1.4): tarn/directories.h says what each folder is for
 * and which fact of the host answers it. *path gets the folder's path, null when the host has
 * none; release it with tarn_free. Another number, or a null path: TARN_ERROR_INVALID_ARGUMENT.
 * These numbers never change. */
enum {
    TARN_DIRECTORY_HOME = 0,
    TARN_DIRECTORY_CONFIG = 1,
    TARN_DIRECTORY_DATA = 2,
    TARN_DIRECTORY_CACHE = 3,
    TARN_DIRECTORY_STATE = 4,
    TARN_DIRECTORY_RUNTIME = 5,
    TARN_DIRECTORY_TEMP = 6,
    /* since 1.5: the user's own folders */
    TARN_DIRECTORY_DESKTOP = 7,
    TARN_DIRECTORY_DOCUMENTS = 8,
    TARN_DIRECTORY_DOWNLOADS = 9,
    TARN_DIRECTORY_MUSIC = 10,
    TARN_DIRECTORY_PICTURES = 11,
    TARN_DIRECTORY_VIDEOS = 12,
    TARN_DIRECTORY_TEMPLATES = 13,
    TARN_DIRECTORY_PUBLICSHARE = 14
};
TARN_API tarn_status tarn_getdirectory(int directory, char** path, size_t* size);

/* The running program's file and this library's own (since 1.5): tarn/directories.h's
 * getexecutablepath and getlibrarypath. *path null when the host cannot say; release it with
 * tarn_free. A null path: TARN_ERROR_INVALID_ARGUMENT. */
TARN_API tarn_status tarn_getexecutablepath(char** path, size_t* size);
TARN_API tarn_status tarn_getlibrarypath(char** path, size_t* size);

#ifdef __cplusplus
}
#endif

#endif
