// Built and run on Windows only (under Wine in the cross-build): real MSG and DEV_BROADCAST
// records as the system sends them.

// clang-format off
#include <windows.h>
#include <dbt.h>
// clang-format on

#include "platform/windows/port_change_message.h"

#include <gtest/gtest.h>

namespace kx::platform {
namespace {

DEV_BROADCAST_PORT_W PortRecord() {
    DEV_BROADCAST_PORT_W port{};
    port.dbcp_size = sizeof(port);
    port.dbcp_devicetype = DBT_DEVTYP_PORT;
    port.dbcp_name[0] = L'C';
    return port;
}

PortChange Read(UINT message, WPARAM event, const void* record) {
    MSG msg{};
    msg.message = message;
    msg.wParam = event;
    msg.lParam = reinterpret_cast<LPARAM>(record);
    return PortChangeOf(&msg);
}

TEST(PortChangeMessage, ArrivalAndCompletedRemovalOfAnyDeviceAreReported) {
    const DEV_BROADCAST_PORT_W port = PortRecord();
    EXPECT_EQ(Read(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, &port), PortChange::Arrived);
    EXPECT_EQ(Read(WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, &port), PortChange::Departed);
    DEV_BROADCAST_VOLUME volume{};
    volume.dbcv_size = sizeof(volume);
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    EXPECT_EQ(Read(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, &volume), PortChange::Arrived);
}

TEST(PortChangeMessage, EverythingElseIsIgnored) {
    const DEV_BROADCAST_PORT_W port = PortRecord();
    // A removal that may still be refused leaves the port in place.
    EXPECT_EQ(Read(WM_DEVICECHANGE, DBT_DEVICEQUERYREMOVE, &port), PortChange::None);
    EXPECT_EQ(Read(WM_DEVICECHANGE, DBT_DEVICEREMOVEPENDING, &port), PortChange::None);
    // An event that carries no record at all (lParam 0).
    EXPECT_EQ(Read(WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, nullptr), PortChange::None);
    // The same numbers in another message, and no message.
    EXPECT_EQ(Read(WM_USER, DBT_DEVICEARRIVAL, &port), PortChange::None);
    EXPECT_EQ(PortChangeOf(nullptr), PortChange::None);
}

}  // namespace
}  // namespace kx::platform
