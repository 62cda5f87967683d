// /proc/self/mountinfo through the chunked reader, read twice as the library reads it: the
// process's cgroups (up to the first NUL), then mountinfo, whose last bytes choose where the reads
// cut it. However it is cut, the same mounts come out.
#include "fuzz.h"
#include "platform/lines.h"
#include "platform/linux_text.h"

namespace cg = tarn::detail::platform::cgroup;

namespace {

// The mounts chosen after `feed` gave the chooser its pieces, with the chains' directories.
template <class Feed> std::string chosen(const cg::membership& in, Feed feed)
{
    cg::mount_choice choice(in);
    for (const auto reading : {&cg::mount_choice::add_candidate, &cg::mount_choice::add_on_path}) {
        auto add = [&](std::string_view line) {
            (choice.*reading)(line);
            return true;
        };
        tarn::detail::platform::line_splitter<decltype(add)> lines(add);
        feed(lines);
        lines.finish();
    }
    std::string seen;
    for (const auto& [m, path] : {std::pair{choice.cpu(), &in.cpu}, {choice.memory(), &in.memory},
                                  {choice.unified(), &in.unified}}) {
        if (!m)
            continue;
        const std::string dir = cg::directory(*m, *path);
        FUZZ_CHECK(dir.size() <= m->point.size() + path->size() + 1);
        seen += m->root + '\n' + m->point + '\n' + dir + '\n';
    }
    return seen;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view input = fuzz::text(data, size);
    const cg::membership in = cg::parse_membership(fuzz::take_text(input));
    const std::string_view cuts = input.substr(input.size() - std::min<std::size_t>(input.size(), 8));
    const std::string whole = chosen(in, [&](auto& lines) { lines.feed(input); });
    const std::string cut = chosen(in, [&](auto& lines) {
        for (std::size_t at = 0, k = 0; at < input.size(); ++k) {
            const std::size_t n = cuts.empty() ? 1 : static_cast<std::uint8_t>(cuts[k % cuts.size()]) + 1u;
            lines.feed(input.substr(at, n));
            at += n;
        }
    });
    FUZZ_CHECK(whole == cut);
    return 0;
}
