#pragma once
// The Linux port list: USB adapters and real serial ports found under /dev and /sys, and the
// port provider that opens them as PosixSerialDevice.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/port_paths.h"
#include "link/serial_device.h"

namespace kx::link {

// What a look at /dev and /sys found.
struct SerialCandidates {
    std::vector<std::string> byIdTargets;  // /dev/serial/by-id/* resolved, in link-name order
    std::vector<std::string> deviceNames;  // entries of /dev ("ttyUSB0", "ttyS1", ...)
    std::vector<std::string> realTtyS;     // ttyS names that sysfs shows with real hardware
};

// USB adapters first (by-id links, then ttyUSB*, then ttyACM*, each in numeric order), then
// real ttyS ports in numeric order; duplicates dropped, at most eight.
PortPaths OrderSerialPorts(const SerialCandidates& candidates);

// Reads /dev/serial/by-id, /dev and /sys/class/tty.
SerialCandidates ScanSerialCandidates();

// The override when KX_VELDRAN_PORTS is set, otherwise the machine's ports in order.
PortPaths MachinePortPaths();

// Opens ports as PosixSerialDevice.
class PosixPortProvider final : public PortProvider {
  public:
    // The machine's ports, looked up afresh on every call so that an adapter plugged in
    // after start-up is found by the next search.
    PosixPortProvider() = default;
    // A fixed assignment (tests, or a caller that already chose).
    explicit PosixPortProvider(PortPaths fixed) : fixed_(std::move(fixed)) {}

    std::unique_ptr<SerialDevice> Open(unsigned index, std::uint32_t baud,
                                       OpenFailure& why) override;
    std::string PortName(unsigned index) const override;
    // Opens the device node itself, whatever the list holds now.
    std::unique_ptr<SerialDevice> OpenPath(const std::string& path, std::uint32_t baud,
                                           OpenFailure& why) override;

  private:
    std::optional<PortPaths> fixed_;
};

}  // namespace kx::link
