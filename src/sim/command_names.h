#pragma once
// Names of the link command codes, for traces and fault rules.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kx::sim {

// The loader's one-byte synchronisation (0x80 answered by 0x90) is not a frame; faults
// and traces name it "SYNC" and use this pseudo code.
inline constexpr int kSyncCode = 0x100;

// "RX_DATA_BLOCK" for 0x12, "SYNC" for kSyncCode, "CMD_0x55" for codes without a name.
std::string CommandName(int code);

// Accepts a command name (case-insensitive), "SYNC", or a hexadecimal code "0x12".
std::optional<int> CommandCode(std::string_view name);

}  // namespace kx::sim
