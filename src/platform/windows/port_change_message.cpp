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
    // Any kind of device counts, as the window always did: a USB adapter may announce itself
    // as a device interface rather than a port, and a search when idle costs little. The
    // record behind lParam is never read.
    return message->wParam == DBT_DEVICEARRIVAL ? PortChange::Arrived : PortChange::Departed;
}

}  // namespace kx::platform
