// Compiled, not run: which forms of new a caller can use on tarnstr.
#include "tarn/tarnstr.h"

void place_on_heap()
{
#if defined(CASE_single)
    delete new tarn::tarnstr("x");
#elif defined(CASE_array)
    delete[] new tarn::tarnstr[2];
#elif defined(CASE_global)
    ::delete ::new tarn::tarnstr("x");
#endif
}
