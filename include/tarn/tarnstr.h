// tarn::tarnstr: a string whose characters live in storage the library allocates and releases.
#ifndef TARN_TARNSTR_H
#define TARN_TARNSTR_H

#include <cstddef>
#include <iosfwd>
#include <string>

#include "tarn/export.h"

namespace tarn {

namespace detail {
struct tarnstr_access;
} // namespace detail

// A byte string held through a pointer to a std::string that library code allocates and that only
// library code releases, so a text made inside the library may end anywhere in the caller.
// Any byte value may be held, NUL included. Wherever a `const char*` is taken, it is read up to its
// first NUL and a null pointer stands for the empty text.
//
// Failures: constructors, assignments and appends throw std::bad_alloc when storage runs out; a
// failed construction leaves nothing allocated, and a failed assignment or append leaves the text
// as it was. Nothing else throws.
//
// Threads: distinct objects may be used on different threads at once; one object may be read from
// several threads, but not read and changed at once (the rules of std::string).
class TARN_API tarnstr {
public:
    tarnstr();                     // the empty text
    tarnstr(const std::string& s); // all bytes of `s`
    tarnstr(const char* s);        // `s` up to its NUL; null gives the empty text
    tarnstr(const tarnstr& other); // a separate copy
    ~tarnstr();

    // Assignment replaces the content of the held string in place and returns *this.
    tarnstr& operator=(const tarnstr& other);
    tarnstr& operator=(const std::string& s);
    tarnstr& operator=(const char* s);

    // Byte-wise equality of the whole text.
    bool operator==(const tarnstr& other) const;
    bool operator==(const std::string& s) const;
    bool operator==(const char* s) const;

    // Appending changes this object, not a copy: `a + b` appends b to a and returns a, so
    // `a + b + c` appends b, then c, to a. The argument may be this object itself.
    tarnstr& operator+(const tarnstr& other);
    tarnstr& operator+(const std::string& s);
    tarnstr& operator+(const char* s);

    // The held string itself: valid while this object lives, and it shows later changes.
    const std::string& str() const;
    bool empty() const;

private:
    // Callers cannot place a tarnstr on the heap with `new`: one lives by value, on a stack or as
    // a member. (`::new tarnstr` still reaches the global allocation functions.)
    static void* operator new(std::size_t) noexcept;
    static void* operator new[](std::size_t) noexcept;
    static void operator delete(void*) noexcept;
    static void operator delete[](void*) noexcept;

    friend struct detail::tarnstr_access; // lets the library fill a result in place

    std::string* text;
};

} // namespace tarn

// Writes the text as the standard inserter writes a std::string: width, fill and adjustment apply.
TARN_API std::ostream& operator<<(std::ostream& out, const tarn::tarnstr& s);

namespace tarn {
// Makes the operator visible to argument-dependent lookup, so `out << s` finds it from any
// namespace, also one that declares an operator<< of its own, and in std::ostream_iterator.
using ::operator<<;
} // namespace tarn

#endif
