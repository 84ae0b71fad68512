// Device-dependent bits of the options word sent with TARGET_CONNECT.

#include "devices/device_catalogue.h"

namespace kx::devices {
namespace {

constexpr std::uint8_t kModeBsl = 0x01;
constexpr std::uint8_t kModeSbw = 0x40;

}  // namespace

std::uint16_t DeviceOptionBits(const DeviceRecord& row, std::uint8_t optionsLowByte) {
    std::uint16_t bits = 0;
    if (row.extendedAddress) {
        bits |= 0x0100;
    } else if (row.infoAt1800) {
        bits |= 0x2000;
    }
    if (row.testPin) {
        bits |= 0x0200;
    }
    if (row.lockableSegA) {
        bits |= 0x0400;
    }
    // The SBW pins only need JTAG treatment when the box really talks JTAG.
    const bool jtagMode = (optionsLowByte & (kModeBsl | kModeSbw)) == 0;
    if (row.sbwPinsJtag && jtagMode) {
        bits |= 0x0800;
    }
    return bits;
}

}  // namespace kx::devices
