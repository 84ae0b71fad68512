// The product-information checks and the record write inside the programming run.

#include <algorithm>
#include <array>

#include "link/link_types.h"
#include "operations/product_info.h"
#include "operations/run_steps.h"
#include "operations/target_options.h"
#include "settings/settings_text.h"

namespace kx::ops {
bool CountsSerials(const OperationInputs& in) {
    return in.autoIncrement && in.useProductInfo;
}

bool TakeSerial(RunState& run) {
    run.serial = run.in.serial;
    if (!CountsSerials(run.in) || !run.in.reserveSerial) return true;
    const auto taken = run.in.reserveSerial(run.in.serial);
    if (!taken) {
        run.serialRefused = true;
        return false;
    }
    run.serial = *taken;
    run.serialTaken = true;
    return true;
}

bool CheckProductInfo(RunState& run) {
    const bool at1800 = (run.options & kOptInfoAt1800) != 0;
    if (const auto refusal = CheckInfoAddressField(run.ctx.image, run.in.infoAddressText, at1800)) {
        run.ctx.out.AppendMessage(*refusal);
        return false;
    }
    return true;
}

bool WriteProductInfo(RunState& run) {
    auto& out = run.ctx.out;
    auto& link = run.ctx.link;
    if (run.in.protectInfo) {
        out.AppendMessage(Message::InfoFlashProtected);
        return true;
    }
    // The advanced counter is on disk before the chip can hold the number.
    if (!TakeSerial(run)) return false;
    if (IsWideDevice(run.options)) {
        run.lastOffset = 0;
        if (link.SetMemOffset(0) != link::kLinkOk) {
            out.AppendMessage(Message::ProgramFailed);
            return false;
        }
    }
    // Checked before the target was touched, so the text is a valid address here.
    const std::uint16_t address = settings::InfoAddressFromText(run.in.infoAddressText).value_or(0);
    const auto record = ProductInfoRecord(run.in.productName, run.serial);
    // From here the chip may hold the number, whatever the box answers.
    run.serialUsed = true;
    run.recordSent = true;
    if (link.RxDataBlock(address, record) != link::kLinkOk) {
        out.AppendMessage(Message::InfoWriteFailed);
        return false;
    }
    if (run.in.verify) {
        std::array<std::uint8_t, kProductInfoSize + 6> reply{};
        const bool read = link.TxDataBlock(address, static_cast<std::uint8_t>(kProductInfoSize),
                                           reply) == link::kLinkOk;
        if (!read ||
            !std::equal(record.begin(), record.end(), reply.begin() + link::kDataReplyHead)) {
            out.AppendMessage(Message::InfoVerifyFailed);
            return false;
        }
    }
    out.AppendMessage(Message::InfoDone);
    return true;
}

}  // namespace kx::ops
