// The 128-bit ids as hosts and programs write them: 32 hex digits, or a UUID.
#ifndef TARN_ID_TEXT_H
#define TARN_ID_TEXT_H

#include <cstdint>
#include <string_view>

#include "platform/platform.h"

namespace tarn::detail {

using id128 = std::uint8_t[16];

// The 16 bytes of 32 hex digits, in text order, in either case; with `dashes`, written as a UUID
// (8-4-4-4-12) instead. False for anything else.
bool parse_id(std::string_view text, bool dashes, id128& id);

// The host's id as its file or registry value holds it, with a line feed or not; a UUID in
// braces, too (MachineGuid). All zeros is no id: systemd's "not set".
bool parse_host_id(std::string_view text, platform::id_format format, id128& id);

} // namespace tarn::detail

#endif
