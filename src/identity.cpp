// tarn::getmachineid and tarn::getbootid: the host's ids, keyed for one application.
#include "tarn/identity.h"

#include <stdexcept>

#include "core.h"
#include "id_text.h"
#include "sha256.h"

namespace tarn {

namespace detail {

namespace {

// The host's id, from where it keeps it; for the machine, D-Bus's copy when the first is missing
// or holds none.
bool host_id(platform::host_id which, id128& id)
{
    std::string text;
    platform::id_format format;
    if (platform::read_host_id(which, text, format) && parse_host_id(text, format, id))
        return true;
    text.clear();
    return which == platform::host_id::machine &&
           platform::read_host_id(platform::host_id::machine_fallback, text, format) &&
           parse_host_id(text, format, id);
}

} // namespace

bool app_specific_id(platform::host_id which, std::string_view app_id, std::string& result)
{
    id128 app, host;
    if (!parse_id(app_id, false, app) && !parse_id(app_id, true, app))
        return false;
    if (!host_id(which, host))
        return true;
    sha256_digest digest =
        hmac_sha256(host, std::string_view(reinterpret_cast<const char*>(app), 16));
    // A version-4 UUID, of the variant RFC 4122 defines.
    digest[6] = static_cast<std::uint8_t>((digest[6] & 0x0F) | 0x40);
    digest[8] = static_cast<std::uint8_t>((digest[8] & 0x3F) | 0x80);
    constexpr char digits[] = "0123456789abcdef";
    result.resize(32);
    for (std::size_t i = 0; i < 16; ++i) {
        result[2 * i] = digits[digest[i] >> 4];
        result[2 * i + 1] = digits[digest[i] & 0x0F];
    }
    return true;
}

} // namespace detail

namespace {

tarnstr app_specific(detail::platform::host_id which, const tarnstr& app_id)
{
    std::string id;
    if (!detail::app_specific_id(which, app_id.str(), id))
        throw std::runtime_error("invalid application id");
    return tarnstr(id);
}

} // namespace

tarnstr getmachineid(const tarnstr& app_id)
{
    return app_specific(detail::platform::host_id::machine, app_id);
}

tarnstr getbootid(const tarnstr& app_id)
{
    return app_specific(detail::platform::host_id::boot, app_id);
}

} // namespace tarn
