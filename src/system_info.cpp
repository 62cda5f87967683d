// tarn::system_info: the host as the platform reports it, and the library's own build.
#include "tarn/system_info.h"

#include <memory>
#include <stdexcept>
#include <utility>
#include <variant>

#include "naming.h"
#include "platform/platform.h"
#include "target.h"

namespace tarn {

struct system_info_data {
    std::string os;
    std::string arch;
    std::string version;
    std::string release;
    std::string node_name;
    // What pretty_name needs besides these texts: an NT kernel's numbers (nt false on POSIX).
    bool nt = false;
    std::uint32_t nt_major = 0, nt_minor = 0, nt_build = 0;
    std::uint8_t nt_product_type = 0;
};

namespace {

namespace platform = detail::platform;

// A host name must fit a buffer of this many bytes with its NUL.
constexpr std::size_t host_name_buffer_size = 1024;

void require(bool ok, const char* message)
{
    if (!ok)
        throw std::runtime_error(message);
}

// An NT kernel is named from its version and its processor code through the tables.
void describe(platform::nt_kernel& k, system_info_data& data)
{
    data.os = detail::windows_product_name(k.major, k.minor, k.build, k.product_type);
    data.nt = true;
    data.nt_major = k.major;
    data.nt_minor = k.minor;
    data.nt_build = k.build;
    data.nt_product_type = k.product_type;
    // Where the kernel names the host's own machine, that wins over the processor code, which an
    // emulated program hears as its own.
    data.arch = k.native_machine ? detail::arch_from_machines(k.process_machine, k.native_machine)
                                 : detail::arch_from_processor(k.processor);
    data.version = detail::format_version(k.major, k.minor);
    data.release = std::move(k.service_pack);
}

// A POSIX kernel names itself; its release gives the version.
void describe(platform::posix_kernel& k, system_info_data& data)
{
    data.os = std::move(k.name);
    data.arch = detail::arch_from_machine(k.machine);
    data.version = detail::version_from_release(k.release);
    data.release = std::move(k.release);
}

} // namespace

system_info::system_info() : impl(nullptr)
{
    // Held here until the constructor cannot throw any more, then handed to impl.
    auto data = std::make_unique<system_info_data>();

    platform::host_facts facts;
    platform::read_host(facts);
    require(facts.version_known, "failed to init version info");
    require(facts.host_known && facts.host_name.size() < host_name_buffer_size,
            "failed to get host name");

    std::visit([&](auto& kernel) { describe(kernel, *data); }, facts.kernel);
    data->node_name = std::move(facts.host_name);
    impl = data.release();
}

system_info::system_info(const system_info& other) : impl(new system_info_data(*other.impl)) {}

system_info& system_info::operator=(const system_info& other)
{
    // Built aside first, so a failed copy leaves this object's texts as they were.
    if (this != &other) {
        system_info_data copy(*other.impl);
        std::swap(*impl, copy);
    }
    return *this;
}

system_info::~system_info() { delete impl; }

safe_return<std::string> system_info::os() const { return safe_return<std::string>(impl->os); }
safe_return<std::string> system_info::arch() const { return safe_return<std::string>(impl->arch); }
safe_return<std::string> system_info::version() const
{
    return safe_return<std::string>(impl->version);
}
safe_return<std::string> system_info::release() const
{
    return safe_return<std::string>(impl->release);
}
safe_return<std::string> system_info::node_name() const
{
    return safe_return<std::string>(impl->node_name);
}

// Asked when called: most programs never want this name, and the host's answer costs a file or a
// registry read.
safe_return<std::string> system_info::pretty_name() const
{
    platform::product_facts product;
    platform::read_product(product);
    const system_info_data& d = *impl;
    if (d.nt)
        return safe_return<std::string>(detail::windows_pretty_name(
            d.nt_major, d.nt_minor, d.nt_build, d.nt_product_type, d.release, product.registry));
    std::string name = detail::os_release_pretty_name(product.os_release);
    return safe_return<std::string>(name.empty() ? d.os + ' ' + d.release : name);
}

safe_return<std::string> system_info::build_os() const
{
    return safe_return<std::string>(detail::target_os);
}
safe_return<std::string> system_info::build_arch() const
{
    return safe_return<std::string>(detail::target_arch);
}
safe_return<std::string> system_info::build_time() const
{
    return safe_return<std::string>(__TIME__);
}
safe_return<std::string> system_info::build_date() const
{
    return safe_return<std::string>(__DATE__);
}

} // namespace tarn
