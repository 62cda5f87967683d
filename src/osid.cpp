// The identifiers of the build target.
#include "tarn/osid.h"

#include "target.h"

namespace tarn {

tarnstr getosname() { return tarnstr(detail::target_os); }

tarnstr getosid()
{
    tarnstr id = getosname();
    id + "-" + detail::target_arch_id;
    return id;
}

} // namespace tarn
