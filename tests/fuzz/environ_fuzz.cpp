// Fuzz target: arbitrary well-formed environment blocks, given to getenviron through the scripted
// host, against a model of the text. Also checks that every block goes back to the host.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "../fake_platform.h"
#include "tarn/environment.h"

using tarn::test::fake;

namespace {

void expect(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    tarn::test::reset_fake();
    const bool missing = in.ConsumeIntegralInRange(0, 15) == 0;

    // Entries hold any bytes but NUL and are never empty: an empty entry would end the block.
    std::string block, expected;
    while (in.remaining_bytes() > 0) {
        std::string entry = in.ConsumeRandomLengthString(512);
        entry = entry.substr(0, entry.find('\0'));
        if (entry.empty())
            continue;
        block += entry + '\0';
        expected += entry + '\n';
    }
    fake().raw_block = block;
    fake().environment_missing = missing;

    try {
        const tarn::tarnstr text = tarn::getenviron();
        expect(!missing);
        expect(text.str() == expected);
    } catch (const std::runtime_error& e) {
        expect(missing);
        expect(std::string(e.what()) == "Invalid environment string!");
    }
    expect(fake().blocks_given == fake().blocks_returned);
    return 0;
}
