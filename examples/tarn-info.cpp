// tarn-info: prints what libtarn knows about the target, the host, what this process may use, the
// library's build and the environment.
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <iterator>
#include <utility>

#include "tarn/c.h"
#include "tarn/tarn.h"

#if defined(_WIN32)
#  include <windows.h>
#endif

namespace {

const char usage_text[] =
    "usage: tarn-info            the target, the host, what this process may use, the build\n"
    "       tarn-info --json     the same as one JSON object\n"
    "       tarn-info --env      the whole environment\n"
    "       tarn-info --get NAME one environment variable\n"
    "       tarn-info --has NAME whether it is set (exit status 0 when it is, 1 when not)\n"
    "       tarn-info --machine-id APP\n"
    "                            this machine's id for the application APP (1 when none)\n"
    "       tarn-info --directory NAME\n"
    "                            where programs keep their files: home, config, data, cache,\n"
    "                            state, runtime or temp; where the user keeps theirs: desktop,\n"
    "                            documents, downloads, music, pictures, videos, templates or\n"
    "                            publicshare (1 when the host has none)\n"
    "       tarn-info --version  the version of libtarn\n"
    "       tarn-info --help     this text\n";

// A number of bytes as a person reads it: "512 MiB", "23.5 GiB".
std::string bytes(unsigned long long count)
{
    const char* const units[] = {"B", "KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    int unit = 0;
    double value = static_cast<double>(count);
    for (; value >= 1023.95 && unit < 6; ++unit) // what "%.1f" would show as 1024.0 steps up
        value /= 1024;
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    std::string shown = text;
    if (shown.size() > 2 && shown.compare(shown.size() - 2, 2, ".0") == 0)
        shown.resize(shown.size() - 2);
    return shown + ' ' + units[unit];
}

std::string processors(const tarn::capacity& c)
{
    char text[96];
    if (c.processor_quota > 0)
        std::snprintf(text, sizeof text, "%u (quota %g of %u online)", c.processors,
                      c.processor_quota, c.machine_processors);
    else if (c.processors < c.machine_processors)
        std::snprintf(text, sizeof text, "%u (of %u online)", c.processors, c.machine_processors);
    else
        std::snprintf(text, sizeof text, "%u", c.processors);
    return text;
}

// "512 MiB (limit; machine 23.5 GiB), 301 MiB available"
std::string memory(const tarn::capacity& c, unsigned long long available)
{
    return (c.memory_limit ? bytes(c.memory) + " (limit; machine " + bytes(c.machine_memory) + ")"
                           : bytes(c.memory)) +
           ", " + bytes(available) + " available";
}

// The folders a program and its user keep their files in, by the names the command line and
// JSON use.
const std::pair<const char*, tarn::directory> directories[] = {
    {"home", tarn::directory::home},
    {"config", tarn::directory::config},
    {"data", tarn::directory::data},
    {"cache", tarn::directory::cache},
    {"state", tarn::directory::state},
    {"runtime", tarn::directory::runtime},
    {"temp", tarn::directory::temp},
    {"desktop", tarn::directory::desktop},
    {"documents", tarn::directory::documents},
    {"downloads", tarn::directory::downloads},
    {"music", tarn::directory::music},
    {"pictures", tarn::directory::pictures},
    {"videos", tarn::directory::videos},
    {"templates", tarn::directory::templates},
    {"publicshare", tarn::directory::publicshare}};

// The program's own file and the library's, by the names of their lines and JSON keys.
const std::pair<const char*, tarn::tarnstr (*)()> program_files[] = {
    {"executable", tarn::getexecutablepath}, {"library", tarn::getlibrarypath}};

// "debian 12 (like: ...)": the parts the host has; "(none)" where it has no valid id.
std::string product(const tarn::system_info& info)
{
    std::string text = info.product_id()->empty() ? "(none)" : *info.product_id();
    if (!info.product_version()->empty())
        text += ' ' + *info.product_version();
    if (!info.product_like()->empty())
        text += " (like: " + *info.product_like() + ')';
    return text;
}

void print_description()
{
    const tarn::system_info info;
    const tarn::capacity capacity = tarn::getcapacity();
    const auto line = [](const char* label, const std::string& value) {
        std::cout << label << value << '\n';
    };
    line("target:     ", tarn::getosid().str());
    line("os:         ", info.os());
    line("pretty:     ", info.pretty_name());
    line("product:    ", product(info));
    line("arch:       ", info.arch());
    line("version:    ", info.version());
    line("release:    ", info.release());
    line("node name:  ", info.node_name());
    line("processors: ", processors(capacity));
    line("memory:     ", memory(capacity, tarn::getavailablememory()));
    // "name:" and the path from the 13th column on, or "(none)"
    const auto path_line = [](const char* name, const tarn::tarnstr& path) {
        std::cout << name << ':'
                  << std::string(std::max<std::size_t>(1, 11 - std::strlen(name)), ' ')
                  << (path.empty() ? "(none)" : path.str()) << '\n';
    };
    for (const auto& [name, which] : directories)
        path_line(name, tarn::getdirectory(which));
    for (const auto& [name, find] : program_files)
        path_line(name, find());
    line("build os:   ", info.build_os());
    line("build arch: ", info.build_arch());
    line("built:      ", *info.build_date() + ' ' + *info.build_time());
}

// The length of the valid UTF-8 sequence at `text[i]`, or 0 when the byte there starts none
// (a stray continuation byte, an overlong form, a surrogate, a cut sequence, beyond U+10FFFF).
std::size_t utf8_length(const std::string& text, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    const std::size_t length = lead < 0x80   ? 1
                               : lead < 0xC2 ? 0
                               : lead < 0xE0 ? 2
                               : lead < 0xF0 ? 3
                               : lead < 0xF5 ? 4
                                             : 0;
    if (length < 2)
        return length;
    if (i + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k)
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
    const unsigned char next = byte(i + 1);
    const bool out_of_range = (lead == 0xE0 && next < 0xA0) || (lead == 0xED && next > 0x9F) ||
                              (lead == 0xF0 && next < 0x90) || (lead == 0xF4 && next > 0x8F);
    return out_of_range ? 0 : length;
}

#if defined(_WIN32)
// The library's texts on Windows are in the ANSI code page, as the A calls' are: UTF-8 by way of
// UTF-16.
std::string utf8_from_ansi(const std::string& ansi)
{
    const int size = static_cast<int>(ansi.size());
    const int units = size ? MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, nullptr, 0) : 0;
    std::wstring wide(static_cast<std::size_t>(units > 0 ? units : 0), L'\0');
    if (units > 0)
        MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, &wide[0], units);
    const int bytes = units > 0 ? WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, nullptr, 0,
                                                      nullptr, nullptr)
                                : 0;
    std::string utf8(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, &utf8[0], bytes, nullptr, nullptr);
    return utf8;
}
#endif

// A JSON string of the host's bytes: quotes, backslashes and control characters escaped, and a
// byte that is not valid UTF-8 written as U+FFFD, so that the output always parses.
std::string json_string(const std::string& host_text)
{
#if defined(_WIN32)
    const std::string text = utf8_from_ansi(host_text);
#else
    const std::string& text = host_text;
#endif
    std::string json = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = utf8_length(text, i);
        const char c = text[i];
        if (length == 0) {
            json += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            json += escaped;
        } else {
            json.append(text, i, length);
        }
        i += length;
    }
    return json + '"';
}

// A number as JSON writes it, in the fewest digits that read back the same.
template <class Number> std::string json_number(Number number)
{
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, number).ptr);
}

void print_json()
{
    const tarn::system_info info;
    const tarn::capacity c = tarn::getcapacity();
    const auto text = [](const std::string& value) { return json_string(value); };
    std::cout << "{\"target\":" << text(tarn::getosid().str()) << ",\"os\":" << text(info.os())
              << ",\"pretty_name\":" << text(info.pretty_name())
              << ",\"product_id\":" << text(info.product_id())
              << ",\"product_version\":" << text(info.product_version())
              << ",\"product_like\":" << text(info.product_like())
              << ",\"arch\":" << text(info.arch()) << ",\"version\":" << text(info.version())
              << ",\"release\":" << text(info.release())
              << ",\"node_name\":" << text(info.node_name())
              << ",\"build\":{\"os\":" << text(info.build_os())
              << ",\"arch\":" << text(info.build_arch()) << ",\"time\":" << text(info.build_time())
              << ",\"date\":" << text(info.build_date())
              << "},\"capacity\":{\"processors\":" << json_number(c.processors)
              << ",\"machine_processors\":" << json_number(c.machine_processors)
              << ",\"processor_quota\":" << json_number(c.processor_quota)
              << ",\"memory\":" << json_number(c.memory)
              << ",\"machine_memory\":" << json_number(c.machine_memory)
              << ",\"memory_limit\":" << json_number(c.memory_limit)
              << ",\"available_memory\":" << json_number(tarn::getavailablememory())
              << "},\"directories\":{";
    const auto path = [&](const tarn::tarnstr& found) {
        return found.empty() ? std::string("null") : text(found.str());
    };
    for (const auto& [name, which] : directories)
        std::cout << (which == tarn::directory::home ? "\"" : ",\"") << name
                  << "\":" << path(tarn::getdirectory(which));
    std::cout << '}';
    for (const auto& [name, find] : program_files)
        std::cout << ",\"" << name << "\":" << path(find());
    std::cout << "}\n";
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
#if defined(SIGPIPE)
    // A reader that has gone away is such a failure too: heard as EPIPE, not as a silent death.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    try {
        if (argc == 1)
            print_description();
        else if (argc == 2 && is(argv[1], "--json"))
            print_json();
        else if (argc == 2 && is(argv[1], "--env"))
            std::cout << tarn::getenviron();
        else if (argc == 3 && is(argv[1], "--get"))
            std::cout << tarn::getenvvar(argv[2]) << '\n';
        else if (argc == 3 && is(argv[1], "--has"))
            return tarn::hasenvvar(argv[2]) ? 0 : 1;
        else if (argc == 3 && is(argv[1], "--machine-id")) {
            const tarn::tarnstr id = tarn::getmachineid(argv[2]);
            if (id.empty())
                return 1;
            std::cout << id << '\n';
        } else if (argc == 3 && is(argv[1], "--directory")) {
            const auto* end = std::end(directories);
            const auto* found = std::find_if(std::begin(directories), end,
                                             [&](const auto& d) { return is(argv[2], d.first); });
            if (found == end) {
                std::cerr << "tarn-info: no directory named '" << argv[2] << "'; the names are:";
                for (const auto& d : directories)
                    std::cerr << ' ' << d.first;
                std::cerr << '\n';
                return 2;
            }
            const tarn::tarnstr path = tarn::getdirectory(found->second);
            if (path.empty())
                return 1;
            std::cout << path << '\n';
        } else if (argc == 2 && is(argv[1], "--version"))
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
