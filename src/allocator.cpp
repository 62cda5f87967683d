// The library's heap and the release side of safe_return. (The Windows load entry lives with the
// rest of the Windows code, in platform/win32.cpp.)
#include "tarn/allocator.h"

#include <cstdlib>

namespace tarn {

void* allocator::alloc(std::size_t size) { return std::malloc(size); }
void allocator::dealloc(void* p) { std::free(p); }
allocator& allocator::operator=(const allocator&) { return *this; }

template <> void release_value<std::string>(std::string* p) { delete p; }

// A new-expression releases its storage itself when the copy throws.
template <>
safe_return<std::string>::safe_return(const std::string& v)
    : value(new std::string(v)), destroy(&release_value<std::string>)
{
}

} // namespace tarn
