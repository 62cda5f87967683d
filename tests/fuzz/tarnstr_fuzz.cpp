// Fuzz target: random sequences of tarnstr operations beside a std::string model of each object,
// compared after every step.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "tarn/tarnstr.h"

namespace {

constexpr std::size_t slots = 4;
constexpr std::size_t longest = 1 << 16; // keeps doubling appends from running away

void expect(bool ok)
{
    if (!ok)
        std::abort();
}

// What a const char* holds: the text up to its first NUL.
std::string up_to_nul(const std::string& s) { return std::string(s.c_str()); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    std::optional<tarn::tarnstr> text[slots];
    std::string model[slots];
    for (auto& t : text)
        t.emplace();

    while (in.remaining_bytes() > 0) {
        const std::size_t a = in.ConsumeIntegralInRange<std::size_t>(0, slots - 1);
        const std::size_t b = in.ConsumeIntegralInRange<std::size_t>(0, slots - 1);
        const int op = in.ConsumeIntegralInRange(0, 13);
        const bool null = in.ConsumeBool();
        const std::string bytes = in.ConsumeRandomLengthString(256);
        const char* chars = null ? nullptr : bytes.c_str();
        const std::string as_chars = null ? std::string() : up_to_nul(bytes);
        tarn::tarnstr& t = *text[a];
        switch (op) {
        case 0:
            text[a].emplace(bytes);
            model[a] = bytes;
            break;
        case 1:
            text[a].emplace(chars);
            model[a] = as_chars;
            break;
        case 2: {
            const tarn::tarnstr source(*text[b]); // a may be b: copy before the slot is emptied
            text[a].emplace(source);
            model[a] = model[b];
            break;
        }
        case 3:
            text[a].reset();
            text[a].emplace();
            model[a].clear();
            break;
        case 4:
            expect(&(t = *text[b]) == &t);
            model[a] = model[b];
            break;
        case 5:
            expect(&(t = bytes) == &t);
            model[a] = bytes;
            break;
        case 6:
            expect(&(t = chars) == &t);
            model[a] = as_chars;
            break;
        case 7:
            expect(&(t + *text[b]) == &t);
            model[a] += model[b];
            break;
        case 8:
            expect(&(t + bytes) == &t);
            model[a] += bytes;
            break;
        case 9:
            expect(&(t + chars) == &t);
            model[a] += as_chars;
            break;
        case 10: expect((t == *text[b]) == (model[a] == model[b])); break;
        case 11: expect((t == bytes) == (model[a] == bytes)); break;
        case 12: expect((t == chars) == (model[a] == as_chars)); break;
        default: {
            const std::string& held = t.str(); // the reference sees later changes
            t + "!";
            model[a] += "!";
            expect(&held == &t.str());
        }
        }
        for (std::size_t i = 0; i < slots; ++i) {
            expect(text[i]->str() == model[i]);
            expect(text[i]->empty() == model[i].empty());
            if (model[i].size() > longest) {
                text[i].emplace();
                model[i].clear();
            }
        }
    }
    return 0;
}
