// Reading target memory through the programmer into the code image.

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "devices/device_catalogue.h"
#include "link/link_frame.h"
#include "messages/text_catalogue.h"
#include "messages/text_format.h"
#include "operations/operations.h"
#include "operations/product_info.h"
#include "operations/target_options.h"
#include "security/vector_image.h"

namespace kx::ops {
namespace {

constexpr std::uint32_t kReadBlock = 128;
// Replies asked for one block before the read gives up on it.
constexpr std::size_t kMaxReplies = 4;

// Reads [address, address + length) in blocks of at most 128 bytes into `image`,
// sending SET_MEM_OFFSET whenever the address bits 16..23 change on a wide device.
class BlockReader {
  public:
    BlockReader(link::ProgrammerLink& link, image::CodeImage& image, bool wide)
        : link_(link), image_(image), wide_(wide) {}

    std::uint32_t Blocks() const { return blocks_; }
    std::uint32_t Rereads() const { return rereads_; }
    // The block whose replies never confirmed each other, if that ended the read.
    std::optional<std::uint32_t> Unconfirmed() const { return unconfirmed_; }

    // Information memory always lies in bank 0.
    bool ReadBank0Block(std::uint32_t address) {
        if (wide_ && lastOffset_ != 0) {
            if (link_.SetMemOffset(0) != link::kLinkOk) return false;
            lastOffset_ = 0;
        }
        return ReadBlock(address, kReadBlock);
    }

    bool ReadAt(std::uint32_t address, std::uint32_t count) {
        if (wide_) {
            const auto offset = static_cast<std::uint8_t>(address >> 16);
            if (offset != lastOffset_) {
                if (link_.SetMemOffset(offset) != link::kLinkOk) return false;
                lastOffset_ = offset;
            }
        }
        return ReadBlock(address, count);
    }

  private:
    // A block is taken when its reply carries a correct checksum, or else when two of its
    // replies agree byte for byte: what a box puts in the head and check bytes is its own
    // affair, so a wrong checksum is no reason to stop, but neither is the reply good data.
    bool ReadBlock(std::uint32_t address, std::uint32_t count) {
        std::array<std::array<std::uint8_t, kReadBlock + 6>, kMaxReplies> replies;
        const auto n = static_cast<std::uint8_t>(count);
        for (std::size_t k = 0; k < kMaxReplies; ++k) {
            if (k > 0) ++rereads_;
            const std::span<std::uint8_t> reply(replies[k].data(), count + 6);
            if (link_.TxDataBlock(static_cast<std::uint16_t>(address), n, reply) != link::kLinkOk) {
                return false;
            }
            const auto data = reply.subspan(link::kDataReplyHead, count);
            bool confirmed = link::DataReplyChecksumOk(reply);
            for (std::size_t j = 0; j < k && !confirmed; ++j) {
                confirmed =
                    std::equal(data.begin(), data.end(), replies[j].begin() + link::kDataReplyHead);
            }
            if (confirmed) {
                for (std::uint32_t i = 0; i < count; ++i) image_.Set(address + i, data[i]);
                ++blocks_;
                return true;
            }
        }
        unconfirmed_ = address;
        return false;
    }

    link::ProgrammerLink& link_;
    image::CodeImage& image_;
    bool wide_;
    std::uint8_t lastOffset_ = 0xFF;  // nothing sent yet
    std::uint32_t blocks_ = 0;
    std::uint32_t rereads_ = 0;
    std::optional<std::uint32_t> unconfirmed_;
};

// Past a bank boundary the bytes would come from the bottom of the same bank.
std::uint32_t BlockCount(std::uint32_t address, std::uint32_t remaining) {
    return std::min({kReadBlock, remaining, link::BytesToBankEnd(address)});
}

ReadOutcome Read(OperationContext& ctx, const OperationInputs& in) {
    ReadOutcome outcome;
    Output& out = ctx.out;
    const devices::DeviceRecord& device = devices::DeviceAt(in.deviceRow);

    if (!CheckConnection(ctx)) {
        outcome.result = Result::ConnectionLost;
        return outcome;
    }
    const std::uint32_t startTick = ctx.clock.NowMs();
    out.ClearOutput();

    std::uint32_t start = device.flashStart;
    std::uint32_t length = device.flashSize;
    if (!in.readByDevice) {
        start = HexFieldValue(in.readAddressText);
        if ((start & 1U) != 0) {
            out.AppendMessage(Message::ReadAddressOdd);
            return outcome;
        }
        length = HexFieldValue(in.readLengthText);
        if ((length & 1U) != 0) {
            out.AppendMessage(Message::ReadLengthOdd);
            return outcome;
        }
        // Summed in 64 bits so that a huge length cannot wrap below ImageEnd.
        if (std::uint64_t{start} + length > devices::ImageEnd(device)) {
            out.AppendMessage(Message::ReadOverflow);
            return outcome;
        }
    }

    const std::uint16_t options = ReadTargetOptions(in);
    const auto password = image::PasswordBytes(ctx.words.bslPassword);
    link::TargetReply reply;
    if (ctx.link.TargetConnect(options, password, reply) != link::kLinkOk) {
        out.AppendMessage(Message::ConnectFailed);
        return outcome;
    }
    out.AppendText(MessageText(Message::Connected, out.Language()));
    outcome.targetStatus = reply.status;
    outcome.targetChipId = reply.chipId;
    // The read checks the fuse and the chip id in every mode.
    if (!AcceptTarget(out, reply.status, reply.chipId, device, true, Message::ReadTargetFused))
        return outcome;
    out.AppendMessage(Message::ReadStart);

    // Heap, not stack: the image is 279 KiB.
    const auto fresh = std::make_unique<image::CodeImage>();
    BlockReader reader(ctx.link, *fresh, IsWideDevice(options));
    const auto failed = [&] {
        outcome.blocks = reader.Blocks();
        outcome.rereads = reader.Rereads();
        if (const auto at = reader.Unconfirmed()) {
            out.AppendText(SayText(out.Language(), Text::BlockUnconfirmed,
                                   {FormatHex(*at, 4), std::to_string(kMaxReplies)}));
        }
        out.AppendMessage(Message::ReadFailed);
        return outcome;
    };

    if (in.readByDevice) {
        const bool high = (options & kOptInfoAt1800) != 0;
        const std::uint32_t infoStart = high ? 0x1800 : 0x1000;
        const std::uint32_t infoEnd = high ? 0x1A00 : 0x1100;
        for (std::uint32_t a = infoStart; a < infoEnd; a += kReadBlock) {
            if (!reader.ReadBank0Block(a)) return failed();
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
            if (!reader.ReadAt(address, count)) return failed();
            address += count;
            done += count;
        }
        out.SetProgressPos(done);
    }
    ctx.image = *fresh;
    // The read chip's vectors are now the image's: the password dialog must show them, and
    // its OK must write them back, not the vectors of a file loaded before.
    security::TakeLoadedVectors(ctx.words, security::VectorsOfImage(ctx.image));
    outcome.result = Result::Succeeded;
    outcome.blocks = reader.Blocks();
    outcome.rereads = reader.Rereads();
    out.AppendMessage(Message::ReadDone);
    out.AppendText(SayText(out.Language(), Text::BlocksRead,
                           {std::to_string(outcome.blocks), std::to_string(outcome.rereads)}));
    out.AppendElapsedTime(startTick);
    out.CompletionBeep();
    return outcome;
}

}  // namespace

ReadOutcome ReadTarget(OperationContext& ctx, const OperationInputs& in) {
    ReadOutcome outcome = Read(ctx, in);
    // A box pulled mid-read: the step's message stays, and the caller goes back to searching.
    if (outcome.result == Result::Failed && !ctx.link.IsPortAlive()) {
        outcome.result = Result::ConnectionLost;
    }
    return outcome;
}

}  // namespace kx::ops
