// The Linux device monitor: a udev monitor on the tty subsystem.

#include <libudev.h>
#include <unistd.h>

#include <cstring>

#include "platform/device_monitor.h"

namespace kx::platform {
namespace {

// Present while the udev daemon runs. Without it the monitor would open fine and never hear
// anything, so the window must keep polling.
constexpr const char* kUdevControl = "/run/udev/control";

class UdevDeviceMonitor final : public DeviceMonitor {
  public:
    UdevDeviceMonitor() = default;
    ~UdevDeviceMonitor() override {
        if (monitor_ != nullptr) udev_monitor_unref(monitor_);
        if (udev_ != nullptr) udev_unref(udev_);
    }
    UdevDeviceMonitor(const UdevDeviceMonitor&) = delete;
    UdevDeviceMonitor& operator=(const UdevDeviceMonitor&) = delete;

    bool Start() {
        if (::access(kUdevControl, F_OK) != 0) return false;
        udev_ = udev_new();
        if (udev_ == nullptr) return false;
        // Events from the daemon come after its rules ran, so the node has its group and mode.
        monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
        return monitor_ != nullptr &&
               udev_monitor_filter_add_match_subsystem_devtype(monitor_, "tty", nullptr) >= 0 &&
               udev_monitor_enable_receiving(monitor_) >= 0;
    }

    int ReadableHandle() const override { return udev_monitor_get_fd(monitor_); }

    // The socket does not block, so this ends when the queue is empty.
    void Drain(const std::function<void(Change)>& onChange) override {
        while (udev_device* device = udev_monitor_receive_device(monitor_)) {
            const char* action = udev_device_get_action(device);
            if (action != nullptr && std::strcmp(action, "add") == 0) onChange(Change::Arrived);
            if (action != nullptr && std::strcmp(action, "remove") == 0) {
                onChange(Change::Departed);
            }
            udev_device_unref(device);
        }
    }

  private:
    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
};

}  // namespace

std::unique_ptr<DeviceMonitor> MakeDeviceMonitor() {
    auto monitor = std::make_unique<UdevDeviceMonitor>();
    if (!monitor->Start()) return nullptr;
    return monitor;
}

}  // namespace kx::platform
