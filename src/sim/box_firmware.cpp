// The firmware's own commands: identification, offline store, loader entry, VPP.

#include <algorithm>

#include "sim/box.h"
#include "sim/sim_timing.h"

namespace kx::sim {

Box::Reply Box::HandleFirmware(std::uint8_t code, std::span<const std::uint8_t> p) {
    switch (static_cast<link::Command>(code)) {
        case link::Command::GET_VERSION: {
            std::array<std::uint8_t, link::kVersionReplySize - 6> text{};
            std::copy_n(identification_.begin(), std::min(identification_.size(), text.size()),
                        text.begin());
            Reply r;
            r.bytes = DataReply(text);
            r.fields.Text("identification", identification_);
            r.workUs = timing::kCommandUs;
            return r;
        }
        case link::Command::TARGET_CONNECT:
            return Connect(p);
        case link::Command::TARGET_RUN: {
            // The target is released to run its code; nothing is sent back.
            session_ = {};
            Reply r;
            r.fields.Text("reply", "none");
            return r;
        }
        case link::Command::SET_MEM_OFFSET: {
            if (p.size() < 4) return Nak("short payload");
            memOffset_ = p[2];
            Reply r = Ack();
            r.workUs = timing::kCommandUs;
            return r;
        }
        case link::Command::RX_DATA_BLOCK:
            return WriteBlock(p);
        case link::Command::TX_DATA_BLOCK:
            return ReadBlock(p);
        case link::Command::ERASE_SEGMENT:
            return EraseSegmentCmd(p);
        case link::Command::MASS_ERASE:
            return MassEraseCmd();
        case link::Command::BURN_FUSE:
            return BurnFuseCmd();
        case link::Command::VPP_TEST: {
            Reply r = config_.vppFails ? Nak("VPP out of range") : Ack();
            r.workUs = timing::kVppTestUs;
            return r;
        }
        case link::Command::OFFLINE_SETUP:
            return OfflineSetup(p);
        case link::Command::STORE_WRITE:
            return StoreWrite(p);
        case link::Command::STORE_READ:
            return StoreRead(p);
        case link::Command::ENTER_LOADER: {
            Reply r = Ack();
            r.workUs = timing::kCommandUs;
            r.then = Reply::Then::EnterLoader;
            return r;
        }
        default:
            return Nak("unknown command");
    }
}

Box::Reply Box::OfflineSetup(std::span<const std::uint8_t> p) {
    if (p.size() < link::kOfflineSetupSize) return Nak("short setup record");
    if (p[0] + p[1] != 0xFF) return Nak("block count and complement disagree");
    const std::uint32_t length = p[4] | (p[5] << 8) | (p[6] << 16);
    if (length > store_.size()) return Nak("image larger than the store");
    std::array<std::uint8_t, link::kOfflineSetupSize> record{};
    std::copy_n(p.begin(), record.size(), record.begin());
    setup_ = record;
    setupLength_ = length;
    std::fill_n(store_.begin(), length, 0xFF);
    Reply r = Ack();
    r.workUs = timing::kStoreSetupUs + (length + 1023) / 1024 * timing::kStoreEraseUsPerKiB;
    return r;
}

Box::Reply Box::StoreWrite(std::span<const std::uint8_t> p) {
    if (p.size() < 4 || p.size() < 4u + p[3]) return Nak("length disagrees");
    if (!setup_) return Nak("no setup record yet");
    const std::uint32_t offset = p[0] | (p[1] << 8) | (p[2] << 16);
    const std::uint32_t n = p[3];
    if (offset + n > setupLength_) return Nak("beyond the announced image length");
    std::copy_n(p.begin() + 4, n, store_.begin() + offset);
    Reply r = Ack();
    r.workUs = timing::kStoreWriteUs;
    return r;
}

Box::Reply Box::StoreRead(std::span<const std::uint8_t> p) {
    if (p.size() < 4) return Nak("short payload");
    const std::uint32_t offset = p[0] | (p[1] << 8) | (p[3] << 16);
    const std::uint32_t n = p[2];
    if (n > 250 || offset + n > store_.size()) return Nak("outside the store");
    Reply r;
    r.bytes =
        DataReply(std::span<const std::uint8_t>(store_).subspan(offset, n), config_.replyChecksums);
    r.fields.Text("reply", "data");
    r.workUs = timing::kStoreReadUs;
    return r;
}

}  // namespace kx::sim
