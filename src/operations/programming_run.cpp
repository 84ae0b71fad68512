// The Run command: version check, target connection, erase, program, verify, product
// information, fuse, run, serial advance. The first failing step ends the run with its
// message, without the elapsed time and without the beep.

#include <array>
#include <string>

#include "image/outside_data.h"
#include "messages/text_catalogue.h"
#include "messages/text_format.h"
#include "operations/last_message_output.h"
#include "operations/operations.h"
#include "operations/run_blocks.h"
#include "operations/run_steps.h"
#include "operations/target_options.h"
#include "operations/version_check.h"

namespace kx::ops {
namespace {

constexpr std::uint32_t kSettleAfterConnectMs = 100;
constexpr std::uint16_t kMainEraseAddress = 0xFF00;
constexpr std::uint16_t kMainEraseWord = 0xA504;
constexpr std::uint16_t kMainEraseWordWide = 0xA50C;

bool IsOk(int status) {
    return status == link::kLinkOk;
}

// Where a verified block differs from the image, so the user can tell a blank target
// (read FF) from a flaky one.
std::string DifferenceLine(UiLanguage language, std::uint32_t address, std::uint8_t wrote,
                           std::uint8_t read, std::uint32_t count) {
    return SayText(
        language, count == 1 ? Text::FirstDifferenceOneByte : Text::FirstDifference,
        {FormatHex(address, 4), FormatHex(wrote, 2), FormatHex(read, 2), std::to_string(count)});
}

class ProgrammingRun {
  public:
    ProgrammingRun(OperationContext& ctx, const OperationInputs& in)
        : state_{ctx, in},
          ctx_(ctx),
          in_(in),
          device_(devices::DeviceAt(in.deviceRow)),
          imageEnd_(devices::ImageEnd(device_)) {
        // A run that stops keeps the number, so the next run writes it again.
        outcome_.newSerial = in.serial;
    }

    RunOutcome Execute();

  private:
    // Every step in order; the first that fails ends them (what it leaves is in outcome_).
    RunOutcome Steps();
    // Settles the counter after the steps, however they ended.
    void SettleSerial();
    bool ConnectTarget();
    bool CheckTarget();
    bool Erase();
    bool Program(const std::vector<RunBlock>& blocks);
    bool Verify(const std::vector<RunBlock>& blocks);
    bool BurnFuse();
    // SET_MEM_OFFSET when the block's bits 16..23 differ from the last ones sent.
    bool SendOffsetFor(std::uint32_t address);
    ProgrammingMode Mode() const { return ModeOfOptions(state_.options); }
    Output& Out() { return ctx_.out; }

    RunState state_;
    OperationContext& ctx_;
    const OperationInputs& in_;
    const devices::DeviceRecord& device_;
    std::uint32_t imageEnd_;
    RunOutcome outcome_;
};

RunOutcome ProgrammingRun::Execute() {
    Steps();
    SettleSerial();
    return outcome_;
}

void ProgrammingRun::SettleSerial() {
    outcome_.serialRefused = state_.serialRefused;
    if (state_.recordSent) outcome_.recordSerial = state_.serial;
    if (state_.serialUsed && CountsSerials(in_)) {
        outcome_.serialAdvanced = true;
        outcome_.usedSerial = state_.serial;
        outcome_.newSerial = AdvanceSerial(state_.serial);
    } else if (state_.serialTaken && in_.releaseSerial) {
        // Stopped between taking the number and sending the record: no chip holds it.
        in_.releaseSerial(state_.serial);
    }
}

RunOutcome ProgrammingRun::Steps() {
    if (!CheckConnection(ctx_)) {
        outcome_.result = Result::ConnectionLost;
        return outcome_;
    }
    Out().ClearOutput();
    const std::uint32_t startTick = ctx_.clock.NowMs();
    // Said before anything is sent; the run goes on with what fits.
    image::ShowOutsideData(Out(), ctx_.image, device_);

    if (!FirmwareAccepted(ctx_, &outcome_.boxIdentification)) return outcome_;
    state_.options = RunTargetOptions(in_);
    if (in_.useProductInfo && !CheckProductInfo(state_)) return outcome_;
    if (!ConnectTarget() || !CheckTarget()) return outcome_;
    if (in_.erase && !Erase()) return outcome_;

    state_.lastOffset = 0xFF;
    const bool needBlocks = in_.program || in_.verify;
    const std::vector<RunBlock> blocks =
        needBlocks ? RunBlocks(ctx_.image, imageEnd_) : std::vector<RunBlock>{};
    if (in_.program && !Program(blocks)) return outcome_;
    if (in_.verify && !Verify(blocks)) return outcome_;
    if (in_.useProductInfo && !WriteProductInfo(state_)) return outcome_;
    if (in_.burnFuse && Mode() != ProgrammingMode::Bsl && !BurnFuse()) return outcome_;
    if (in_.runAfter) {
        // The box never answers TARGET_RUN, so there is nothing to judge.
        (void)ctx_.link.TargetRun();
        Out().AppendMessage(Message::TargetRunning);
    }
    if (CountsSerials(in_) && !state_.serialUsed) {
        // The information flash is protected, so no record went out; the counter still
        // moves on with the unit, as it always has.
        if (!TakeSerial(state_)) return outcome_;
        state_.serialUsed = true;
    }
    Out().AppendElapsedTime(startTick);
    if (in_.beep) Out().CompletionBeep();
    outcome_.result = Result::Succeeded;
    return outcome_;
}

bool ProgrammingRun::ConnectTarget() {
    link::TargetReply reply;
    const auto password = image::PasswordBytes(ctx_.words.bslPassword);
    if (!IsOk(ctx_.link.TargetConnect(state_.options, password, reply))) {
        Out().AppendMessage(Message::ConnectFailed);
        return false;
    }
    Out().AppendMessage(Message::Connected);
    // The box needs a moment with the target before the next command.
    ctx_.clock.SleepMs(kSettleAfterConnectMs);
    outcome_.targetStatus = reply.status;
    outcome_.targetChipId = reply.chipId;
    return true;
}

bool ProgrammingRun::CheckTarget() {
    if (!AcceptTarget(Out(), outcome_.targetStatus, outcome_.targetChipId, device_,
                      Mode() != ProgrammingMode::Bsl, Message::TargetFused)) {
        return false;
    }
    switch (Mode()) {
        case ProgrammingMode::Sbw:
            Out().AppendMessage(Message::ModeSbw);
            break;
        case ProgrammingMode::Jtag:
            Out().AppendMessage(Message::ModeJtag);
            break;
        case ProgrammingMode::Bsl:
            Out().AppendMessage(Message::ModeBsl);
            break;
    }
    return true;
}

bool ProgrammingRun::Erase() {
    const bool keepInfo = (state_.options & kOptKeepInfo) != 0;
    int status = link::kLinkOk;
    if (Mode() == ProgrammingMode::Bsl && !keepInfo) {
        // The box erases on its own in BSL mode; it got the options with TARGET_CONNECT.
        return true;
    }
    if (keepInfo) {
        const bool wide = (state_.options & kOptExtendedAddress) != 0;
        status =
            ctx_.link.EraseSegment(kMainEraseAddress, wide ? kMainEraseWordWide : kMainEraseWord);
    } else {
        status = ctx_.link.MassErase();
    }
    if (!IsOk(status)) {
        Out().AppendMessage(Message::EraseFailed);
        return false;
    }
    Out().AppendMessage(Message::EraseDone);
    return true;
}

bool ProgrammingRun::SendOffsetFor(std::uint32_t address) {
    if (!IsWideDevice(state_.options)) return true;
    const auto high = static_cast<std::uint8_t>(address >> 16);
    if (high == state_.lastOffset) return true;
    state_.lastOffset = high;
    return IsOk(ctx_.link.SetMemOffset(high));
}

bool ProgrammingRun::Program(const std::vector<RunBlock>& blocks) {
    BusyScope busy(Out());
    Out().SetProgressRange(ctx_.image.CountUsedBlocks(imageEnd_));
    Out().SetProgressPos(0);
    Out().AppendMessage(Message::ProgramStart);
    const std::uint8_t* bytes = ctx_.image.Data();
    for (const RunBlock& block : blocks) {
        const bool sent = SendOffsetFor(block.address) &&
                          IsOk(ctx_.link.RxDataBlock(static_cast<std::uint16_t>(block.address),
                                                     {bytes + block.address, block.length}));
        if (!sent) {
            Out().AppendMessage(Message::ProgramFailed);
            return false;
        }
        Out().SetProgressPos(block.progress);
    }
    Out().AppendMessage(Message::ProgramDone);
    return true;
}

bool ProgrammingRun::Verify(const std::vector<RunBlock>& blocks) {
    BusyScope busy(Out());
    Out().AppendMessage(Message::VerifyStart);
    if (!in_.program) Out().SetProgressRange(ctx_.image.CountUsedBlocks(imageEnd_));
    Out().SetProgressPos(0);
    const std::uint8_t* bytes = ctx_.image.Data();
    std::array<std::uint8_t, kMaxRunBlock + 6> reply{};
    for (const RunBlock& block : blocks) {
        if (!SendOffsetFor(block.address)) {
            Out().AppendMessage(Message::ProgramFailed);
            return false;
        }
        const bool read = IsOk(ctx_.link.TxDataBlock(static_cast<std::uint16_t>(block.address),
                                                     static_cast<std::uint8_t>(block.length),
                                                     {reply.data(), block.length + 6}));
        if (!read) {
            Out().AppendMessage(Message::VerifyFailed);
            return false;
        }
        const std::uint8_t* got = reply.data() + link::kDataReplyHead;
        std::uint32_t differ = 0;
        std::uint32_t first = 0;
        for (std::uint32_t i = block.length; i-- > 0;) {
            if (got[i] != bytes[block.address + i]) {
                ++differ;
                first = i;
            }
        }
        if (differ != 0) {
            Out().AppendMessage(Message::VerifyFailed);
            Out().AppendShownText(DifferenceLine(Out().Language(), block.address + first,
                                                 bytes[block.address + first], got[first], differ));
            return false;
        }
        Out().SetProgressPos(block.progress);
    }
    Out().AppendMessage(Message::VerifyDone);
    return true;
}

bool ProgrammingRun::BurnFuse() {
    if (!IsOk(ctx_.link.BurnFuse())) {
        Out().AppendMessage(Message::FuseFailed);
        return false;
    }
    Out().AppendMessage(Message::FuseDone);
    return true;
}

}  // namespace

RunOutcome RunProgramming(OperationContext& ctx, const OperationInputs& in) {
    LastMessageOutput out(ctx.out);
    OperationContext watched{ctx.link, out, ctx.clock, ctx.image, ctx.words};
    ProgrammingRun run(watched, in);
    RunOutcome outcome = run.Execute();
    outcome.message = outcome.serialRefused ? Message::InfoWriteFailed
                                            : out.Last().value_or(Message::ConnectFailed);
    // A box pulled mid-run: the step's message stays, and the caller goes back to searching
    // instead of waiting for the next command to find out.
    if (outcome.result == Result::Failed && !ctx.link.IsPortAlive())
        outcome.result = Result::ConnectionLost;
    return outcome;
}

}  // namespace kx::ops
