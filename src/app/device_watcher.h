#pragma once
// Serial devices coming and going, as the system reports them. The window searches for the
// box again when one appears while it is searching, and checks its port when one leaves.
// On Linux the platform folder's udev monitor; another system supplies its own maker.

#include <QObject>
#include <memory>

namespace kx::app {

class DeviceWatcher : public QObject {
    Q_OBJECT

  public:
    using QObject::QObject;

    // False when no reports will come (no device manager running); the window then polls
    // its port instead.
    virtual bool Live() const = 0;

  signals:
    void Arrived();   // a serial device appeared
    void Departed();  // a serial device went away
};

// The system's watcher; never null, but not Live where the system reports nothing.
std::unique_ptr<DeviceWatcher> MakeSystemDeviceWatcher();

}  // namespace kx::app
