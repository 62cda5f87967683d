// A program built against an installed libtarn.
#include <tarn/tarn.h>

#include <iostream>

int main()
{
    tarn::putenvvar("TARN_CONSUMER", "installed");
    const tarn::system_info info;
    std::cout << tarn::getosid() << ' ' << tarn::getenvvar("TARN_CONSUMER") << ' '
              << *info.build_os() << '\n';
    return tarn::getenvvar("TARN_CONSUMER") == "installed" ? 0 : 1;
}
