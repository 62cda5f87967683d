// Test helper: writes the whole environment as libtarn lists it.
#include <cstdio>

#include "tarn/environment.h"

int main()
{
    const tarn::tarnstr environment = tarn::getenviron();
    const std::string& text = environment.str();
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() ? 0 : 1;
}
