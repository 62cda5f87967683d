// tarn::getcapacity: what the process may use, asked of the host on every call.
#include "tarn/capacity.h"

#include "capacity_rules.h"
#include "core.h"

namespace tarn {

namespace detail {

bool measure_capacity(capacity& measured) noexcept
{
    platform::capacity_facts facts;
    bool complete = true;
    try {
        platform::read_capacity(facts);
    } catch (...) { // storage ran out: the machine's figures and the affinity are in
        facts.quotas.clear();
        facts.memory_limits.clear();
        complete = false;
    }
    measured = decide_capacity(facts);
    return complete;
}

bool measure_available_memory(unsigned long long& bytes) noexcept
{
    platform::memory_facts facts;
    bool complete = true;
    try {
        platform::read_memory(facts);
    } catch (...) { // storage ran out: the machine's figures are in
        facts.levels.clear();
        complete = false;
    }
    bytes = decide_available_memory(facts);
    return complete;
}

} // namespace detail

capacity getcapacity() noexcept
{
    capacity measured;
    detail::measure_capacity(measured);
    return measured;
}

unsigned long long getavailablememory() noexcept
{
    unsigned long long bytes;
    detail::measure_available_memory(bytes);
    return bytes;
}

} // namespace tarn
