// The fuzz targets' corpora replayed without libFuzzer, in every build: each file of each target's
// corpus once, so that what the fuzzer found stays found on every target.
//   fuzz_corpora CORPUS_FOLDER
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#define FUZZ_TARGET(name) extern "C" int name##_one_input(const std::uint8_t*, std::size_t);
TARN_FUZZ_TARGETS
#undef FUZZ_TARGET

int main(int argc, char** argv)
{
    using one_input = int (*)(const std::uint8_t*, std::size_t);
    const struct {
        const char* name;
        one_input run;
    } targets[] = {
#define FUZZ_TARGET(name) {#name, name##_one_input},
        TARN_FUZZ_TARGETS
#undef FUZZ_TARGET
    };
    if (argc != 2)
        return 2;
    int empty = 0;
    for (const auto& target : targets) {
        int replayed = 0;
        for (const auto& entry : std::filesystem::directory_iterator(
                 std::filesystem::path(argv[1]) / target.name)) {
            std::ifstream in(entry.path(), std::ios::binary);
            const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
            target.run(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
            ++replayed;
        }
        std::printf("%d inputs of %s replayed\n", replayed, target.name);
        empty += !replayed;
    }
    return empty;
}
