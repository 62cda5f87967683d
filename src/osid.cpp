// The identifiers of the build target.
#include "tarn/osid.h"

#include "target.h"

namespace tarn {

tarnstr getosname() { return tarnstr(detail::target_os); }
tarnstr getosid() { return tarnstr(detail::target_id); }

} // namespace tarn
