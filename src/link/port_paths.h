#pragma once
// Which device path stands behind each of the eight port indices (COM1..COM8); the system
// fills the list (platform/serial_ports.h).

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kx::link {

inline constexpr std::size_t kPortCount = 8;
// Device path per port index; an empty entry means no port there.
using PortPaths = std::array<std::string, kPortCount>;

// Environment variable that names the ports explicitly: up to eight paths separated by ':'.
inline constexpr const char* kPortsVariable = "KX_VELDRAN_PORTS";

// Parses the KX_VELDRAN_PORTS value; nullopt when it is empty (then the machine's ports are
// used). Entries beyond the eighth are ignored.
std::optional<PortPaths> ParsePortOverride(std::string_view value);

}  // namespace kx::link
