// One call of the library between two marks on standard error, for strace to count the files it
// opens (scripts/performance.sh):   one_call capacity|available
#include <cstdio>
#include <cstring>

#include "tarn/capacity.h"

int main(int argc, char** argv)
{
    const bool available = argc > 1 && !std::strcmp(argv[1], "available");
    tarn::getcapacity(); // the library loaded and its first call made
    std::fputs("--\n", stderr);
    if (available)
        tarn::getavailablememory();
    else
        tarn::getcapacity();
    std::fputs("--\n", stderr);
}
