// tarn::tarnstr: every operation forwards to the std::string that the object owns.
#include "tarn/tarnstr.h"

#include <ostream>

namespace tarn {

namespace {

const char* or_empty(const char* s) { return s ? s : ""; }

} // namespace

// A new-expression releases its storage itself when the std::string constructor throws, so a
// failed construction leaves nothing allocated.
tarnstr::tarnstr() : text(new std::string()) {}
tarnstr::tarnstr(const std::string& s) : text(new std::string(s)) {}
tarnstr::tarnstr(const char* s) : text(new std::string(or_empty(s))) {}
tarnstr::tarnstr(const tarnstr& other) : text(new std::string(*other.text)) {}

tarnstr::~tarnstr() { delete text; }

// The held std::string stays in place; only its content changes. std::string's assignment and
// append leave the content as it was when they cannot get storage.
tarnstr& tarnstr::operator=(const tarnstr& other)
{
    *text = *other.text;
    return *this;
}

tarnstr& tarnstr::operator=(const std::string& s)
{
    *text = s;
    return *this;
}

tarnstr& tarnstr::operator=(const char* s)
{
    *text = or_empty(s);
    return *this;
}

bool tarnstr::operator==(const tarnstr& other) const { return *text == *other.text; }
bool tarnstr::operator==(const std::string& s) const { return *text == s; }
bool tarnstr::operator==(const char* s) const { return *text == or_empty(s); }

tarnstr& tarnstr::operator+(const tarnstr& other)
{
    text->append(*other.text); // std::string copes with appending itself
    return *this;
}

tarnstr& tarnstr::operator+(const std::string& s)
{
    text->append(s);
    return *this;
}

tarnstr& tarnstr::operator+(const char* s)
{
    text->append(or_empty(s));
    return *this;
}

const std::string& tarnstr::str() const { return *text; }
bool tarnstr::empty() const { return text->empty(); }

// Closed to callers; the library never calls them either.
void* tarnstr::operator new(std::size_t) noexcept { return nullptr; }
void* tarnstr::operator new[](std::size_t) noexcept { return nullptr; }
void tarnstr::operator delete(void*) noexcept {}
void tarnstr::operator delete[](void*) noexcept {}

} // namespace tarn

std::ostream& operator<<(std::ostream& out, const tarn::tarnstr& s) { return out << s.str(); }
