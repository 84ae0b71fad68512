#pragma once
// The MSP430 on the box's cable: main flash as its catalogue row says, information memory
// at 0x1000..0x10FF (segment A lockable on the chips that have LOCKA), a boot ROM holding
// the chip id, and the JTAG fuse. The vector table at 0xFFE0 is its BSL password.

#include <cstdint>
#include <span>

#include "devices/device_catalogue.h"
#include "link/link_types.h"
#include "sim/flash_array.h"
#include "sim/sim_config.h"

namespace kx::sim {

inline constexpr std::uint32_t kInfoStart = 0x1000;
inline constexpr std::uint32_t kInfoEnd = 0x1100;
inline constexpr std::uint32_t kBootRomStart = 0x0C00;
inline constexpr std::uint32_t kBootRomEnd = 0x1000;
inline constexpr std::uint32_t kVectorStart = 0xFFE0;
inline constexpr std::uint32_t kMainSegmentSize = 512;

class TargetChip {
  public:
    explicit TargetChip(const ChipConfig& config);

    const devices::DeviceRecord& Layout() const { return layout_; }
    std::uint16_t ChipId() const { return chipId_; }
    bool Fused() const { return fused_; }
    void BurnFuse() { fused_ = true; }

    // 2xx-style chips: 64-byte information segments, segment A (0x10C0) guarded by LOCKA.
    // Older chips: two 128-byte segments, nothing locked.
    bool HasLockableSegA() const { return layout_.lockableSegA; }
    std::uint32_t SegAStart() const { return kInfoEnd - info_.SegmentSize(); }

    // Flash, information memory and boot ROM can be read; false when any byte lies elsewhere.
    bool Read(std::uint32_t address, std::span<std::uint8_t> out) const;
    // Only flash and information memory take writes; false (nothing written) when any byte
    // lies elsewhere. Cells of a locked segment A keep their contents.
    bool Program(std::uint32_t address, std::span<const std::uint8_t> data, bool segAUnlocked);

    // Main flash in [from, to).
    void EraseMain(std::uint32_t from, std::uint32_t to) { main_.EraseRange(from, to); }
    void EraseMainAll() { main_.EraseAll(); }
    // All information segments; a locked segment A stays.
    void EraseInfo(bool segAUnlocked);
    // One segment of main or information memory; false when `address` is neither.
    bool EraseSegment(std::uint32_t address, bool segAUnlocked);

    link::PasswordBytes32 Password() const;
    const FlashArray& Main() const { return main_; }
    const FlashArray& Info() const { return info_; }
    // Byte at any readable address, 0xFF elsewhere (for tests and traces).
    std::uint8_t ByteAt(std::uint32_t address) const;
    // Puts bytes into flash as if programmed after an erase (initial contents).
    void Preload(std::uint32_t address, std::span<const std::uint8_t> data);

  private:
    bool SegALocked(std::uint32_t address, bool segAUnlocked) const;
    void WriteCalibration();

    devices::DeviceRecord layout_;
    std::uint16_t chipId_;
    bool fused_;
    FlashArray main_;
    FlashArray info_;
};

}  // namespace kx::sim
