// Reading target memory through the programmer into the code image.

#include <algorithm>
#include <array>
#include <cstdint>

#include "devices/device_catalogue.h"
#include "devices/target_chip_report.h"
#include "operations/operations.h"
#include "operations/product_info.h"
#include "operations/target_options.h"

namespace kx::ops {
namespace {

constexpr int kMsgConnectFailed = 9;
constexpr int kMsgConnected = 10;
constexpr int kMsgNoTarget = 11;
constexpr int kMsgPasswordRefused = 12;
constexpr int kMsgInvalidChip = 14;
constexpr int kMsgOddAddress = 36;
constexpr int kMsgOddLength = 37;
constexpr int kMsgOverflow = 38;
constexpr int kMsgFused = 39;
constexpr int kMsgStartReading = 40;
constexpr int kMsgReadFailed = 41;
constexpr int kMsgReadDone = 42;

constexpr std::uint32_t kReadBlock = 128;

// Reads [address, address + length) in blocks of at most 128 bytes into the image,
// sending SET_MEM_OFFSET whenever the address bits 16..23 change on a wide device.
class BlockReader {
  public:
    BlockReader(OperationContext& ctx, bool wide) : ctx_(ctx), wide_(wide) {}

    // Information memory always lies in bank 0.
    bool ReadBank0Block(std::uint32_t address) {
        if (wide_ && lastOffset_ != 0) {
            if (ctx_.link.SetMemOffset(0) != link::kLinkOk) return false;
            lastOffset_ = 0;
        }
        return ReadBlock(address, kReadBlock);
    }

    bool ReadAt(std::uint32_t address, std::uint32_t count) {
        if (wide_) {
            const auto offset = static_cast<std::uint8_t>(address >> 16);
            if (offset != lastOffset_) {
                if (ctx_.link.SetMemOffset(offset) != link::kLinkOk) return false;
                lastOffset_ = offset;
            }
        }
        return ReadBlock(address, count);
    }

  private:
    bool ReadBlock(std::uint32_t address, std::uint32_t count) {
        std::array<std::uint8_t, kReadBlock + 6> reply{};
        const auto n = static_cast<std::uint8_t>(count);
        if (ctx_.link.TxDataBlock(static_cast<std::uint16_t>(address), n,
                                  std::span<std::uint8_t>(reply.data(), count + 6)) !=
            link::kLinkOk) {
            return false;
        }
        for (std::uint32_t i = 0; i < count; ++i) {
            ctx_.image.Set(address + i, reply[link::kDataReplyHead + i]);
        }
        return true;
    }

    OperationContext& ctx_;
    bool wide_;
    std::uint8_t lastOffset_ = 0xFF;  // nothing sent yet
};

// A block must not run over a 64 KiB boundary: the box adds the count to a 16-bit address
// within the current memory offset, so the bytes past the boundary would come from the
// bottom of the same bank.
std::uint32_t BlockCount(std::uint32_t address, std::uint32_t remaining) {
    const std::uint32_t toBoundary = 0x10000 - (address & 0xFFFF);
    return std::min({kReadBlock, remaining, toBoundary});
}

}  // namespace

ReadOutcome ReadTarget(OperationContext& ctx, const OperationInputs& in) {
    ReadOutcome outcome;
    Output& out = ctx.out;
    const devices::DeviceRecord& device = devices::DeviceAt(in.deviceRow);

    if (!CheckConnection(ctx)) {
        outcome.connectionLost = true;
        return outcome;
    }
    const std::uint32_t startTick = ctx.clock.NowMs();
    out.ClearOutput();

    std::uint32_t start = device.flashStart;
    std::uint32_t length = device.flashSize;
    if (!in.readByDevice) {
        start = HexFieldValue(in.readAddressText);
        if ((start & 1U) != 0) {
            out.AppendMessage(kMsgOddAddress);
            return outcome;
        }
        length = HexFieldValue(in.readLengthText);
        if ((length & 1U) != 0) {
            out.AppendMessage(kMsgOddLength);
            return outcome;
        }
        // Summed in 64 bits so that a huge length cannot wrap below ImageEnd.
        if (std::uint64_t{start} + length > devices::ImageEnd(device)) {
            out.AppendMessage(kMsgOverflow);
            return outcome;
        }
    }

    const std::uint16_t options = ReadTargetOptions(in);
    const auto password = security::PasswordBytes(ctx.words.bslPassword);
    link::TargetReply reply;
    if (ctx.link.TargetConnect(options, password, reply) != link::kLinkOk) {
        out.AppendMessage(kMsgConnectFailed);
        return outcome;
    }
    out.AppendText(MessageText(kMsgConnected, out.Language()));
    outcome.targetStatus = reply.status;
    outcome.targetChipId = reply.chipId;
    if (reply.status == link::kTargetNone) {
        out.AppendMessage(kMsgNoTarget);
        return outcome;
    }
    if (reply.status == link::kTargetPasswordRefused) {
        out.AppendMessage(kMsgPasswordRefused);
        return outcome;
    }
    if (reply.status == link::kTargetFused) {
        out.AppendMessage(kMsgFused);
        return outcome;
    }
    if (reply.chipId == 0) {
        out.AppendMessage(kMsgInvalidChip);
        return outcome;
    }
    devices::ShowTargetChip(out, reply.chipId);
    devices::CheckDeviceMatch(out, device, reply.chipId);
    out.AppendMessage(kMsgStartReading);

    ctx.image.Clear();
    BlockReader reader(ctx, IsWideDevice(options));

    if (in.readByDevice) {
        const bool high = (options & kOptInfoAt1800) != 0;
        const std::uint32_t infoStart = high ? 0x1800 : 0x1000;
        const std::uint32_t infoEnd = high ? 0x1A00 : 0x1100;
        for (std::uint32_t a = infoStart; a < infoEnd; a += kReadBlock) {
            if (!reader.ReadBank0Block(a)) {
                out.AppendMessage(kMsgReadFailed);
                return outcome;
            }
        }
    }

    out.SetProgressRange(length);
    {
        BusyScope busy(out);
        std::uint32_t address = start;
        std::uint32_t done = 0;
        while (done < length) {
            out.SetProgressPos(done);
            const std::uint32_t count = BlockCount(address, length - done);
            if (!reader.ReadAt(address, count)) {
                out.AppendMessage(kMsgReadFailed);
                return outcome;
            }
            address += count;
            done += count;
        }
        out.SetProgressPos(done);
    }
    out.AppendMessage(kMsgReadDone);
    outcome.success = true;
    out.AppendElapsedTime(startTick);
    out.CompletionBeep();
    return outcome;
}

}  // namespace kx::ops
