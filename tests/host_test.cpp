// The environment, the host description and the carriers on the real host, and which heap serves
// the library's values.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <regex>
#include <thread>

#include "counting_heap.h"
#include "tarn/c.h"
#include "tarn/tarn.h"

#if defined(_WIN32)
#  include <windows.h>
#else
#  include <fcntl.h>
#  include <sys/utsname.h>
#  include <sys/wait.h>
#  include <unistd.h>
#endif

using namespace tarn;

static bool listed(const std::string& line)
{
    return ("\n" + getenviron().str()).find("\n" + line + "\n") != std::string::npos;
}

TEST(Environment, ValuesAreReadBackWholeAndListedUntilRemoved)
{
    std::string value;
    char fill = 'a';
    for (const std::size_t size : {0u, 1u, 20000u, 32766u, 32767u, 40000u, 1u << 20}) {
        putenvvar("TARN_TEST", std::string(size, ++fill));
        // Windows keeps no value longer than 32766 UTF-16 units: a longer one sets nothing.
        if (size <= 32766 || getosname() == "linux")
            value.assign(size, fill);
        EXPECT_TRUE(getenvvar("TARN_TEST") == value && listed("TARN_TEST=" + value)) << size;
        // An empty value right after a failed lookup, whose error the thread still holds.
        EXPECT_TRUE(!hasenvvar("TARN_UNSET") && hasenvvar("TARN_TEST")) << size;
        // Names as long: Windows keeps none longer than 32766 units either.
        const std::string name(std::min<std::size_t>(size, 40000), 'N');
        putenvvar(name, "v");
        EXPECT_EQ(hasenvvar(name), size && (size <= 32766 || getosname() == "linux")) << size;
        // A longer name names no variable, though Windows would cut it to this one.
        if (size == 32766) {
            const std::string longer(40000, 'N');
            unsetenvvar(longer);
            EXPECT_TRUE(!hasenvvar(longer) && getenvvar(longer).empty() && hasenvvar(name));
        }
        unsetenvvar(name);
    }
    unsetenvvar("TARN_TEST");
    EXPECT_FALSE(hasenvvar("TARN_TEST") || listed("TARN_TEST="));
    EXPECT_TRUE(getenvvar("TARN_TEST").empty());
}

TEST(Environment, NoNulByteOrEqualsSignReachesAnotherVariable)
{
    putenvvar("TARN_NUL", "kept");
    putenvvar("TARN_NUL", std::string("cut\0off", 7));
    putenvvar(std::string("TARN_NUL\0X", 10), "other");
    unsetenvvar(std::string("TARN_NUL\0X", 10));
    EXPECT_TRUE(getenvvar("TARN_NUL") == "kept" &&
                getenvvar(std::string("TARN_NUL\0X", 10)).empty());
    EXPECT_FALSE(hasenvvar(std::string("TARN_NUL\0X", 10)));
    putenvvar("TARN_EQ", "B=C"); // the entry "TARN_EQ=B=C" holds no variable "TARN_EQ=B"
    unsetenvvar("TARN_EQ=B");
    EXPECT_TRUE(getenvvar("TARN_EQ=B").empty() && !hasenvvar("TARN_EQ=B") && hasenvvar("TARN_EQ"));
    putenvvar("Q", "1"); // a name of one byte, and one that is the start of another
    EXPECT_TRUE(getenvvar("Q") == "1" && !hasenvvar("TARN_E") && !hasenvvar(""));
}

#if !defined(_WIN32)
TEST(Environment, ChildForkedWhileAnotherThreadIsInsideCanUseIt)
{
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer before LLVM 18 (gcc 12's, clang 14's) holds no lock of its allocator across
    // fork: a child can be born with it held by the other thread and hang in its first allocation
    // whatever the library does (seen: stuck in the allocator's size-class lock, 3 of 200 forks).
    GTEST_SKIP() << "the sanitizer's allocator is not fork-safe; the other builds run this";
#endif
    std::atomic<bool> stop{false};
    putenvvar("TARN_FORK", "1");
    // Long values: the lock is held most of the time, so most forks copy it held.
    std::thread inside([&] {
        const std::string one(1 << 20, '1'), two(1 << 20, '2');
        while (!stop)
            putenvvar("TARN_FORK", getenvvar("TARN_FORK") == one ? two : one);
    });
    int hung = 0, status = 0;
    for (int i = 0; i < 20; ++i) {
        if (const pid_t child = fork(); child == 0) {
            alarm(2); // a child stuck on a lock copied held ends here
            unsetenvvar("TARN_FORK");
            putenvvar("TARN_FORK", "child");
            _exit(hasenvvar("TARN_FORK") && getenvvar("TARN_FORK") == "child" &&
                          listed("TARN_FORK=child")
                      ? 0
                      : 1);
        } else {
            hung +=
                waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status);
        }
    }
    stop = true;
    inside.join();
    unsetenvvar("TARN_FORK"); // longer than a program started with it may take
    EXPECT_EQ(hung, 0) << "children that hung or failed, of 20";
}

TEST(Environment, ListingsHoldEveryVariableAndNothingElse)
{
    // clearenv() leaves environ null; execve passes an empty entry on, which is no variable.
    char a[] = "A=1", empty[] = "", b[] = "B=2";
    char* from_exec[] = {a, empty, b, nullptr};
    const std::pair<char**, std::string> rows[] = {{nullptr, ""}, {from_exec, "A=1\nB=2\n"}};
    char** const saved = environ;
    for (const auto& [entries, text] : rows) {
        environ = entries;
        char* listing = nullptr;
        std::size_t size = 0;
        EXPECT_EQ(getenviron().str(), text);
        EXPECT_EQ(getenvvar("B").str(), entries ? "2" : "");
        EXPECT_EQ(tarn_getenviron(&listing, &size), TARN_OK);
        std::replace(listing, listing + size, '\0', '\n');
        EXPECT_EQ(std::string(listing, size), text);
        tarn_free(listing);
    }
    environ = saved;
}
#endif

TEST(Directories, AskTheEnvironmentOfTheMomentAsTheHostReadsIt)
{
    // The process changes its environment: POSIX reads HOME and TMPDIR again at every call;
    // Windows never reads HOME, and its temporary folder follows TMP.
    const bool windows = getosname() == "winnt";
    const char* const temp_variable = windows ? "TMP" : "TMPDIR";
    const std::string home = getdirectory(directory::home).str(),
                      saved_home = getenvvar("HOME").str(),
                      saved_temp = getenvvar(temp_variable).str();
    const bool had_home = hasenvvar("HOME"), had_temp = hasenvvar(temp_variable);
    const std::pair<const char*, const char*> temps[] = {
        {"/tarn/tmp/", "/tarn/tmp"}, {"/", "/"}, {"C:\\tarn\\", "C:\\tarn"}, {"C:\\", "C:\\"}};
    for (const auto& [set, read] : temps) {
        if ((set[0] == '/') == windows)
            continue;
        putenvvar(temp_variable, set);
        EXPECT_EQ(getdirectory(directory::temp).str(), read);
    }
    // Threads that set HOME beside threads that ask: every answer is a value set whole.
    const char* rounds = std::getenv("TARN_CONCURRENCY_ROUNDS");
    std::atomic<int> odd{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t)
        workers.emplace_back([&, t, rounds = rounds ? std::atoi(rounds) : 200] {
            for (int i = 0; i < rounds; ++i) {
                if (t % 2) {
                    putenvvar("HOME", i % 2 ? "/tarn/a" : "/tarn/bbbbbbbbbbbbbbbbbbbbbbbbb/");
                    continue;
                }
                const std::string got = getdirectory(directory::home).str();
                odd += windows ? got != home
                               : got != "/tarn/a" && got != "/tarn/bbbbbbbbbbbbbbbbbbbbbbbbb" &&
                                     got != home;
            }
        });
    for (auto& w : workers)
        w.join();
    EXPECT_EQ(odd, 0);
    putenvvar("HOME", "/tarn/end//");
    EXPECT_EQ(getdirectory(directory::home).str(), windows ? home : "/tarn/end");
    had_home ? putenvvar("HOME", saved_home) : unsetenvvar("HOME");
    had_temp ? putenvvar(temp_variable, saved_temp) : unsetenvvar(temp_variable);
}

TEST(Directories, BothFacesGiveTheHostsAnswers)
{
    // Every folder, and the program's and the library's files: the C face as the C++ one.
    const auto from_c = [](auto call) {
        char* path = nullptr;
        size_t size = 0;
        const tarn_status status = call(&path, &size);
        const std::string text = status != TARN_OK ? "failed" : path ? std::string(path, size) : "";
        tarn_free(path);
        return text;
    };
    for (int which = TARN_DIRECTORY_HOME; which <= TARN_DIRECTORY_PUBLICSHARE; ++which)
        EXPECT_EQ(from_c([which](char** path, size_t* size) {
                      return tarn_getdirectory(which, path, size);
                  }),
                  getdirectory(static_cast<directory>(which)).str())
            << which;
    const std::string program = getexecutablepath().str(), library = getlibrarypath().str();
    EXPECT_EQ(from_c(tarn_getexecutablepath), program);
    EXPECT_EQ(from_c(tarn_getlibrarypath), library);
    // Both are there to find here, and the library is no file of the program's.
    EXPECT_TRUE(!program.empty() && !library.empty() && program != library)
        << program << ' ' << library;
}

TEST(Environment, ThreadsEachReadBackWhatTheyWrote)
{
    const char* rounds = std::getenv("TARN_CONCURRENCY_ROUNDS");
    std::atomic<int> mismatches{0}, writing{8};
    std::vector<std::thread> workers;
    for (char t = 'a'; t < 'i'; ++t) {
        workers.emplace_back([t, rounds = rounds ? std::atoi(rounds) : 200, &mismatches, &writing] {
            for (int i = 0; i < rounds; ++i) {
                // A new variable every round: the host grows its table under the other threads.
                const std::string name = "TARN_THREAD_" + std::to_string(i) + t,
                                  value(static_cast<std::size_t>(i % 97) + 1, t);
                putenvvar(name, value);
                mismatches += !(getenvvar(name) == value) + !listed(name + "=" + value);
            }
            --writing;
        });
    }
    // A reader that only reads, all the while, walking the whole table that the writers move.
    putenvvar("TARN_READER", "steady");
    workers.emplace_back([&] {
        for (int read = 1; writing > 0; ++read) {
            mismatches += !(getenvvar("TARN_READER") == "steady") + hasenvvar("TARN_UNSET");
            if (read % 64 == 0)
                std::this_thread::yield(); // room for the writers where threads take turns
        }
    });
    for (auto& w : workers)
        w.join();
    EXPECT_EQ(mismatches, 0);
}

#if defined(_WIN32)
// A character that the code page lacks must not come out as a look-alike from it: U+FF02 and
// U+2215 would read as '"' and '/', and under code page 932 the yen sign as '\'.
TEST(Environment, CharactersTheCodePageLacksReadAsQuestionMarks)
{
    if (const char* code_page = std::getenv("TARN_CODE_PAGE")) {
        ASSERT_EQ(GetACP(), std::strtoul(code_page, nullptr, 10)) << "the locale did not take";
    }
    SetEnvironmentVariableW(L"TARN_LOOK", L"\xFF02q\x2215s\x00E9\x00A5");
    const std::string value = getenvvar("TARN_LOOK").str();
    EXPECT_TRUE(value.find_first_of("\"/\\") == std::string::npos && listed("TARN_LOOK=" + value));
    // Names and values in the code page's own bytes pass unchanged: é, or 日 in Shift JIS.
    const std::string own = GetACP() == 932 ? "\x93\xFA" : "\xE9";
    putenvvar("TARN_" + own, own);
    EXPECT_TRUE(getenvvar("TARN_" + own) == own && listed("TARN_" + own + "=" + own));
    if (GetACP() == 1252) {
        EXPECT_EQ(value, "?q?s\xE9\xA5");
    }
}
#endif

TEST(SystemInfo, DescribesThisHostAndThisBuild)
{
    const system_info info;
    // The tests run on the processor they were built for (Wine and qemu-user report the one they
    // emulate).
    EXPECT_EQ(*info.arch(), *info.build_arch());
#if !defined(_WIN32)
    utsname host;
    char name[256] = {};
    ASSERT_TRUE(uname(&host) == 0 && gethostname(name, sizeof name - 1) == 0);
    EXPECT_EQ(*info.os() + " " + *info.release() + " " + *info.node_name(),
              std::string(host.sysname) + " " + host.release + " " + name);
    // The name as a shell that sources os-release sees it.
    std::FILE* shell =
        popen(". /etc/os-release 2>/dev/null || . /usr/lib/os-release; echo \"$PRETTY_NAME\"", "r");
    ASSERT_TRUE(shell && std::fgets(name, sizeof name, shell));
    pclose(shell);
    const std::string pretty = std::string(name, std::strlen(name) - 1);
    // With standard input closed, the file is read on descriptor 0, and then closed like any other.
    const int input = dup(0);
    close(0);
    EXPECT_EQ(*info.pretty_name(), pretty.empty() ? *info.os() + " " + *info.release() : pretty);
    EXPECT_EQ(fcntl(0, F_GETFD), -1);
    dup2(input, 0);
    close(input);
#endif
#if defined(_WIN32)
    const char* const target = "winnt winnt-amd64 winnt x86_64";
#elif defined(__aarch64__)
    const char* const target = "linux linux-arm64 linux arm64";
#elif defined(__arm__)
    const char* const target = "linux linux-arm linux arm";
#elif defined(__s390x__)
    const char* const target = "linux linux-s390x linux s390x";
#else
    const char* const target = "linux linux-amd64 linux x86_64";
#endif
    EXPECT_EQ(getosname().str() + " " + getosid().str() + " " + *info.build_os() + " " +
                  *info.build_arch(),
              target);
    EXPECT_TRUE(std::regex_match(*info.build_time() + " " + *info.build_date(),
                                 std::regex("([01][0-9]|2[0-3])(:[0-5][0-9]){2} "
                                            "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
                                            "( [1-9]|[12][0-9]|3[01]) [0-9]{4}")));
}

TEST(SafeReturn, EachCallCarriesItsOwnValueThatMovesButNeverCopies)
{
    using carrier = safe_return<std::string>;
    static_assert(!std::is_copy_constructible_v<carrier> && !std::is_copy_assignable_v<carrier>);
    const system_info info;
    carrier first = info.node_name(), second = info.node_name();
    const std::string* value = first.get();
    EXPECT_TRUE(value != second.get() && *first == *second);
    second = std::move(first);       // releases its own value and takes the other
    EXPECT_EQ(first.get(), nullptr); // and its end releases nothing
    EXPECT_EQ(&static_cast<const std::string&>(second), value);
}

// On Windows the program and libtarn.dll each carry their own C++ runtime: nothing the library
// makes or releases may touch the program's heap. On Linux one libstdc++ serves both.
TEST(Heap, LibraryValuesAreMadeAndReleasedByTheLibrarysRuntime)
{
    using test::heap;
    const system_info info;
    const std::string long_text(200, 'x');
    const long news = heap.news, deletes = heap.deletes;
    {
        tarnstr id = getosid();
        putenvvar("TARN_HEAP", id + long_text);
        const tarnstr value = getenvvar("TARN_HEAP"), all = getenviron();
        const auto os = info.os(), node = info.node_name();
    }
#if defined(_WIN32)
    EXPECT_EQ(heap.news - news + heap.deletes - deletes, 0) << "the DLL used the program's heap";
#else
    EXPECT_GT(heap.news - news, 0) << "expected one C++ runtime shared by program and library";
    EXPECT_EQ(heap.news - news, heap.deletes - deletes);
#endif
}
