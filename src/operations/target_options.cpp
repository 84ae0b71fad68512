#include "operations/target_options.h"

#include "devices/target_chip_report.h"
#include "link/link_types.h"

namespace kx::ops {
namespace {

std::uint16_t ModeBits(ProgrammingMode mode) {
    switch (mode) {
        case ProgrammingMode::Sbw:
            return kOptSbw;
        case ProgrammingMode::Bsl:
            return kOptBsl;
        case ProgrammingMode::Jtag:
            break;
    }
    return 0;
}

// The device bits depend on the low byte (0x0800 only in JTAG mode), so they go last.
std::uint16_t WithDeviceBits(const OperationInputs& in, std::uint16_t options) {
    const auto& row = devices::DeviceAt(in.deviceRow);
    return static_cast<std::uint16_t>(
        options | devices::DeviceOptionBits(row, static_cast<std::uint8_t>(options & 0xFF)));
}

}  // namespace

std::uint16_t RunTargetOptions(const OperationInputs& in) {
    std::uint16_t options = ModeBits(in.mode);
    if (in.supplyPower) options |= kOptSupplyPower;
    // Without erase the box must keep the information flash as well.
    if (in.protectInfo || !in.erase) options |= kOptKeepInfo;
    if (in.verify) options |= kOptVerify;
    if (in.burnFuse) options |= kOptBurnFuse;
    if (in.runAfter) options |= kOptRunAfter;
    if (in.eraseSegA) options |= kOptEraseSegA;
    return WithDeviceBits(in, options);
}

std::uint16_t ReadTargetOptions(const OperationInputs& in) {
    std::uint16_t options = 0;
    if (in.supplyPower) options |= kOptSupplyPower;
    if (in.mode == ProgrammingMode::Sbw) {
        options |= kOptSbw;
    } else if (in.mode == ProgrammingMode::Bsl) {
        options |= kOptBsl | kOptKeepInfo;
    }
    return WithDeviceBits(in, options);
}

std::uint16_t DownloadTargetOptions(const OperationInputs& in) {
    std::uint16_t options = ModeBits(in.mode);
    if (in.supplyPower) options |= kOptSupplyPower;
    if (in.protectInfo) options |= kOptKeepInfo;
    if (in.verify) options |= kOptVerify;
    if (in.burnFuse) options |= kOptBurnFuse;
    if (in.runAfter) options |= kOptRunAfter;
    if (in.useProductInfo) options |= kOptProductInfo;
    if (in.eraseSegA) options |= kOptEraseSegA;
    return WithDeviceBits(in, options);
}

bool AcceptTarget(Output& out, std::uint16_t status, std::uint16_t chipId,
                  const devices::DeviceRecord& device, bool jtagChecks, Message fusedMessage) {
    std::optional<Message> refusal;
    if (status == link::kTargetNone) {
        refusal = Message::TargetNotFound;
    } else if (status == link::kTargetPasswordRefused) {
        refusal = Message::PasswordRefused;
    } else if (jtagChecks && status == link::kTargetFused) {
        refusal = fusedMessage;
    } else if (jtagChecks && chipId == 0) {
        refusal = Message::TargetInvalid;
    }
    if (refusal) {
        out.AppendMessage(*refusal);
        return false;
    }
    devices::ShowTargetChip(out, chipId);
    devices::CheckDeviceMatch(out, device, chipId);
    return true;
}

}  // namespace kx::ops
