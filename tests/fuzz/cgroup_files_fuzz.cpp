// A cgroup's limit, usage and memory.stat files as a container runtime leaves them, the kernel's
// list of processors online, and a line of a process's memory map.
#include "capacity_rules.h"
#include "fuzz.h"
#include "platform/linux_text.h"

namespace cg = tarn::detail::platform::cgroup;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text = fuzz::text(data, size);
    const std::string_view line = text.substr(0, text.size() - (!text.empty() && text.back() == '\n'));
    const bool digits = !line.empty() && line.find_first_not_of("0123456789") == line.npos;
    std::uint64_t limit;
    std::int64_t quota;
    if (cg::parse_number(text, limit))
        FUZZ_CHECK(digits);
    if (cg::parse_number(text, quota))
        FUZZ_CHECK(line.find_first_not_of("-0123456789") == line.npos);
    tarn::detail::platform::cpu_quota max;
    if (cg::parse_cpu_max(text, max))
        FUZZ_CHECK(tarn::detail::lowest_quota({max}) >= 0);
    std::uint64_t pages;
    if (cg::stat_value(text, "inactive_file", pages))
        FUZZ_CHECK(text.substr(0, 14) == "inactive_file " || text.find("\ninactive_file ") != text.npos);
    const unsigned processors = tarn::detail::platform::count_processor_list(text);
    FUZZ_CHECK(!processors || line.find_first_not_of("0123456789,-") == line.npos);
    tarn::detail::platform::mapping mapped;
    if (tarn::detail::platform::parse_mapping(line, mapped))
        FUZZ_CHECK(mapped.path.size() <= line.size() && line.find('-') < line.find(' '));
    return 0;
}
