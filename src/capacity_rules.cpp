// The rules of what the process may use.
#include "capacity_rules.h"

#include <algorithm>
#include <bitset>
#include <cmath>

namespace tarn::detail {

namespace {

// The tighter of two quotas or limits, 0 being none.
template <class T> T tighter(T a, T b) { return a == 0 ? b : b == 0 ? a : std::min(a, b); }

// JOB_OBJECT_CPU_RATE_CONTROL_*: the job's CPU rate control is on, and what kind it is.
constexpr std::uint32_t rate_enable = 0x1, rate_hard_cap = 0x4, rate_min_max = 0x10;
// JOB_OBJECT_LIMIT_PROCESS_MEMORY and JOB_OBJECT_LIMIT_JOB_MEMORY.
constexpr std::uint32_t limit_process_memory = 0x100, limit_job_memory = 0x200;

unsigned allowed_processors(const platform::capacity_facts& f)
{
    // Windows spreads a process over processor groups on machines with more than 64 processors,
    // and its mask speaks of one group only: in several, every processor online is the process's.
    if (f.processor_groups > 1)
        return f.machine_processors;
    return f.group_mask ? static_cast<unsigned>(std::bitset<64>(f.group_mask).count())
                        : f.allowed_processors;
}

} // namespace

double lowest_quota(const std::vector<platform::cpu_quota>& levels)
{
    double lowest = 0;
    for (const auto& level : levels)
        if (level.quota > 0 && level.period > 0)
            lowest = tighter(lowest,
                             static_cast<double>(level.quota) / static_cast<double>(level.period));
    return lowest;
}

double job_quota(std::uint32_t flags, std::uint32_t rates, unsigned machine_processors)
{
    if (!(flags & rate_enable))
        return 0;
    // A rate is 1 to 10000, hundredths of a percent; any other caps nothing.
    const std::uint32_t rate = flags & rate_hard_cap  ? rates
                               : flags & rate_min_max ? rates >> 16
                                                      : 0;
    return rate <= 10000 ? rate * static_cast<double>(machine_processors) / 10000 : 0;
}

std::uint64_t job_memory_limit(std::uint32_t flags, std::uint64_t process_limit,
                               std::uint64_t job_limit)
{
    return tighter<std::uint64_t>(flags & limit_process_memory ? process_limit : 0,
                                  flags & limit_job_memory ? job_limit : 0);
}

std::uint64_t memory_limit(const std::vector<std::uint64_t>& levels, std::uint64_t job_limit,
                           std::uint64_t machine_memory)
{
    std::uint64_t lowest = job_limit;
    for (const std::uint64_t limit : levels)
        lowest = tighter(lowest, limit);
    return machine_memory && lowest >= machine_memory ? 0 : lowest;
}

unsigned processors_to_use(unsigned allowed, unsigned online, double quota)
{
    unsigned processors = allowed ? allowed : online;
    if (quota > 0 && quota < processors)
        processors = static_cast<unsigned>(std::ceil(quota));
    return std::max(processors, 1u);
}

capacity decide_capacity(const platform::capacity_facts& f)
{
    capacity c{};
    const unsigned allowed = allowed_processors(f);
    // No process runs on more processors than are online: a count below what the affinity allows
    // is wrong (LXCFS's view of the processors online has read "0").
    c.machine_processors = std::max(f.machine_processors, allowed);
    c.processor_quota = tighter(lowest_quota(f.quotas),
                                job_quota(f.job_cpu_flags, f.job_cpu_rate, c.machine_processors));
    c.processors = processors_to_use(allowed, c.machine_processors, c.processor_quota);
    c.machine_memory = f.machine_memory;
    c.memory_limit = memory_limit(
        f.memory_limits, job_memory_limit(f.job_limit_flags, f.job_process_memory, f.job_memory),
        f.machine_memory);
    c.memory = c.memory_limit ? c.memory_limit : c.machine_memory;
    return c;
}

std::uint64_t decide_available_memory(const platform::memory_facts& f)
{
    bool known = f.machine_available != 0;
    std::uint64_t lowest = f.machine_available;
    // What is left of `limit` once `used` is taken, within 0..limit, for a limit that binds.
    const auto under = [&](std::uint64_t limit, std::uint64_t used) {
        if (!limit || (f.machine_memory && limit >= f.machine_memory))
            return;
        const std::uint64_t left = used < limit ? limit - used : 0;
        lowest = known ? std::min(lowest, left) : left;
        known = true;
    };
    for (const platform::memory_level& level : f.levels)
        under(level.limit,
              level.usage_known ? level.usage - std::min(level.inactive_file, level.usage) : 0);
    if (f.job_limit_flags & limit_process_memory)
        under(f.job_process_memory, f.process_commit);
    if (f.job_limit_flags & limit_job_memory)
        under(f.job_memory, f.process_commit);
    return lowest;
}

} // namespace tarn::detail
