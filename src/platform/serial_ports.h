#pragma once
// The serial ports of this system behind the eight port indices (COM1..COM8), and the
// provider that opens them. Each system's folder supplies both, with its own serial device
// (termios on Linux, the Win32 communications calls on Windows).

#include <memory>

#include "link/port_paths.h"
#include "link/serial_device.h"

namespace kx::platform {

// Opens the list KX_VELDRAN_PORTS names when it is set, otherwise the machine's ports in the
// system's order, looking the list up afresh on every call so that an adapter
// plugged in after start-up is found by the next search.
std::unique_ptr<link::PortProvider> MakePortProvider();
// Opens the ports of a fixed list (tests, or a caller that already chose).
std::unique_ptr<link::PortProvider> MakePortProvider(const link::PortPaths& fixed);

}  // namespace kx::platform
