// The library's own way into a tarnstr it is about to return.
#ifndef TARN_TARNSTR_ACCESS_H
#define TARN_TARNSTR_ACCESS_H

#include <string>

#include "tarn/tarnstr.h"

namespace tarn::detail {

struct tarnstr_access {
    // The string that `s` holds, so that a result is filled in place rather than copied into it.
    static std::string& text(tarnstr& s) { return *s.text; }
};

} // namespace tarn::detail

#endif
