#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/serial_ports.h"
#include "platform/windows/win32_serial_device.h"

namespace kx::platform {
namespace {

// COM1..COM8 behind the indices, unless KX_VELDRAN_PORTS names others ("COM12", or
// "\\.\COM12"; separated by ':').
link::PortPaths StandardComPorts() {
    link::PortPaths names;
    for (std::size_t i = 0; i < link::kPortCount; ++i) names[i] = "COM" + std::to_string(i + 1);
    return names;
}

class Win32PortProvider final : public link::PortProvider {
  public:
    Win32PortProvider() = default;
    explicit Win32PortProvider(link::PortPaths fixed) : fixed_(std::move(fixed)) {}

    std::unique_ptr<link::SerialDevice> Open(unsigned index, std::uint32_t baud,
                                             link::OpenFailure& why) override {
        return OpenPath(PortName(index), baud, why);
    }

    std::string PortName(unsigned index) const override {
        // Index 7 and anything above it is the last port.
        const std::size_t slot = std::min<std::size_t>(index, link::kPortCount - 1);
        if (fixed_) return (*fixed_)[slot];
        const char* value = std::getenv(link::kPortsVariable);
        if (value != nullptr) {
            if (const auto names = link::ParsePortOverride(value)) return (*names)[slot];
        }
        return StandardComPorts()[slot];
    }

    std::unique_ptr<link::SerialDevice> OpenPath(const std::string& path, std::uint32_t baud,
                                                 link::OpenFailure& why) override {
        return link::Win32SerialDevice::Open(path, baud, why);
    }

  private:
    std::optional<link::PortPaths> fixed_;
};

}  // namespace

std::unique_ptr<link::PortProvider> MakePortProvider() {
    return std::make_unique<Win32PortProvider>();
}

std::unique_ptr<link::PortProvider> MakePortProvider(const link::PortPaths& fixed) {
    return std::make_unique<Win32PortProvider>(fixed);
}

}  // namespace kx::platform
