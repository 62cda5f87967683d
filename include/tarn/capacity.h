// What this process may use: processors and memory, as the host's limits allow (since 1.3).
#ifndef TARN_CAPACITY_H
#define TARN_CAPACITY_H

#include "tarn/export.h"

namespace tarn {

// Inside a container or a Windows job, the machine's figures overstate what a process may use:
// the kernel holds it to a CPU quota and a memory limit of its cgroup (Linux) or job (Windows).
// These are the figures to size by.
//
// - processors: how many threads to keep busy (a pool of busy threads): the processors the
//   affinity allows, capped by the CPU quota rounded up (a quota of 1.5 processors gives 2, one
//   of 0.25 gives 1), never below 1. On Linux the affinity is the calling thread's (there is no
//   process-wide one; new threads inherit their creator's); on Windows the process's.
// - processor_quota: the CPU quota itself, in processors (0.5, 1.5), for a caller that rounds
//   its own way; 0 when there is none.
// - memory: the bytes the process may use, for a cache's ceiling: the lower of the machine's
//   physical memory and the limit.
// - memory_limit: the memory limit on the cgroup or job, in bytes; 0 when there is none. It is
//   the hard limit (cgroup v2's memory.max, v1's memory.limit_in_bytes), which the kernel never
//   lets the cgroup pass; soft limits are not limits here.
//
// A quota or a limit is the lowest over the whole chain: the process's own cgroup and every one
// above it, up to and including the root of the hierarchy the process can see (a parent's quota
// binds its children; in a cgroup namespace that root is the container's own cgroup); on Windows
// the job's CPU rate cap and its memory limits, per process and per job. What cannot be read, or
// reads as nonsense, is no limit at that level; a memory limit at or above the machine's memory is
// no limit. The machine's processors online are never fewer than the affinity allows (a view of
// them that says so, as LXCFS's has, is wrong).
struct capacity {
    unsigned processors;         // to size a pool of busy threads by; at least 1
    unsigned machine_processors; // logical processors online in the machine
    double processor_quota;      // the CPU quota in processors (0.5, 1.5); 0 when there is none
    unsigned long long memory;   // bytes the process may use: the lower of the two below
    unsigned long long machine_memory; // physical memory of the machine, in bytes
    unsigned long long memory_limit;   // the limit on the cgroup or job, in bytes; 0 when none
};

// Asks the host on every call (a quota may change while the process runs); keeps nothing. Never
// throws: should storage run out while the limits are read, the figures leave the limits out.
// Safe from any thread.
TARN_API capacity getcapacity() noexcept;

// The bytes this process can still use now (since 1.4): what is free under every limit that
// binds it, for a decision made now (how much to load before a large allocation, how big the
// next batch). Inside a container the machine's free memory is the host's and the container's
// usage counts page cache the kernel drops at once; this is the lowest of the machine's
// available memory and, at every level of the chain that has a memory limit, the limit less what
// the level holds without its inactive file pages, each within 0..limit (a level whose usage
// cannot be read counts its whole limit). On cgroup v2 a level's limit here is the lower of
// memory.max and memory.high: above memory.high the kernel throttles the cgroup and reclaims
// from it hard (Kubernetes' memory QoS writes it), so that is where the room ends. On Windows, the
// job's limits less the process's committed memory. `capacity::memory` is the ceiling, for sizing a
// cache once; this figure changes from moment to moment. Asks the host on every call; never throws
// (should storage run out, the machine's available memory). Safe from any thread.
TARN_API unsigned long long getavailablememory() noexcept;

} // namespace tarn

#endif
