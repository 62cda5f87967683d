// os-release as an image builder wrote it: the pretty name and the product's ids.
#include "fuzz.h"
#include "naming.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text = fuzz::text(data, size);
    bool set = false;
    const std::string pretty = tarn::detail::os_release_value(text, "PRETTY_NAME", &set);
    FUZZ_CHECK(pretty.size() <= size && (set || pretty.empty()));
    const auto ids = tarn::detail::os_release_product(text, true);
    for (const std::string* word : {&ids.id, &ids.version, &ids.like}) {
        FUZZ_CHECK(word->size() <= size || *word == "linux");
        for (const char c : *word)
            FUZZ_CHECK((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || c == '.' || c == '_' ||
                       c == '-' || (c == ' ' && word == &ids.like));
    }
    // Spaces only between ID_LIKE's words, one each.
    FUZZ_CHECK(ids.like.empty() ||
               (ids.like.front() != ' ' && ids.like.back() != ' ' && ids.like.find("  ") == ids.like.npos));
    return 0;
}
