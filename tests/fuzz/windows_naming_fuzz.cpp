// What Windows' kernel and registry report (version numbers, product type, service pack,
// EditionID, DisplayVersion, ReleaseId, UBR), named: a family programs compare is plain, and the
// pretty name takes nothing from the registry but what it holds.
#include "fuzz.h"
#include "naming.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view input = fuzz::text(data, size);
    const auto major = fuzz::take<std::uint32_t>(input), minor = fuzz::take<std::uint32_t>(input),
               build = fuzz::take<std::uint32_t>(input);
    const auto type = fuzz::take<std::uint8_t>(input);
    tarn::detail::platform::nt_product registry;
    registry.has_ubr = fuzz::take<std::uint8_t>(input) & 1;
    registry.ubr = fuzz::take<std::uint32_t>(input);
    const std::string service_pack = fuzz::take_text(input);
    registry.build = fuzz::take_text(input);
    registry.edition = fuzz::take_text(input);
    registry.display_version = fuzz::take_text(input);
    registry.release_id = fuzz::take_text(input);
    const std::string version = tarn::detail::windows_product_version(major, minor, build, type);
    for (const char c : version)
        FUZZ_CHECK((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || c == '.');
    const std::string pretty =
        tarn::detail::windows_pretty_name(major, minor, build, type, service_pack, registry);
    FUZZ_CHECK(pretty.size() <= size + 120);
    FUZZ_CHECK(std::string_view(tarn::detail::windows_product_name(major, minor, build, type)).size() < 64);
    return 0;
}
