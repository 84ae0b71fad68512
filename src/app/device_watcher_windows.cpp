// The Windows device watcher: the system broadcasts WM_DEVICECHANGE to the program's
// top-level windows when a COM port comes or goes; a native event filter on the application
// picks those out (platform/windows/port_change_message.h reads the message itself).

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>

#include "app/device_watcher.h"
#include "platform/windows/port_change_message.h"

namespace kx::app {
namespace {

class NativeDeviceWatcher final : public DeviceWatcher, private QAbstractNativeEventFilter {
  public:
    NativeDeviceWatcher() {
        if (QCoreApplication* application = QCoreApplication::instance()) {
            application->installNativeEventFilter(this);
            installed_ = true;
        }
    }
    // QAbstractNativeEventFilter's destructor takes the filter off the application.

    // The broadcasts need no service of their own: they come while a window of ours exists.
    bool Live() const override { return installed_; }

  private:
    bool nativeEventFilter(const QByteArray& eventType, void* message,
                           qintptr* /*result*/) override {
        // Broadcasts are sent, not posted, so they reach the window procedure ("generic")
        // and never the queue ("dispatcher"); taking only one kind counts each once.
        if (eventType != "windows_generic_MSG") return false;
        switch (platform::PortChangeOf(message)) {
            case platform::PortChange::Arrived:
                emit Arrived();
                break;
            case platform::PortChange::Departed:
                emit Departed();
                break;
            case platform::PortChange::None:
                break;
        }
        // Never swallowed: Qt and the system still handle the message as usual.
        return false;
    }

    bool installed_ = false;
};

}  // namespace

std::unique_ptr<DeviceWatcher> MakeSystemDeviceWatcher() {
    return std::make_unique<NativeDeviceWatcher>();
}

}  // namespace kx::app
