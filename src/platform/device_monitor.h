#pragma once
// Serial devices coming and going, as the system reports them, for a caller with an event
// loop: it waits for the monitor's handle to become readable, then lets the monitor drain.

#include <functional>
#include <memory>

namespace kx::platform {

class DeviceMonitor {
  public:
    enum class Change { Arrived, Departed };

    virtual ~DeviceMonitor() = default;

    // A descriptor that becomes readable when reports are queued.
    virtual int ReadableHandle() const = 0;
    // Takes every queued report without waiting, calling `onChange` once per serial device
    // added or removed.
    virtual void Drain(const std::function<void(Change)>& onChange) = 0;
};

// The system's monitor of serial devices; null where the system reports them another way
// (Windows: the window's WM_DEVICECHANGE) or not at all (no device manager running), and the
// window then polls its port.
std::unique_ptr<DeviceMonitor> MakeDeviceMonitor();

}  // namespace kx::platform
