// What the fuzz targets share: a check that ends the run, saying which, where an invariant fails,
// and the input taken apart.
#ifndef TARN_TESTS_FUZZ_H
#define TARN_TESTS_FUZZ_H

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#define FUZZ_CHECK(condition)                                                                    \
    ((condition) ? (void)0                                                                       \
                 : (std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", #condition, __FILE__, \
                                 __LINE__),                                                      \
                    std::abort()))

namespace fuzz {

// The input's bytes as the text a host file would hold.
inline std::string_view text(const std::uint8_t* data, std::size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}

// Takes a number of the input's bytes off its front (0 where it ran out).
template <class Number> Number take(std::string_view& input)
{
    Number number = 0;
    const std::size_t n = std::min(sizeof number, input.size());
    std::memcpy(&number, input.data(), n);
    input.remove_prefix(n);
    return number;
}

// Takes the input's text up to its next NUL (or all of it) off its front.
inline std::string take_text(std::string_view& input)
{
    const std::size_t end = std::min(input.find('\0'), input.size());
    std::string taken(input.substr(0, end));
    input.remove_prefix(std::min(end + 1, input.size()));
    return taken;
}

} // namespace fuzz

#endif
