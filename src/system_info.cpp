// tarn::system_info: the host as the platform reports it, and the library's own build.
#include "tarn/system_info.h"

#include <memory>
#include <stdexcept>
#include <utility>
#include <variant>

#include "core.h"
#include "naming.h"
#include "target.h"

namespace tarn {

namespace detail {

namespace {

// A host name must fit a buffer of this many bytes with its NUL.
constexpr std::size_t host_name_buffer_size = 1024;

// An NT kernel is named from its version and its processor code through the tables.
void describe(platform::nt_kernel& k, system_info_data& data)
{
    data.os = windows_product_name(k.major, k.minor, k.build, k.product_type);
    data.nt = true;
    data.nt_major = k.major;
    data.nt_minor = k.minor;
    data.nt_build = k.build;
    data.nt_product_type = k.product_type;
    // Where the kernel names the host's own machine, that wins over the processor code, which an
    // emulated program hears as its own.
    data.arch = k.native_machine ? arch_from_machines(k.process_machine, k.native_machine)
                                 : arch_from_processor(k.processor);
    data.version = format_version(k.major, k.minor);
    data.release = std::move(k.service_pack);
}

// A POSIX kernel names itself; its release gives the version.
void describe(platform::posix_kernel& k, system_info_data& data)
{
    data.os = std::move(k.name);
    data.arch = arch_from_machine(k.machine);
    data.version = version_from_release(k.release);
    data.release = std::move(k.release);
}

} // namespace

const char* message(failure f)
{
    switch (f) {
    case failure::no_environment: return "Invalid environment string!";
    case failure::os_version: return "failed to init version info";
    case failure::host_name: return "failed to get host name";
    default: return "";
    }
}

failure describe_host(system_info_data& data)
{
    platform::host_facts facts;
    platform::read_host(facts);
    if (!facts.version_known)
        return failure::os_version;
    if (!facts.host_known || facts.host_name.size() >= host_name_buffer_size)
        return failure::host_name;
    std::visit([&](auto& kernel) { describe(kernel, data); }, facts.kernel);
    data.node_name = std::move(facts.host_name);
    return failure::none;
}

// Asked when called: most programs never want this name, and the host's answer costs a file or a
// registry read.
std::string pretty_name(const system_info_data& d)
{
    platform::product_facts product;
    platform::read_product(product);
    if (d.nt)
        return windows_pretty_name(d.nt_major, d.nt_minor, d.nt_build, d.nt_product_type, d.release,
                                   product.registry);
    std::string name = os_release_value(product.os_release, "PRETTY_NAME");
    return name.empty() ? d.os + ' ' + d.release : name;
}

product_ids product(const system_info_data& d)
{
    // Windows' come from the kernel's numbers alone, through the naming table.
    if (d.nt)
        return {"windows",
                windows_product_version(d.nt_major, d.nt_minor, d.nt_build, d.nt_product_type), ""};
    platform::product_facts facts;
    platform::read_product(facts);
    return os_release_product(facts.os_release, facts.os_release_found);
}

const char* build_time() { return __TIME__; }
const char* build_date() { return __DATE__; }

} // namespace detail

namespace {

void require(detail::failure f)
{
    if (f != detail::failure::none)
        throw std::runtime_error(detail::message(f));
}

} // namespace

system_info::system_info() : impl(nullptr)
{
    // Held here until the constructor cannot throw any more, then handed to impl.
    auto data = std::make_unique<system_info_data>();
    require(detail::describe_host(*data));
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
safe_return<std::string> system_info::pretty_name() const
{
    return safe_return<std::string>(detail::pretty_name(*impl));
}

safe_return<std::string> system_info::product_id() const
{
    return safe_return<std::string>(detail::product(*impl).id);
}
safe_return<std::string> system_info::product_version() const
{
    return safe_return<std::string>(detail::product(*impl).version);
}
safe_return<std::string> system_info::product_like() const
{
    return safe_return<std::string>(detail::product(*impl).like);
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
    return safe_return<std::string>(detail::build_time());
}
safe_return<std::string> system_info::build_date() const
{
    return safe_return<std::string>(detail::build_date());
}

} // namespace tarn
