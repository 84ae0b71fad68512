#include "operations/loader_probe.h"

#include <array>
#include <cstdint>

namespace kx::ops {
namespace {

constexpr std::uint32_t kLoaderBaud = 9600;
constexpr std::uint16_t kLoaderVersionAddress = 0x0FFA;
constexpr int kSyncTries = 2;
// Finding the loader is not on the per-frame clock: a loaded host (or a USB adapter's
// latency) must not make a box that answers look like no box at all.
constexpr std::uint32_t kProbeSyncMs = 100;

}  // namespace

bool LoaderAnswers(OperationContext& ctx, const std::string& path) {
    if (ctx.link.OpenPortPath(path, kLoaderBaud) != link::kLinkOk) return false;
    // A loader that took the first byte for the start of a frame drops that frame after
    // the 20 ms pause and answers the second.
    for (int attempt = 0; attempt < kSyncTries; ++attempt) {
        if (ctx.link.SyncLoader(kProbeSyncMs) != link::kLinkOk) continue;
        // After its sync the loader waits for a frame; give it one that changes nothing (it
        // is refused while the loader is locked), so the next command starts with a sync.
        std::array<std::uint8_t, 8> reply{};
        ctx.link.TxDataBlock(kLoaderVersionAddress, 2, reply);
        return true;
    }
    ctx.link.ClosePort();
    return false;
}

}  // namespace kx::ops
