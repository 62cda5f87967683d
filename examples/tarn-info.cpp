// tarn-info: prints what libtarn knows about the target, the host, its build and the environment.
#include <cerrno>
#include <cstring>
#include <exception>
#include <iostream>

#include "tarn/c.h"
#include "tarn/tarn.h"

namespace {

const char usage_text[] =
    "usage: tarn-info            the target, the host and the build\n"
    "       tarn-info --env      the whole environment\n"
    "       tarn-info --get NAME one environment variable\n"
    "       tarn-info --has NAME whether it is set (exit status 0 when it is, 1 when not)\n"
    "       tarn-info --version  the version of libtarn\n"
    "       tarn-info --help     this text\n";

void print_description()
{
    const tarn::system_info info;
    const auto line = [](const char* label, const tarn::safe_return<std::string>& value) {
        std::cout << label << *value << '\n';
    };
    std::cout << "target:     " << tarn::getosid() << '\n';
    line("os:         ", info.os());
    line("pretty:     ", info.pretty_name());
    line("arch:       ", info.arch());
    line("version:    ", info.version());
    line("release:    ", info.release());
    line("node name:  ", info.node_name());
    line("build os:   ", info.build_os());
    line("build arch: ", info.build_arch());
    std::cout << "built:      " << *info.build_date() << ' ' << *info.build_time() << '\n';
}

// The version of the library that was loaded, which may be newer than the one built against.
void print_version()
{
    const unsigned v = tarn_version();
    std::cout << "tarn-info (libtarn) " << v / 10000 << '.' << v / 100 % 100 << '.' << v % 100
              << '\n';
}

bool is(const char* argument, const char* option) { return !std::strcmp(argument, option); }

} // namespace

int main(int argc, char** argv)
{
    // A write that fails (standard output closed, a full disk) throws at once, while errno still
    // says why: the output is lost, and the caller must hear of it.
    std::cout.exceptions(std::ios::badbit);
    try {
        if (argc == 1)
            print_description();
        else if (argc == 2 && is(argv[1], "--env"))
            std::cout << tarn::getenviron();
        else if (argc == 3 && is(argv[1], "--get"))
            std::cout << tarn::getenvvar(argv[2]) << '\n';
        else if (argc == 3 && is(argv[1], "--has"))
            return tarn::hasenvvar(argv[2]) ? 0 : 1;
        else if (argc == 2 && is(argv[1], "--version"))
            print_version();
        else if (argc == 2 && is(argv[1], "--help"))
            std::cout << usage_text;
        else {
            std::cerr << usage_text;
            return 2;
        }
        std::cout.flush();
    } catch (const std::ios_base::failure&) {
        const int error = errno;
        std::cout.exceptions(std::ios::goodbit); // std::cerr flushes std::cout before it writes
        std::cerr << "tarn-info: cannot write to standard output: " << std::strerror(error) << '\n';
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "tarn-info: " << e.what() << '\n';
        return 2;
    }
    return 0;
}
