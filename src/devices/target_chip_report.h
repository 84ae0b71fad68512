#pragma once
// Pane lines about the chip a TARGET_CONNECT found. Both append without refreshing; the
// caller's next AppendMessage shows them.

#include <cstdint>

#include "devices/device_catalogue.h"
#include "messages/output.h"

namespace kx::devices {

// Message 15, then the family name or the id in hex, then a line break.
void ShowTargetChip(Output& out, std::uint16_t chipId);

// Message 62 when the reported id differs from the low 16 bits of the selected row's id.
// Returns true when they match.
bool CheckDeviceMatch(Output& out, const DeviceRecord& selected, std::uint16_t chipId);

}  // namespace kx::devices
