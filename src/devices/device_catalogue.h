#pragma once
// The 100 supported MSP430 targets, as constant data, and what is derived from a row.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace kx::devices {

// Flags default to false so that each table row names only the flags it sets.
struct DeviceRecord {
    std::uint32_t chipId;          // only the low 16 bits are compared with TargetReply::chipId
    std::uint32_t flashStart;      // first main-flash address
    std::uint32_t flashSize;       // flashStart + flashSize <= 0x20000
    std::uint32_t ramSize;         // displayed only
    bool jtagCapable = false;      // flag 1
    bool bslCapable = false;       // flag 2
    bool sbwCapable = false;       // flag 3
    bool testPin = false;          // flag 4
    bool extendedAddress = false;  // flag 5: 20-bit addresses, SET_MEM_OFFSET
    bool lockableSegA = false;     // flag 6
    bool sbwPinsJtag = false;      // flag 7
    bool infoAt1800 = false;       // flag 8 (no row has it)
    bool segAEraseChoice = false;  // flag 9
    std::string_view name;         // display name without the "MSP430" prefix

    std::uint32_t FlashEnd() const { return flashStart + flashSize; }
    // Address fields take 5 hex digits and SET_MEM_OFFSET is used.
    bool UsesHighAddress() const { return extendedAddress || infoAt1800; }
};

inline constexpr int kDeviceCount = 100;

// All rows in list order (row = list index = the "device" setting).
const std::array<DeviceRecord, kDeviceCount>& DeviceCatalogue();
// Row `row`, or row 0 for a value outside 0..99.
const DeviceRecord& DeviceAt(int row);

// End of every image walk until a device is selected.
inline constexpr std::uint32_t kDefaultImageEnd = 0x10000;
// `ImageEnd` of a row: flashStart + flashSize.
inline std::uint32_t ImageEnd(const DeviceRecord& d) { return d.FlashEnd(); }

// Family name of a reported chip id (low 16 bits), if the id is known.
std::optional<std::string_view> FamilyName(std::uint16_t chipId);

// Device part of TargetOptions for `row`, given the low byte the operation has already set
// (0x01 = BSL mode, 0x40 = SBW mode).
std::uint16_t DeviceOptionBits(const DeviceRecord& row, std::uint8_t optionsLowByte);

}  // namespace kx::devices
