// Filling the programmer's offline store: setup record, packed image, read-back.

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "devices/device_catalogue.h"
#include "image/outside_data.h"
#include "messages/text_catalogue.h"
#include "operations/confirmed_start.h"
#include "operations/offline_store.h"
#include "operations/operations.h"
#include "operations/product_info.h"
#include "operations/target_options.h"
#include "operations/version_check.h"
#include "settings/settings_text.h"

namespace kx::ops {
namespace {

std::size_t ChunkSize(std::size_t offset, std::size_t total) {
    return std::min(kStoreChunk, total - offset);
}

// Sends the setup record and the packed image, then reads the image back and compares.
bool FillStore(OperationContext& ctx, const OfflineSetupRecord& record,
               std::span<const std::uint8_t> packed) {
    Output& out = ctx.out;
    BusyScope busy(out);
    if (ctx.link.OfflineSetup(record) != link::kLinkOk) {
        out.AppendMessage(Message::DownloadFailed);
        return false;
    }

    const std::size_t total = packed.size();
    out.SetProgressRange(static_cast<std::uint32_t>(total));
    out.AppendMessage(Message::DownloadStart);
    for (std::size_t offset = 0; offset < total; offset += kStoreChunk) {
        out.SetProgressPos(static_cast<std::uint32_t>(offset));
        const std::size_t n = ChunkSize(offset, total);
        if (ctx.link.StoreWrite(static_cast<std::uint32_t>(offset), packed.subspan(offset, n)) !=
            link::kLinkOk) {
            out.AppendMessage(Message::DownloadFailed);
            return false;
        }
    }

    out.AppendMessage(Message::DownloadVerifying);
    std::array<std::uint8_t, kStoreChunk + 6> reply{};
    for (std::size_t offset = 0; offset < total; offset += kStoreChunk) {
        const std::size_t n = ChunkSize(offset, total);
        const bool read =
            ctx.link.StoreRead(static_cast<std::uint32_t>(offset), static_cast<std::uint8_t>(n),
                               std::span<std::uint8_t>(reply.data(), n + 6)) == link::kLinkOk;
        const auto chunk = packed.subspan(offset, n);
        if (!read ||
            !std::equal(chunk.begin(), chunk.end(), reply.begin() + link::kDataReplyHead)) {
            out.AppendMessage(Message::VerifyFailed);
            return false;
        }
        out.SetProgressPos(static_cast<std::uint32_t>(std::min(offset + kStoreChunk, total)));
    }
    out.AppendMessage(Message::DownloadDone);
    return true;
}

Result Download(OperationContext& ctx, const OperationInputs& in) {
    Output& out = ctx.out;
    const std::uint32_t startTick = ctx.clock.NowMs();

    if (const auto stop = StartConfirmedOperation(ctx, Message::ConfirmDownload)) return *stop;

    // The setup record counts blocks in one byte: refuse before anything reaches the box.
    const devices::DeviceRecord& device = devices::DeviceAt(in.deviceRow);
    const OfflineStoreImage store = PackOfflineStore(ctx.image, devices::ImageEnd(device));
    if (store.blockCount > kMaxStoreBlocks) {
        out.AppendShownText(
            SayText(out.Language(), Text::TooManyStoreBlocks,
                    {std::to_string(store.blockCount), std::to_string(kMaxStoreBlocks)}));
        return Result::Failed;
    }
    image::ShowOutsideData(out, ctx.image, device);

    if (!FirmwareAccepted(ctx)) return Result::Failed;

    const std::uint16_t options = DownloadTargetOptions(in);
    if (in.useProductInfo) {
        if (const auto refusal = CheckInfoAddressField(ctx.image, in.infoAddressText,
                                                       (options & kOptInfoAt1800) != 0)) {
            out.AppendMessage(*refusal);
            return Result::Failed;
        }
    }

    OfflineSetup setup;
    setup.blockCount = store.blockCount;
    setup.storeLength = static_cast<std::uint32_t>(store.bytes.size());
    setup.options = options;
    setup.autoIncrement = in.autoIncrement;
    setup.password = image::PasswordBytes(ctx.words.bslPassword);
    // Unused by the box unless the options ask for product information.
    setup.infoAddress = settings::InfoAddressFromText(in.infoAddressText).value_or(0);
    setup.productInfo = ProductInfoRecord(in.productName, in.serial);
    setup.countLimit = CountLimitValue(in.countLimitText);
    if (!FillStore(ctx, BuildOfflineSetupRecord(setup), store.bytes)) return Result::Failed;
    out.AppendElapsedTime(startTick);
    out.CompletionBeep();
    return Result::Succeeded;
}

}  // namespace

Result DownloadOffline(OperationContext& ctx, const OperationInputs& in) {
    const Result result = Download(ctx, in);
    // A box pulled mid-download: the step's message stays, and the caller learns that the
    // link is gone rather than that one command failed.
    if (result == Result::Failed && !ctx.link.IsPortAlive()) return Result::ConnectionLost;
    return result;
}

}  // namespace kx::ops
