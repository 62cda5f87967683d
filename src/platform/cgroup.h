// Linux control groups: where the process's cgroups are, and what CPU quota and memory limit
// each level of them states.
#ifndef TARN_PLATFORM_CGROUP_H
#define TARN_PLATFORM_CGROUP_H

#include "platform.h"

namespace tarn::detail::platform::cgroup {

// Adds the quota and the memory limit that each level of the process's cgroups states, from its
// own up to the root of the hierarchy it can see: cgroup v1 where a v1 hierarchy holds the
// controller, else v2. Throws only std::bad_alloc.
void read_cgroup_limits(capacity_facts& facts);

// Adds each level of the process's memory chain that states a limit below the machine's memory,
// with what it holds now. Throws only std::bad_alloc.
void read_cgroup_memory(memory_facts& facts);

} // namespace tarn::detail::platform::cgroup

#endif
