#include "sim/target_chip.h"

#include <array>

namespace kx::sim {
namespace {

// Version of the target's own BSL ROM, shown at 0x0FFA/0x0FFB.
constexpr std::uint16_t kTargetBslVersion = 0x0161;

}  // namespace

TargetChip::TargetChip(const ChipConfig& config)
    : layout_(devices::DeviceAt(config.row)),
      chipId_(config.chipId ? *config.chipId : static_cast<std::uint16_t>(layout_.chipId)),
      fused_(config.fused),
      main_(layout_.flashStart, layout_.flashSize, kMainSegmentSize),
      info_(kInfoStart, kInfoEnd - kInfoStart, layout_.lockableSegA ? 64 : 128) {
    if (config.vectors) Preload(kVectorStart, *config.vectors);
    if (config.calibration && layout_.lockableSegA) WriteCalibration();
}

// Factory DCO constants as a 2xx chip carries them at the top of segment A: tag 0x01,
// length 8, then CALDCO/CALBC1 pairs for 16, 12, 8 and 1 MHz; 0x10C0 holds the two's
// complement of the XOR of the words 0x10C2..0x10FE.
void TargetChip::WriteCalibration() {
    constexpr std::array<std::uint8_t, 10> kDco{0x01, 0x08, 0x95, 0x8F, 0x9E,
                                                0x8E, 0x92, 0x8D, 0xB6, 0x86};
    info_.Program(0x10F6, kDco);
    std::uint16_t x = 0;
    for (std::uint32_t a = 0x10C2; a < kInfoEnd; a += 2) {
        x = static_cast<std::uint16_t>(x ^ (info_.Byte(a) | (info_.Byte(a + 1) << 8)));
    }
    const auto check = static_cast<std::uint16_t>(0u - x);
    const std::array<std::uint8_t, 2> bytes{static_cast<std::uint8_t>(check & 0xFF),
                                            static_cast<std::uint8_t>(check >> 8)};
    info_.Program(0x10C0, bytes);
}

std::uint8_t TargetChip::ByteAt(std::uint32_t address) const {
    if (main_.Contains(address)) return main_.Byte(address);
    if (info_.Contains(address)) return info_.Byte(address);
    switch (address) {
        case 0x0FF0:
            return static_cast<std::uint8_t>(chipId_ >> 8);
        case 0x0FF1:
            return static_cast<std::uint8_t>(chipId_ & 0xFF);
        case 0x0FFA:
            return layout_.bslCapable ? (kTargetBslVersion >> 8) : 0xFF;
        case 0x0FFB:
            return layout_.bslCapable ? (kTargetBslVersion & 0xFF) : 0xFF;
        default:
            return 0xFF;
    }
}

bool TargetChip::Read(std::uint32_t address, std::span<std::uint8_t> out) const {
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto a = static_cast<std::uint32_t>(address + i);
        const bool readable =
            main_.Contains(a) || info_.Contains(a) || (a >= kBootRomStart && a < kBootRomEnd);
        if (!readable) return false;
    }
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = ByteAt(static_cast<std::uint32_t>(address + i));
    }
    return true;
}

bool TargetChip::SegALocked(std::uint32_t address, bool segAUnlocked) const {
    return HasLockableSegA() && !segAUnlocked && address >= SegAStart() && address < kInfoEnd;
}

bool TargetChip::Program(std::uint32_t address, std::span<const std::uint8_t> data,
                         bool segAUnlocked) {
    for (std::size_t i = 0; i < data.size(); ++i) {
        const auto a = static_cast<std::uint32_t>(address + i);
        if (!main_.Contains(a) && !info_.Contains(a)) return false;
    }
    for (std::size_t i = 0; i < data.size(); ++i) {
        const auto a = static_cast<std::uint32_t>(address + i);
        if (main_.Contains(a)) {
            main_.Program(a, data.subspan(i, 1));
        } else if (!SegALocked(a, segAUnlocked)) {
            info_.Program(a, data.subspan(i, 1));
        }
    }
    return true;
}

void TargetChip::EraseInfo(bool segAUnlocked) {
    for (std::uint32_t a = kInfoStart; a < kInfoEnd; a += info_.SegmentSize()) {
        if (!SegALocked(a, segAUnlocked)) info_.EraseSegmentAt(a);
    }
}

bool TargetChip::EraseSegment(std::uint32_t address, bool segAUnlocked) {
    if (main_.Contains(address)) {
        main_.EraseSegmentAt(address);
        return true;
    }
    if (info_.Contains(address)) {
        if (!SegALocked(address, segAUnlocked)) info_.EraseSegmentAt(address);
        return true;
    }
    return false;
}

link::PasswordBytes32 TargetChip::Password() const {
    link::PasswordBytes32 p{};
    for (std::size_t i = 0; i < p.size(); ++i) {
        p[i] = ByteAt(kVectorStart + static_cast<std::uint32_t>(i));
    }
    return p;
}

void TargetChip::Preload(std::uint32_t address, std::span<const std::uint8_t> data) {
    for (std::size_t i = 0; i < data.size(); ++i) {
        const auto a = static_cast<std::uint32_t>(address + i);
        if (main_.Contains(a)) {
            main_.EraseRange(a, a + 1);
            main_.Program(a, data.subspan(i, 1));
        } else if (info_.Contains(a)) {
            info_.EraseRange(a, a + 1);
            info_.Program(a, data.subspan(i, 1));
        }
    }
}

}  // namespace kx::sim
