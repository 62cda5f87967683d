// tarn::system_info: the host as the platform reports it, and the library's own build.
#include "tarn/system_info.h"

#include <memory>
#include <stdexcept>

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
};

namespace {

namespace platform = detail::platform;

constexpr std::uint32_t host_name_buffer_size = 1024;

void require(bool ok, const char* message)
{
    if (!ok)
        throw std::runtime_error(message);
}

// A POSIX kernel names itself; an NT kernel is named from its version.
std::string product_name(const platform::os_version& v)
{
    if (v.kernel_name[0] != '\0')
        return v.kernel_name;
    return detail::windows_product_name(v.major, v.minor, v.build, v.workstation);
}

} // namespace

system_info::system_info() : impl(nullptr)
{
    // Held here until the constructor cannot throw any more, then handed to impl.
    auto data = std::make_unique<system_info_data>();

    platform::os_version version;
    require(platform::get_version(version), "failed to init version info");

    const std::uint16_t processor = platform::get_processor_architecture();

    char host[host_name_buffer_size];
    std::uint32_t host_size = sizeof host;
    require(platform::get_host_name(host, host_size) && host_size < sizeof host,
            "failed to get host name");

    data->os = product_name(version);
    data->arch = detail::arch_name(processor);
    data->node_name.assign(host, host_size);
    data->version = detail::format_version(version.major, version.minor);
    data->release = version.service_pack;
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
