// Windows tells the window of serial devices coming and going with WM_DEVICECHANGE, which
// the window receives itself; there is no handle here to wait on.

#include "platform/device_monitor.h"

namespace kx::platform {

std::unique_ptr<DeviceMonitor> MakeDeviceMonitor() {
    return nullptr;
}

}  // namespace kx::platform
