// machine-id, boot_id and MachineGuid as the host keeps them, and an application's id: what
// parses reads back as the same digits, and is never all zeros for a host.
#include <cctype>

#include "fuzz.h"
#include "id_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text = fuzz::text(data, size);
    tarn::detail::id128 id;
    for (const auto format : {tarn::detail::platform::id_format::plain,
                              tarn::detail::platform::id_format::uuid})
        if (tarn::detail::parse_host_id(text, format, id)) {
            FUZZ_CHECK(size >= 32 && size <= 39);
            bool zero = true;
            for (const std::uint8_t byte : id)
                zero = zero && !byte;
            FUZZ_CHECK(!zero);
        }
    for (const bool dashes : {false, true})
        if (tarn::detail::parse_id(text, dashes, id)) {
            std::string digits;
            for (const char c : text)
                if (c != '-')
                    digits += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            char again[33];
            for (int i = 0; i < 16; ++i)
                std::snprintf(again + 2 * i, 3, "%02x", id[i]);
            FUZZ_CHECK(digits == again);
        }
    return 0;
}
