// The rules that turn what the host states into what the process may use: pure arithmetic,
// compiled and tested on every target.
#ifndef TARN_CAPACITY_RULES_H
#define TARN_CAPACITY_RULES_H

#include <cstdint>
#include <vector>

#include "platform/platform.h"
#include "tarn/capacity.h"

namespace tarn::detail {

// The tightest CPU quota over cgroup levels, in processors; 0 when no level states a sensible
// one (a quota or period of 0 or below is none).
double lowest_quota(const std::vector<platform::cpu_quota>& levels);

// A Windows job's CPU rate cap in processors, from its control flags (JOB_OBJECT_CPU_RATE_*) and
// the union that holds its CpuRate, or its MinRate in the low word and its MaxRate in the high
// one, all in hundredths of a percent of the whole machine; 0 when the job caps nothing (no job,
// weight-based control, a minimum without a maximum).
double job_quota(std::uint32_t flags, std::uint32_t rates, unsigned machine_processors);

// A Windows job's memory limit from its limit flags (JOB_OBJECT_LIMIT_*) and its per-process and
// per-job limits: the lower of those the flags enable; 0 when none is.
std::uint64_t job_memory_limit(std::uint32_t flags, std::uint64_t process_limit,
                               std::uint64_t job_limit);

// The memory limit that binds: the tightest of the cgroup levels' and the job's (0 is none); 0
// when it is at or above the machine's memory, which it cannot bind (cgroup v1 writes
// 9223372036854771712 for none).
std::uint64_t memory_limit(const std::vector<std::uint64_t>& levels, std::uint64_t job_limit,
                           std::uint64_t machine_memory);

// The processors to keep busy: those allowed (else those online), capped by the quota rounded
// up; at least 1.
unsigned processors_to_use(unsigned allowed, unsigned online, double quota);

// Everything above, over the facts the host gave.
capacity decide_capacity(const platform::capacity_facts& facts);

// The bytes the process can still use now: the lowest of the machine's available memory and,
// under every limit below the machine's memory, the limit less what its level holds, the
// inactive file pages (which the kernel drops at once) not counted; each level's figure within
// 0..limit, and the whole limit where the usage is unknown. A Windows job's limits less the
// process's committed memory (no documented query gives the job's). 0 only where the host says
// nothing at all.
std::uint64_t decide_available_memory(const platform::memory_facts& facts);

} // namespace tarn::detail

#endif
