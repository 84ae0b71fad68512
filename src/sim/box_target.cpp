// The firmware's commands that act on the target chip.

#include <algorithm>

#include "sim/box.h"
#include "sim/sim_timing.h"

namespace kx::sim {
namespace {

constexpr std::uint16_t kConnectedStatus = 1;

// Options word bits the box acts on. Decoded here on their own, never through the program's
// option code, so that the simulator's tests do not check the program against itself.
constexpr std::uint16_t kOptBsl = 0x0001;
constexpr std::uint16_t kOptSupply = 0x0002;
constexpr std::uint16_t kOptProtectInfo = 0x0004;
constexpr std::uint16_t kOptSbw = 0x0040;
constexpr std::uint16_t kOptTestPin = 0x0200;
constexpr std::uint16_t kOptSbwPinsJtag = 0x0800;
constexpr std::uint16_t kOptEraseSegA = 0x4000;

std::uint16_t Word(std::span<const std::uint8_t> p, std::size_t i) {
    return static_cast<std::uint16_t>(p[i] | (p[i + 1] << 8));
}

// Time for `bytes` characters between the box and the target's BSL.
std::uint64_t BslLineUs(std::size_t bytes) {
    return bytes * timing::ByteUs(timing::kTargetBslBaud);
}

const char* ModeName(TargetMode m) {
    return m == TargetMode::Jtag ? "JTAG" : m == TargetMode::Sbw ? "SBW" : "BSL";
}

}  // namespace

std::uint64_t Box::TargetWriteUs(std::size_t n) const {
    const std::uint64_t words = (n + 1) / 2;
    switch (session_.mode) {
        case TargetMode::Jtag:
            return words * (timing::kJtagWordUs + timing::kWordProgramUs);
        case TargetMode::Sbw:
            return words * (timing::kSbwWordUs + timing::kWordProgramUs);
        case TargetMode::Bsl:
            // sync + ack, the RX_DATA_BLOCK frame, the ack; then the BSL programs the words
            return BslLineUs(2 + 4 + 4 + n + 2 + 1) + words * timing::kWordProgramUs;
    }
    return 0;
}

std::uint64_t Box::TargetReadUs(std::size_t n) const {
    const std::uint64_t words = (n + 1) / 2;
    switch (session_.mode) {
        case TargetMode::Jtag:
            return words * timing::kJtagWordUs;
        case TargetMode::Sbw:
            return words * timing::kSbwWordUs;
        case TargetMode::Bsl:
            return BslLineUs(2 + 8 + 4 + n + 2);
    }
    return 0;
}

std::uint64_t Box::TargetEraseUs(std::uint64_t flashUs) const {
    return flashUs + (session_.mode == TargetMode::Bsl ? BslLineUs(2 + 8 + 1) : 0);
}

Box::Reply Box::Connect(std::span<const std::uint8_t> p) {
    if (p.size() < 4 + link::kPasswordSize) return Nak("short payload");
    const std::uint16_t options = Word(p, 0);
    link::PasswordBytes32 password{};
    std::copy_n(p.begin() + 4, password.size(), password.begin());

    session_ = {};
    memOffset_ = 0;
    session_.options = options;
    session_.mode = (options & kOptSbw)   ? TargetMode::Sbw
                    : (options & kOptBsl) ? TargetMode::Bsl
                                          : TargetMode::Jtag;

    Reply r;
    r.workUs = timing::kCommandUs + ((options & kOptSupply) ? timing::kSupplySettleUs : 0);
    std::uint16_t status = 0;
    std::uint16_t chipId = 0;
    const char* note = nullptr;

    const auto& layout = target_ ? target_->Layout() : devices::DeviceAt(0);
    if (!target_) {
        note = "no chip on the cable";
    } else if (config_.target.needsSupply && !(options & kOptSupply)) {
        note = "target board unpowered";
    } else if ((session_.mode == TargetMode::Jtag && !layout.jtagCapable) ||
               (session_.mode == TargetMode::Sbw && !layout.sbwCapable) ||
               (session_.mode == TargetMode::Bsl && !layout.bslCapable)) {
        note = "chip does not offer this mode";
    } else if (layout.testPin && session_.mode != TargetMode::Sbw && !(options & kOptTestPin)) {
        note = "chip needs the TEST pin entry sequence (option 0x0200)";
    } else if (session_.mode == TargetMode::Jtag && layout.sbwPinsJtag &&
               !(options & kOptSbwPinsJtag)) {
        note = "chip shares JTAG with SBW pins (option 0x0800)";
    }

    if (note != nullptr) {
        r.workUs += timing::kJtagConnectUs;
    } else if (session_.mode != TargetMode::Bsl) {
        r.workUs +=
            session_.mode == TargetMode::Jtag ? timing::kJtagConnectUs : timing::kSbwConnectUs;
        if (target_->Fused()) {
            status = link::kTargetFused;
            note = "fuse blown: JTAG locked";
        } else {
            status = kConnectedStatus;
            chipId = target_->ChipId();
            session_.active = true;
            session_.access = true;
        }
    } else {
        // BSL entry, sync, password, version query, all at the BSL's 9600 baud.
        r.workUs += timing::kBslEntryUs + BslLineUs(2 + 42 + 1 + 2 + 8 + 22);
        chipId = target_->ChipId();
        session_.active = true;
        const bool segA = (options & kOptEraseSegA) != 0;
        if (!(options & kOptProtectInfo)) {
            // Erase asked for and information memory not protected: the box mass-erases
            // through the BSL and then knows the password is the erased one.
            target_->EraseMainAll();
            target_->EraseInfo(segA);
            r.workUs += timing::kMassEraseUs + 4 * timing::kSegmentEraseUs + BslLineUs(12);
            session_.access = true;
            status = kConnectedStatus;
            note = "BSL mass erase before the password";
        } else if (password == target_->Password()) {
            session_.access = true;
            status = kConnectedStatus;
        } else {
            status = link::kTargetPasswordRefused;
            note = "BSL password refused";
            if (config_.bslEraseOnBadPassword) {
                // As the chip's BSL does: a wrong password wipes main and information flash
                // (segment A stays while LOCKA is set).
                target_->EraseMainAll();
                target_->EraseInfo(false);
                r.workUs += timing::kMassEraseUs + 4 * timing::kSegmentEraseUs;
                note = "BSL password refused; the chip mass-erased itself";
            }
        }
    }

    const std::array<std::uint8_t, 4> data{
        static_cast<std::uint8_t>(status & 0xFF), static_cast<std::uint8_t>(status >> 8),
        static_cast<std::uint8_t>(chipId & 0xFF), static_cast<std::uint8_t>(chipId >> 8)};
    r.bytes = DataReply(data);
    r.fields.Number("status", status).Hex("chip_id", chipId).Text("mode", ModeName(session_.mode));
    if (note != nullptr) r.fields.Text("note", note);
    return r;
}

Box::Reply Box::WriteBlock(std::span<const std::uint8_t> p) {
    if (!session_.access) return Nak("no target access");
    if (p.size() < 4 || p.size() < 4u + p[2]) return Nak("length disagrees");
    const std::uint32_t n = p[2];
    const std::uint32_t address = (std::uint32_t{memOffset_} << 16) | Word(p, 0);
    const bool segA = (session_.options & kOptEraseSegA) != 0;
    if (!target_->Program(address, p.subspan(4, n), segA)) return Nak("outside flash");
    Reply r = Ack();
    r.workUs = timing::kCommandUs + TargetWriteUs(n);
    return r;
}

Box::Reply Box::ReadBlock(std::span<const std::uint8_t> p) {
    if (!session_.access) return Nak("no target access");
    if (p.size() < 4) return Nak("short payload");
    const std::uint32_t n = p[2];
    if (n > 250) return Nak("block too long");
    const std::uint32_t address = (std::uint32_t{memOffset_} << 16) | Word(p, 0);
    std::vector<std::uint8_t> data(n);
    if (!target_->Read(address, data)) return Nak("outside memory");
    Reply r;
    r.bytes = DataReply(data, config_.replyChecksums);
    r.fields.Text("reply", "data");
    r.workUs = timing::kCommandUs + TargetReadUs(n);
    return r;
}

Box::Reply Box::EraseSegmentCmd(std::span<const std::uint8_t> p) {
    if (!session_.access) return Nak("no target access");
    if (p.size() < 4) return Nak("short payload");
    const std::uint32_t address = Word(p, 0);
    const std::uint16_t word = Word(p, 2);
    const bool segA = (session_.options & kOptEraseSegA) != 0;
    const auto& layout = target_->Layout();
    const bool inMain = target_->Main().Contains(address);
    Reply r = Ack();
    switch (word) {
        case 0xA502:  // one segment
            if (!target_->EraseSegment(address, segA)) return Nak("not a flash address");
            r.workUs = TargetEraseUs(timing::kSegmentEraseUs);
            break;
        case 0xA504:  // main memory; on 20-bit chips only the bank below 64 KiB
            if (!inMain) return Nak("not a main-flash address");
            target_->EraseMain(layout.flashStart,
                               std::min<std::uint32_t>(layout.FlashEnd(), 0x10000));
            r.workUs = TargetEraseUs(timing::kMassEraseUs);
            break;
        case 0xA50C:  // main memory of every bank
            if (!inMain) return Nak("not a main-flash address");
            target_->EraseMainAll();
            r.workUs = TargetEraseUs(timing::kMassEraseUs);
            break;
        case 0xA506:  // everything, as MASS_ERASE
            return MassEraseCmd();
        default:
            return Nak("unknown erase word");
    }
    r.fields.Hex("erased_with", word);
    return r;
}

Box::Reply Box::MassEraseCmd() {
    // A BSL that refused the password still mass-erases; it just keeps no promises.
    if (!session_.active) return Nak("no target connected");
    const bool keepInfo = session_.access && (session_.options & kOptProtectInfo) != 0;
    const bool segA = session_.access && (session_.options & kOptEraseSegA) != 0;
    target_->EraseMainAll();
    std::uint64_t us = timing::kMassEraseUs;
    if (!keepInfo) {
        target_->EraseInfo(segA);
        us += (kInfoEnd - kInfoStart) / target_->Info().SegmentSize() * timing::kSegmentEraseUs;
    }
    Reply r = Ack();
    r.fields.Flag("info_kept", keepInfo);
    r.workUs = timing::kCommandUs + TargetEraseUs(us);
    return r;
}

Box::Reply Box::BurnFuseCmd() {
    if (!session_.access) return Nak("no target access");
    if (session_.mode == TargetMode::Bsl) return Nak("fuse needs JTAG or SBW");
    if (config_.vppFails) return Nak("VPP out of range");
    target_->BurnFuse();
    // With the fuse blown the JTAG connection is gone.
    session_ = {};
    Reply r = Ack();
    r.workUs = timing::kCommandUs + timing::kFuseBurnUs;
    return r;
}

}  // namespace kx::sim
