// The box's own MCU: its ROM loader (published MSP430 BSL commands at 9600 baud, each
// frame after its own sync byte) and the firmware in its flash.

#include <algorithm>
#include <array>

#include "sim/box.h"
#include "sim/sim_timing.h"

namespace kx::sim {
namespace {

constexpr std::uint32_t kOwnRamStart = 0x0200;
constexpr std::uint32_t kOwnChipId = 0xF149;
constexpr std::uint16_t kPatchedLoaderMax = 0x0110;  // loaders up to 1.10 need the RAM patch
constexpr std::uint32_t kPatchAddress = 0x0220;
constexpr std::uint16_t kLoaderEntry = 0x0C22;       // re-entry of the ROM loader
constexpr std::uint32_t kIdentificationAt = 0x11C5;  // "#0" + revision letter + 17 chars + NUL
constexpr std::uint32_t kResetVector = 0xFFFE;

std::uint16_t Word(std::span<const std::uint8_t> p, std::size_t i) {
    return static_cast<std::uint16_t>(p[i] | (p[i + 1] << 8));
}

}  // namespace

bool Box::OwnRead(std::uint32_t address, std::span<std::uint8_t> out) const {
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto a = static_cast<std::uint32_t>(address + i);
        if (ownFlash_.Contains(a)) {
            out[i] = ownFlash_.Byte(a);
        } else if (ownInfo_.Contains(a)) {
            out[i] = ownInfo_.Byte(a);
        } else if (a >= kOwnRamStart && a < kOwnRamStart + ownRam_.size()) {
            out[i] = ownRam_[a - kOwnRamStart];
        } else if (a >= kBootRomStart && a < kBootRomEnd) {
            switch (a) {
                case 0x0FF0:
                    out[i] = static_cast<std::uint8_t>(kOwnChipId >> 8);
                    break;
                case 0x0FF1:
                    out[i] = static_cast<std::uint8_t>(kOwnChipId & 0xFF);
                    break;
                case 0x0FFA:
                    out[i] = static_cast<std::uint8_t>(config_.loaderVersion >> 8);
                    break;
                case 0x0FFB:
                    out[i] = static_cast<std::uint8_t>(config_.loaderVersion & 0xFF);
                    break;
                default:
                    out[i] = 0xFF;
                    break;
            }
        } else {
            return false;
        }
    }
    return true;
}

// A small stand-in for the factory firmware: a start-up stub at 0x1100, the identification
// where the real firmware keeps it, and all vectors pointing at the stub.
void Box::WriteFactoryFirmware() {
    ownFlash_.EraseAll();
    ownInfo_.EraseAll();
    constexpr std::array<std::uint8_t, 12> kStartup{0x31, 0x40, 0x00, 0x0A, 0xB2, 0x40,
                                                    0x80, 0x5A, 0x20, 0x01, 0xFF, 0x3F};
    ownFlash_.Program(0x1100, kStartup);

    const std::string& id = config_.identification;
    std::vector<std::uint8_t> text{'#', '0',
                                   static_cast<std::uint8_t>(id.size() > 17 ? id[17] : 0)};
    for (std::size_t i = 0; i < 17; ++i) {
        text.push_back(static_cast<std::uint8_t>(i < id.size() ? id[i] : 0));
    }
    text.push_back(0);
    ownFlash_.Program(kIdentificationAt, text);

    std::array<std::uint8_t, 32> vectors{};
    for (std::size_t i = 0; i < vectors.size(); i += 2) {
        vectors[i] = 0x00;
        vectors[i + 1] = 0x11;
    }
    ownFlash_.Program(kVectorStart, vectors);
}

std::optional<std::uint16_t> Box::FirmwareEntry() const {
    const auto entry = static_cast<std::uint16_t>(ownFlash_.Byte(kResetVector) |
                                                  (ownFlash_.Byte(kResetVector + 1) << 8));
    if (entry == 0xFFFF || !ownFlash_.Contains(entry, 2)) return std::nullopt;
    if (ownFlash_.Byte(entry) == 0xFF && ownFlash_.Byte(entry + 1) == 0xFF) return std::nullopt;
    return entry;
}

// The 17 characters after "#0" and the revision letter, then the letter itself.
std::string Box::FirmwareIdentification() const {
    if (ownFlash_.Byte(kIdentificationAt) != '#' || ownFlash_.Byte(kIdentificationAt + 1) != '0') {
        return {};
    }
    std::string id;
    for (std::uint32_t a = kIdentificationAt + 3; a < kIdentificationAt + 20; ++a) {
        const std::uint8_t c = ownFlash_.Byte(a);
        if (c == 0 || c == 0xFF) break;
        id += static_cast<char>(c);
    }
    const std::uint8_t letter = ownFlash_.Byte(kIdentificationAt + 2);
    if (id.size() == 17 && letter > 0x20 && letter < 0x7F) id += static_cast<char>(letter);
    return id;
}

Box::Reply Box::HandleLoader(std::uint8_t code, std::span<const std::uint8_t> p) {
    switch (static_cast<link::Command>(code)) {
        case link::Command::RX_PASSWORD: {
            if (p.size() < 4 + link::kPasswordSize) return Nak("short payload");
            std::array<std::uint8_t, link::kPasswordSize> own{};
            OwnRead(kVectorStart, own);
            if (!std::equal(own.begin(), own.end(), p.begin() + 4)) return Nak("wrong password");
            loaderUnlocked_ = true;
            return Ack();
        }
        case link::Command::MASS_ERASE: {
            // Needs no password; afterwards the password is the erased one.
            ownFlash_.EraseAll();
            ownInfo_.EraseAll();
            loaderUnlocked_ = false;
            Reply r = Ack();
            r.workUs = timing::kMassEraseUs + 2 * timing::kSegmentEraseUs;
            return r;
        }
        case link::Command::ERASE_SEGMENT: {
            if (!loaderUnlocked_) return Nak("password first");
            if (p.size() < 4) return Nak("short payload");
            const std::uint32_t address = Word(p, 0);
            Reply r = Ack();
            switch (Word(p, 2)) {
                case 0xA502:
                    if (ownFlash_.Contains(address)) {
                        ownFlash_.EraseSegmentAt(address);
                    } else if (ownInfo_.Contains(address)) {
                        ownInfo_.EraseSegmentAt(address);
                    } else {
                        return Nak("not a flash address");
                    }
                    r.workUs = timing::kSegmentEraseUs;
                    return r;
                case 0xA504:
                    ownFlash_.EraseAll();
                    r.workUs = timing::kMassEraseUs;
                    return r;
                case 0xA506:
                    ownFlash_.EraseAll();
                    ownInfo_.EraseAll();
                    r.workUs = timing::kMassEraseUs + 2 * timing::kSegmentEraseUs;
                    return r;
                default:
                    return Nak("unknown erase word");
            }
        }
        case link::Command::TX_DATA_BLOCK: {
            if (!loaderUnlocked_) return Nak("password first");
            if (p.size() < 4 || p[2] > 250) return Nak("bad length");
            std::vector<std::uint8_t> data(p[2]);
            if (!OwnRead(Word(p, 0), data)) return Nak("outside memory");
            Reply r;
            r.bytes = DataReply(data);
            r.fields.Text("reply", "data");
            return r;
        }
        case link::Command::RX_DATA_BLOCK:
            return LoaderWrite(p);
        case link::Command::LOAD_PC:
            return LoaderLoadPc(p);
        default:
            return Nak("unknown loader command");
    }
}

Box::Reply Box::LoaderWrite(std::span<const std::uint8_t> p) {
    if (!loaderUnlocked_) return Nak("password first");
    if (p.size() < 4 || p.size() < 4u + p[2]) return Nak("length disagrees");
    const std::uint32_t address = Word(p, 0);
    const std::uint32_t n = p[2];
    const auto data = p.subspan(4, n);
    if (address >= kOwnRamStart && address + n <= kOwnRamStart + ownRam_.size()) {
        std::copy(data.begin(), data.end(), ownRam_.begin() + (address - kOwnRamStart));
        if (address <= kPatchAddress && address + n >= kPatchAddress + 2) ramCodeAt0220_ = true;
        return Ack();
    }
    const bool inFlash = ownFlash_.Contains(address, n) || ownInfo_.Contains(address, n);
    if (!inFlash) return Nak("outside RAM and flash");
    if (config_.loaderVersion <= kPatchedLoaderMax && !patchArmed_) {
        return Nak("this loader writes flash only through its RAM patch");
    }
    patchArmed_ = false;
    if (ownFlash_.Contains(address, n)) {
        ownFlash_.Program(address, data);
    } else {
        ownInfo_.Program(address, data);
    }
    Reply r = Ack();
    r.workUs = (n + 1) / 2 * timing::kWordProgramUs;
    return r;
}

Box::Reply Box::LoaderLoadPc(std::span<const std::uint8_t> p) {
    if (!loaderUnlocked_) return Nak("password first");
    if (p.size() < 2) return Nak("short payload");
    const std::uint16_t address = Word(p, 0);
    Reply r = Ack();
    if (address == kLoaderEntry) {
        r.then = Reply::Then::RestartLoader;
        r.fields.Text("jump", "loader entry");
    } else if (address == kPatchAddress && ramCodeAt0220_) {
        patchArmed_ = config_.loaderVersion <= kPatchedLoaderMax;
        r.fields.Text("jump", "RAM patch");
    } else if (const auto entry = FirmwareEntry(); entry && *entry == address) {
        r.then = Reply::Then::StartFirmware;
        r.fields.Text("jump", "firmware");
    } else {
        r.then = Reply::Then::Die;
        r.fields.Text("jump", "nowhere: the box hangs");
    }
    return r;
}

}  // namespace kx::sim
