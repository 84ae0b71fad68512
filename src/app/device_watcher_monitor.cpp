// The device watcher over the system's monitor (platform/device_monitor.h), read when its
// handle has something, on the window's thread.

#include <QSocketNotifier>

#include "app/device_watcher.h"
#include "platform/device_monitor.h"

namespace kx::app {
namespace {

class MonitorDeviceWatcher final : public DeviceWatcher {
  public:
    MonitorDeviceWatcher() : monitor_(platform::MakeDeviceMonitor()) {
        if (!monitor_) return;
        notifier_ = new QSocketNotifier(monitor_->ReadableHandle(), QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &MonitorDeviceWatcher::Drain);
    }
    ~MonitorDeviceWatcher() override { delete notifier_; }
    MonitorDeviceWatcher(const MonitorDeviceWatcher&) = delete;
    MonitorDeviceWatcher& operator=(const MonitorDeviceWatcher&) = delete;

    bool Live() const override { return notifier_ != nullptr; }

  private:
    // One signal per add or remove.
    void Drain() {
        monitor_->Drain([this](platform::DeviceMonitor::Change change) {
            if (change == platform::DeviceMonitor::Change::Arrived) emit Arrived();
            if (change == platform::DeviceMonitor::Change::Departed) emit Departed();
        });
    }

    std::unique_ptr<platform::DeviceMonitor> monitor_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace

std::unique_ptr<DeviceWatcher> MakeSystemDeviceWatcher() {
    return std::make_unique<MonitorDeviceWatcher>();
}

}  // namespace kx::app
