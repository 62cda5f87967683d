// /proc/meminfo's available memory, and the rule over the chain's limits and usage: what is left
// is never more than the machine's, nor than any limit that binds.
#include "capacity_rules.h"
#include "fuzz.h"
#include "platform/linux_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view input = fuzz::text(data, size);
    std::uint64_t bytes;
    if (tarn::detail::platform::meminfo_bytes(input, "MemAvailable", bytes))
        FUZZ_CHECK(bytes % 1024 == 0 && input.find("MemAvailable:") != input.npos);
    tarn::detail::platform::memory_facts facts;
    facts.machine_memory = fuzz::take<std::uint64_t>(input);
    facts.machine_available = fuzz::take<std::uint64_t>(input);
    facts.job_limit_flags = fuzz::take<std::uint32_t>(input);
    facts.job_process_memory = fuzz::take<std::uint64_t>(input);
    facts.job_memory = fuzz::take<std::uint64_t>(input);
    facts.process_commit = fuzz::take<std::uint64_t>(input);
    while (!input.empty()) {
        tarn::detail::platform::memory_level level;
        level.limit = fuzz::take<std::uint64_t>(input);
        level.usage_known = fuzz::take<std::uint8_t>(input) & 1;
        level.usage = fuzz::take<std::uint64_t>(input);
        level.inactive_file = fuzz::take<std::uint64_t>(input);
        facts.levels.push_back(level);
    }
    const std::uint64_t left = tarn::detail::decide_available_memory(facts);
    const auto binds = [&](std::uint64_t limit) {
        return limit && (!facts.machine_memory || limit < facts.machine_memory);
    };
    FUZZ_CHECK(!facts.machine_available || left <= facts.machine_available);
    for (const auto& level : facts.levels)
        FUZZ_CHECK(!binds(level.limit) || left <= level.limit);
    FUZZ_CHECK(!(facts.job_limit_flags & 0x100) || !binds(facts.job_process_memory) ||
               left <= facts.job_process_memory);
    return 0;
}
