// SHA-256 (FIPS 180-4) and HMAC-SHA256 (RFC 2104), the library's own: the machine and boot ids
// are keyed hashes, and the library depends on no other library.
#ifndef TARN_SHA256_H
#define TARN_SHA256_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tarn::detail {

using sha256_digest = std::array<std::uint8_t, 32>;

class sha256 {
public:
    sha256();
    void add(const void* data, std::size_t size);
    sha256_digest finish(); // the digest; the object is spent

private:
    void compress(const std::uint8_t* block);
    std::array<std::uint32_t, 8> state;
    std::array<std::uint8_t, 64> block{};
    std::uint64_t length = 0; // bytes added
};

// Keyed with a 128-bit id, the only key the library has: never longer than a block, so never
// hashed first.
sha256_digest hmac_sha256(const std::uint8_t (&key)[16], std::string_view message);

} // namespace tarn::detail

#endif
