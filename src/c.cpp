// The C interface: a thin face over the code the C++ face uses, with statuses for exceptions and
// library-heap texts for library objects.
#include "tarn/c.h"

#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>

#include "core.h"
#include "naming.h"
#include "tarn/allocator.h"
#include "target.h"

struct tarn_system_info {
    tarn::system_info_data data;
};

namespace {

using tarn::detail::failure;

tarn_status status_of(failure f)
{
    switch (f) {
    case failure::none: return TARN_OK;
    case failure::no_environment: return TARN_ERROR_NO_ENVIRONMENT;
    case failure::os_version: return TARN_ERROR_OS_VERSION;
    case failure::host_name: return TARN_ERROR_HOST_NAME;
    }
    return TARN_ERROR_NO_MEMORY;
}

// Runs one function of the interface: an exception escaping an extern "C" function would end a
// Windows caller. Only allocation throws here.
template <class Body> tarn_status guarded(Body body) noexcept
{
    try {
        return body();
    } catch (...) {
        return TARN_ERROR_NO_MEMORY;
    }
}

// Storage for a text of `size` bytes and its NUL, on the library's heap.
char* new_text(std::size_t size)
{
    auto* text = static_cast<char*>(tarn::allocator::alloc(size + 1));
    if (!text)
        throw std::bad_alloc();
    text[size] = '\0';
    return text;
}

tarn_status give_text(std::string_view from, char** text, size_t* size)
{
    *text = static_cast<char*>(std::memcpy(new_text(from.size()), from.data(), from.size()));
    if (size)
        *size = from.size();
    return TARN_OK;
}

// Where tarn_getenvvar reads a value: straight into the text it hands out.
struct value_target {
    char* text = nullptr;
    std::size_t size = 0;
};

char* reserve_text(void* target, std::size_t size)
{
    auto& value = *static_cast<value_target*>(target);
    value.text = new_text(size);
    value.size = size;
    return value.text;
}

// Outputs are set to nothing first, so a failed call leaves nothing to release.
template <class T> void clear(T** out, size_t* size)
{
    if (out)
        *out = nullptr;
    if (size)
        *size = 0;
}

} // namespace

extern "C" {

unsigned tarn_version(void) { return TARN_VERSION_NUMBER; }

const char* tarn_status_message(tarn_status status)
{
    switch (status) {
    case TARN_OK: return "no error";
    case TARN_ERROR_NO_MEMORY: return "out of memory";
    case TARN_ERROR_INVALID_ARGUMENT: return "invalid argument";
    case TARN_ERROR_NO_ENVIRONMENT: return tarn::detail::message(failure::no_environment);
    case TARN_ERROR_OS_VERSION: return tarn::detail::message(failure::os_version);
    case TARN_ERROR_HOST_NAME: return tarn::detail::message(failure::host_name);
    default: return "unknown status";
    }
}

void tarn_free(void* text) { tarn::allocator::dealloc(text); }

tarn_status tarn_getenvvar(const char* name, char** value, size_t* size)
{
    clear(value, size);
    if (!name || !value)
        return TARN_ERROR_INVALID_ARGUMENT;
    return guarded([&]() -> tarn_status {
        value_target target;
        const tarn::detail::platform::value_sink sink{reserve_text, &target};
        tarn::detail::read_variable(name, &sink);
        *value = target.text;
        if (size)
            *size = target.size;
        return TARN_OK;
    });
}

tarn_status tarn_hasenvvar(const char* name, int* is_set)
{
    if (is_set)
        *is_set = 0;
    if (!name || !is_set)
        return TARN_ERROR_INVALID_ARGUMENT;
    return guarded([&]() -> tarn_status {
        *is_set = tarn::detail::read_variable(name, nullptr);
        return TARN_OK;
    });
}

tarn_status tarn_putenvvar(const char* name, const char* value)
{
    if (!name || !value)
        return TARN_ERROR_INVALID_ARGUMENT;
    return guarded([&]() -> tarn_status {
        tarn::detail::write_variable(name, value);
        return TARN_OK;
    });
}

tarn_status tarn_unsetenvvar(const char* name)
{
    if (!name)
        return TARN_ERROR_INVALID_ARGUMENT;
    return guarded([&]() -> tarn_status {
        tarn::detail::remove_variable(name);
        return TARN_OK;
    });
}

tarn_status tarn_getenviron(char** text, size_t* size)
{
    clear(text, size);
    if (!text)
        return TARN_ERROR_INVALID_ARGUMENT;
    return guarded([&]() -> tarn_status {
        std::string entries;
        const failure failed = tarn::detail::read_environment(entries, '\0');
        return failed == failure::none ? give_text(entries, text, size) : status_of(failed);
    });
}

const char* tarn_getosname(void) { return tarn::detail::target_os; }
const char* tarn_getosid(void) { return tarn::detail::target_id; }

tarn_status tarn_system_info_create(tarn_system_info** info)
{
    clear(info, nullptr);
    if (!info)
        return TARN_ERROR_INVALID_ARGUMENT;
    return guarded([&]() -> tarn_status {
        auto created = std::make_unique<tarn_system_info>();
        const failure failed = tarn::detail::describe_host(created->data);
        if (failed == failure::none)
            *info = created.release();
        return status_of(failed);
    });
}

void tarn_system_info_destroy(tarn_system_info* info) { delete info; }

tarn_status tarn_system_info_get(const tarn_system_info* info, int field, char** text, size_t* size)
{
    clear(text, size);
    if (!info || !text || field < TARN_FIELD_OS || field > TARN_FIELD_PRODUCT_LIKE)
        return TARN_ERROR_INVALID_ARGUMENT;
    return guarded([&]() -> tarn_status {
        const tarn::system_info_data& d = info->data;
        switch (field) {
        case TARN_FIELD_OS: return give_text(d.os, text, size);
        case TARN_FIELD_ARCH: return give_text(d.arch, text, size);
        case TARN_FIELD_VERSION: return give_text(d.version, text, size);
        case TARN_FIELD_RELEASE: return give_text(d.release, text, size);
        case TARN_FIELD_NODE_NAME: return give_text(d.node_name, text, size);
        case TARN_FIELD_PRETTY_NAME: return give_text(tarn::detail::pretty_name(d), text, size);
        case TARN_FIELD_BUILD_OS: return give_text(tarn::detail::target_os, text, size);
        case TARN_FIELD_BUILD_ARCH: return give_text(tarn::detail::target_arch, text, size);
        case TARN_FIELD_BUILD_TIME: return give_text(tarn::detail::build_time(), text, size);
        case TARN_FIELD_BUILD_DATE: return give_text(tarn::detail::build_date(), text, size);
        }
        const tarn::detail::product_ids product = tarn::detail::product(d);
        return give_text(field == TARN_FIELD_PRODUCT_ID        ? product.id
                         : field == TARN_FIELD_PRODUCT_VERSION ? product.version
                                                               : product.like,
                         text, size);
    });
}

namespace {

tarn_status app_specific(tarn::detail::platform::host_id which, const char* app_id, char** text,
                         size_t* size)
{
    clear(text, size);
    if (!app_id || !text)
        return TARN_ERROR_INVALID_ARGUMENT;
    return guarded([&]() -> tarn_status {
        std::string id;
        if (!tarn::detail::app_specific_id(which, app_id, id))
            return TARN_ERROR_INVALID_ARGUMENT;
        return id.empty() ? TARN_OK : give_text(id, text, size);
    });
}

} // namespace

tarn_status tarn_getmachineid(const char* app_id, char** text, size_t* size)
{
    return app_specific(tarn::detail::platform::host_id::machine, app_id, text, size);
}

tarn_status tarn_getbootid(const char* app_id, char** text, size_t* size)
{
    return app_specific(tarn::detail::platform::host_id::boot, app_id, text, size);
}

// The struct as 1.3 declared it, the smallest a caller can have been built with: every later
// version takes it, and fills only what it holds.
constexpr std::size_t capacity_size_of_1_3 =
    offsetof(tarn_capacity, memory_limit) + sizeof(tarn_capacity::memory_limit);

tarn_status tarn_getcapacity(tarn_capacity* capacity)
{
    if (!capacity || capacity->size < capacity_size_of_1_3)
        return TARN_ERROR_INVALID_ARGUMENT;
    tarn::capacity measured;
    const bool complete = tarn::detail::measure_capacity(measured);
    capacity->processors = measured.processors;
    capacity->machine_processors = measured.machine_processors;
    capacity->processor_quota = measured.processor_quota;
    capacity->memory = measured.memory;
    capacity->machine_memory = measured.machine_memory;
    capacity->memory_limit = measured.memory_limit;
    // A caller built against a later header: what this version does not know reads 0, and the
    // size says how much of the struct it filled.
    if (capacity->size > sizeof(tarn_capacity)) {
        std::memset(reinterpret_cast<unsigned char*>(capacity) + sizeof(tarn_capacity), 0,
                    capacity->size - sizeof(tarn_capacity));
        capacity->size = sizeof(tarn_capacity);
    }
    return complete ? TARN_OK : TARN_ERROR_NO_MEMORY;
}

tarn_status tarn_getavailablememory(unsigned long long* bytes)
{
    if (!bytes)
        return TARN_ERROR_INVALID_ARGUMENT;
    return tarn::detail::measure_available_memory(*bytes) ? TARN_OK : TARN_ERROR_NO_MEMORY;
}

tarn_status tarn_getdirectory(int directory, char** path, size_t* size)
{
    clear(path, size);
    if (!path)
        return TARN_ERROR_INVALID_ARGUMENT;
    return guarded([&]() -> tarn_status {
        std::string found;
        if (!tarn::detail::find_directory(directory, found))
            return TARN_ERROR_INVALID_ARGUMENT;
        return found.empty() ? TARN_OK : give_text(found, path, size);
    });
}

namespace {

// A path of the host's, or none.
tarn_status give_path(std::string (*find)(), char** path, size_t* size)
{
    clear(path, size);
    if (!path)
        return TARN_ERROR_INVALID_ARGUMENT;
    return guarded([&]() -> tarn_status {
        const std::string found = find();
        return found.empty() ? TARN_OK : give_text(found, path, size);
    });
}

} // namespace

tarn_status tarn_getexecutablepath(char** path, size_t* size)
{
    return give_path(tarn::detail::executable_path, path, size);
}

tarn_status tarn_getlibrarypath(char** path, size_t* size)
{
    return give_path(tarn::detail::library_path, path, size);
}

} // extern "C"
