#pragma once
// The 16-bit options word sent with TARGET_CONNECT (and stored in the offline setup), and
// the judgement of its reply. The run, the read and the offline download each fill the low
// byte their own way; the device bits come from the selected catalogue row in all three.

#include <cstdint>

#include "devices/device_catalogue.h"
#include "operations/operation_context.h"

namespace kx::ops {

inline constexpr std::uint16_t kOptBsl = 0x0001;
inline constexpr std::uint16_t kOptSupplyPower = 0x0002;
inline constexpr std::uint16_t kOptKeepInfo = 0x0004;  // protect info flash / no erase
inline constexpr std::uint16_t kOptVerify = 0x0008;
inline constexpr std::uint16_t kOptBurnFuse = 0x0010;
inline constexpr std::uint16_t kOptRunAfter = 0x0020;
inline constexpr std::uint16_t kOptSbw = 0x0040;
inline constexpr std::uint16_t kOptProductInfo = 0x0080;  // offline download only
inline constexpr std::uint16_t kOptExtendedAddress = 0x0100;
inline constexpr std::uint16_t kOptTestPin = 0x0200;
inline constexpr std::uint16_t kOptLockableSegA = 0x0400;
inline constexpr std::uint16_t kOptSbwPinsJtag = 0x0800;
inline constexpr std::uint16_t kOptInfoAt1800 = 0x2000;
inline constexpr std::uint16_t kOptEraseSegA = 0x4000;

// Options of the programming run: mode, power, erase/protect, verify, fuse, run, segment A.
std::uint16_t RunTargetOptions(const OperationInputs& in);
// Options of the target read: power and mode only (BSL always with 0x0004).
std::uint16_t ReadTargetOptions(const OperationInputs& in);
// Options stored for offline programming: protect alone sets 0x0004, product info 0x0080.
std::uint16_t DownloadTargetOptions(const OperationInputs& in);

// Shows why the chip cannot be worked on and returns false: no target, a password
// refused, a blown fuse (`fusedMessage`, the caller's wording) or no chip id; the
// last two only when `jtagChecks`, since fuse and id mean something only over JTAG/SBW.
// Otherwise shows the chip and whether it matches `device`, and returns true.
bool AcceptTarget(Output& out, std::uint16_t status, std::uint16_t chipId,
                  const devices::DeviceRecord& device, bool jtagChecks, Message fusedMessage);

// The device needs SET_MEM_OFFSET before 16-bit-address commands.
inline bool IsWideDevice(std::uint16_t options) {
    return (options & (kOptExtendedAddress | kOptInfoAt1800)) != 0;
}
// The mode the options word asks for; SBW wins over BSL.
inline ProgrammingMode ModeOfOptions(std::uint16_t options) {
    if ((options & kOptSbw) != 0) return ProgrammingMode::Sbw;
    if ((options & kOptBsl) != 0) return ProgrammingMode::Bsl;
    return ProgrammingMode::Jtag;
}

}  // namespace kx::ops
