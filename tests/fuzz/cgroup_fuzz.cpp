// /proc/self/cgroup, as the kernel writes it or as anyone who binds over it does.
#include "fuzz.h"
#include "platform/linux_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text = fuzz::text(data, size);
    const auto in = tarn::detail::platform::cgroup::parse_membership(text);
    // Every field is a piece of a line of the text.
    for (const std::string* field :
         {&in.cpu, &in.memory, &in.unified, &in.cpu_controllers, &in.memory_controllers})
        FUZZ_CHECK(field->find('\n') == field->npos && text.find(*field) != text.npos);
    // The controllers' lists name the controller as a whole word.
    FUZZ_CHECK(in.cpu_controllers.empty() || ("," + in.cpu_controllers + ",").find(",cpu,") != std::string::npos);
    FUZZ_CHECK(in.memory_controllers.empty() ||
               ("," + in.memory_controllers + ",").find(",memory,") != std::string::npos);
    return 0;
}
