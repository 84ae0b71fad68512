#include "platform/windows/port_change_message.h"

// clang-format off
#include <windows.h>
#include <dbt.h>
// clang-format on

namespace kx::platform {

PortChange PortChangeOf(const void* windowsMessage) {
    const auto* message = static_cast<const MSG*>(windowsMessage);
    if (message == nullptr || message->message != WM_DEVICECHANGE) return PortChange::None;
    // A removal is acted on only once complete: a query or a pending removal may still be
    // refused, and the port then stays.
    if (message->wParam != DBT_DEVICEARRIVAL && message->wParam != DBT_DEVICEREMOVECOMPLETE) {
        return PortChange::None;
    }
    // Both events carry a header naming the kind of device; volumes and the like are not ours.
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(message->lParam);
    if (header == nullptr || header->dbch_size < sizeof(DEV_BROADCAST_HDR) ||
        header->dbch_devicetype != DBT_DEVTYP_PORT) {
        return PortChange::None;
    }
    return message->wParam == DBT_DEVICEARRIVAL ? PortChange::Arrived : PortChange::Departed;
}

}  // namespace kx::platform
