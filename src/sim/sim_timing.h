#pragma once
// Times the simulated box takes. Only used when the timing model is on.
//
// Flash figures follow the MSP430x1xx / x2xx / x4xx family user's guides (flash memory
// controller chapter): the flash timing generator runs at fFTG = 257..476 kHz; we take a
// programmer that clocks it at 450 kHz (tFTG = 2.22 us).
//   word or byte program:   35 tFTG  ->  78 us per word
//   segment erase:        4819 tFTG  ->  10.7 ms
//   mass erase:           5297 tFTG  ->  11.8 ms
// JTAG/SBW shifting and the box's own command handling are estimates for a box clocking
// 4-wire JTAG at about 1 MHz (SBW roughly two and a half times slower); the target's BSL is
// spoken at its default 9600 baud, so BSL-mode block transfers are dominated by that line.

#include <cstdint>

namespace kx::sim::timing {

inline constexpr double kFlashClockHz = 450000.0;
inline constexpr std::uint64_t Cycles(std::uint32_t flashClockCycles) {
    return static_cast<std::uint64_t>(flashClockCycles * 1e6 / kFlashClockHz + 0.5);
}

inline constexpr std::uint64_t kWordProgramUs = Cycles(35);
inline constexpr std::uint64_t kSegmentEraseUs = Cycles(4819);
inline constexpr std::uint64_t kMassEraseUs = Cycles(5297);

inline constexpr std::uint64_t kCommandUs = 200;        // firmware decodes and dispatches
inline constexpr std::uint64_t kJtagWordUs = 20;        // one word shifted over 4-wire JTAG
inline constexpr std::uint64_t kSbwWordUs = 50;         // the same over Spy-Bi-Wire
inline constexpr std::uint32_t kTargetBslBaud = 9600;   // box to target BSL
inline constexpr std::uint64_t kJtagConnectUs = 20000;  // entry sequence, fuse check, id read
inline constexpr std::uint64_t kSbwConnectUs = 30000;
inline constexpr std::uint64_t kBslEntryUs = 15000;      // RST/TEST pulse sequence
inline constexpr std::uint64_t kSupplySettleUs = 50000;  // box switches target Vcc on
inline constexpr std::uint64_t kFuseBurnUs = 15000;      // VPP ramp plus the fuse pulse
inline constexpr std::uint64_t kVppTestUs = 25000;       // VPP ramp and measurement
inline constexpr std::uint64_t kStoreSetupUs = 20000;    // plus kStoreEraseUsPerKiB per KiB
inline constexpr std::uint64_t kStoreEraseUsPerKiB = 1000;
inline constexpr std::uint64_t kStoreWriteUs = 3000;  // serial-flash page program
inline constexpr std::uint64_t kStoreReadUs = 500;

// A late reply comes this long after the command's time-out.
inline constexpr std::uint64_t kLateMarginUs = 100000;
// A pause this long between bytes ends whatever frame was half received.
inline constexpr std::uint64_t kIdleGapUs = 10000;

// Wire time of one 8E1 character (start, 8 data, parity, stop).
inline constexpr std::uint64_t ByteUs(std::uint32_t baud) {
    return baud == 0 ? 0 : (11ull * 1000000ull + baud / 2) / baud;
}

}  // namespace kx::sim::timing
