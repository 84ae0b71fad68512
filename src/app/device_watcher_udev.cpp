// The Linux device watcher: a udev monitor on the tty subsystem, read when its socket has
// something, on the window's thread.

#include <libudev.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cstring>

#include "app/device_watcher.h"

namespace kx::app {
namespace {

// Present while the udev daemon runs. Without it the monitor would open fine and never hear
// anything, so the window must keep polling.
constexpr const char* kUdevControl = "/run/udev/control";

class UdevDeviceWatcher final : public DeviceWatcher {
  public:
    UdevDeviceWatcher() {
        if (::access(kUdevControl, F_OK) != 0) return;
        udev_ = udev_new();
        if (udev_ == nullptr) return;
        // Events from the daemon come after its rules ran, so the node has its group and mode.
        monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
        if (monitor_ == nullptr ||
            udev_monitor_filter_add_match_subsystem_devtype(monitor_, "tty", nullptr) < 0 ||
            udev_monitor_enable_receiving(monitor_) < 0) {
            return;
        }
        notifier_ = new QSocketNotifier(udev_monitor_get_fd(monitor_), QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &UdevDeviceWatcher::Drain);
    }
    ~UdevDeviceWatcher() override {
        delete notifier_;
        if (monitor_ != nullptr) udev_monitor_unref(monitor_);
        if (udev_ != nullptr) udev_unref(udev_);
    }
    UdevDeviceWatcher(const UdevDeviceWatcher&) = delete;
    UdevDeviceWatcher& operator=(const UdevDeviceWatcher&) = delete;

    bool Live() const override { return notifier_ != nullptr; }

  private:
    // Takes every queued event (the socket does not block), one signal per add or remove.
    void Drain() {
        while (udev_device* device = udev_monitor_receive_device(monitor_)) {
            const char* action = udev_device_get_action(device);
            if (action != nullptr && std::strcmp(action, "add") == 0) emit Arrived();
            if (action != nullptr && std::strcmp(action, "remove") == 0) emit Departed();
            udev_device_unref(device);
        }
    }

    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace

std::unique_ptr<DeviceWatcher> MakeSystemDeviceWatcher() {
    return std::make_unique<UdevDeviceWatcher>();
}

}  // namespace kx::app
