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

} // namespace detail

capacity getcapacity() noexcept
{
    capacity measured;
    detail::measure_capacity(measured);
    return measured;
}

} // namespace tarn
