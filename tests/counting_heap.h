// The test programs replace the global allocation functions: what they hand out is counted, and a
// countdown can make them fail, so tests see which heap serves the library and what a failure
// leaves behind.
#ifndef TARN_TESTS_COUNTING_HEAP_H
#define TARN_TESTS_COUNTING_HEAP_H

#include <atomic>

namespace tarn::test {

struct heap_state {
    std::atomic<long> news{0}, deletes{0}; // counted allocations, and counted blocks returned
    long fail_at = 0,
         seen = 0;           // when fail_at is k, the k-th counted allocation from seen = 0 fails
    bool fail_later = false; // and with this, every one after it too
};
extern heap_state heap;

// While one lives, the calling thread's allocations belong to the host: neither counted nor failed.
struct host_scope {
    host_scope();
    ~host_scope();
};

} // namespace tarn::test

#endif
