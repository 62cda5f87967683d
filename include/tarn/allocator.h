// The library's heap, and safe_return: the carrier of a value that the library allocated.
#ifndef TARN_ALLOCATOR_H
#define TARN_ALLOCATOR_H

#include <cstddef>
#include <string>

#include "tarn/export.h"

namespace tarn {

// Raw blocks from the heap of the runtime that the library is linked with (malloc and free).
// A block from alloc goes back through dealloc only, never through the caller's own free.
// Neither operation throws. Safe from any thread (the runtime heap does its own locking).
class TARN_API allocator {
public:
    // A block of `size` bytes, or null when the heap cannot supply it.
    static void* alloc(std::size_t size);
    // Returns a block that alloc gave; null does nothing.
    static void dealloc(void* p);

    allocator& operator=(const allocator&);
};

// Releases a value that the library allocated for a safe_return; null releases nothing. Compiled
// into the library for every type it carries (std::string), so the release runs library code.
template <class T> void release_value(T* p);
template <> TARN_API void release_value<std::string>(std::string* p);

// Carries a value that the library allocated together with the library's own release function,
// so the value is released by library code wherever the carrier ends. The layout (value, then
// destroy) is shared by the library and its callers and must not change.
//
// A carrier cannot be copied (two carriers must never release one value); it can be moved, which
// leaves the source carrying nothing. Read the value with *, -> or get(), or let it convert to
// const T&: `std::string os = info.os();`. A moved-from carrier has no value to read.
//
// Threads: one carrier may be read from several threads at once.
template <class T> class safe_return {
public:
    // A new T copied from v, allocated by library code; throws std::bad_alloc, leaving nothing.
    explicit safe_return(const T& v);

    safe_return(const safe_return&) = delete;
    safe_return& operator=(const safe_return&) = delete;

    safe_return(safe_return&& other) noexcept : value(other.value), destroy(other.destroy)
    {
        other.value = nullptr;
    }

    safe_return& operator=(safe_return&& other) noexcept
    {
        if (this != &other) {
            destroy(value);
            value = other.value;
            destroy = other.destroy;
            other.value = nullptr;
        }
        return *this;
    }

    ~safe_return() { destroy(value); }

    const T& operator*() const { return *value; }
    const T* operator->() const { return value; }
    const T* get() const { return value; }
    operator const T&() const { return *value; }

private:
    T* value;
    void (*destroy)(T*);
};

// The carried copy is made by library code, for the same reason that it is released there.
template <> TARN_API safe_return<std::string>::safe_return(const std::string& v);

} // namespace tarn

#endif
