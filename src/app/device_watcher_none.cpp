// Systems without a device watcher of ours yet: nothing is reported, and the window polls
// its port.

#include "app/device_watcher.h"

namespace kx::app {
namespace {

class NoDeviceWatcher final : public DeviceWatcher {
  public:
    bool Live() const override { return false; }
};

}  // namespace

std::unique_ptr<DeviceWatcher> MakeSystemDeviceWatcher() {
    return std::make_unique<NoDeviceWatcher>();
}

}  // namespace kx::app
