// The 128-bit ids as hosts and programs write them.
#include "id_text.h"

namespace tarn::detail {

namespace {

int hex_value(char c)
{
    return c >= '0' && c <= '9'   ? c - '0'
           : c >= 'a' && c <= 'f' ? c - 'a' + 10
           : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                  : -1;
}

} // namespace

bool parse_id(std::string_view text, bool dashes, id128& id)
{
    if (text.size() != (dashes ? 36u : 32u))
        return false;
    std::size_t digit = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (dashes && (i == 8 || i == 13 || i == 18 || i == 23)) {
            if (text[i] != '-')
                return false;
            continue;
        }
        const int value = hex_value(text[i]);
        if (value < 0)
            return false;
        id[digit / 2] = static_cast<std::uint8_t>(digit % 2 ? id[digit / 2] | value : value << 4);
        ++digit;
    }
    return true;
}

bool parse_host_id(std::string_view text, platform::id_format format, id128& id)
{
    if (!text.empty() && text.back() == '\n')
        text.remove_suffix(1);
    if (format == platform::id_format::uuid && text.size() == 38 && text.front() == '{' &&
        text.back() == '}')
        text = text.substr(1, 36);
    if (!parse_id(text, format == platform::id_format::uuid, id))
        return false;
    for (const std::uint8_t byte : id)
        if (byte != 0)
            return true;
    return false;
}

} // namespace tarn::detail
