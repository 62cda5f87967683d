// Identifiers of the target the library was built for.
#ifndef TARN_OSID_H
#define TARN_OSID_H

#include "tarn/export.h"
#include "tarn/tarnstr.h"

namespace tarn {

// The OS family of the build target: "winnt", "linux", ... A constant of the build; asks the host
// nothing. Throws only std::bad_alloc. Safe from any thread.
TARN_API tarnstr getosname();

// The OS family, a hyphen and the processor word: "winnt-amd64", "linux-amd64", "linux-arm64".
// Throws only std::bad_alloc. Safe from any thread.
TARN_API tarnstr getosid();

} // namespace tarn

#endif
