// One thin operation per link command: each lays out its payload and hands it to
// SendCommand. Addresses and offsets go little-endian.
#include <algorithm>
#include <array>
#include <vector>

#include "link/programmer_link.h"

namespace kx::link {
namespace {

// Data bytes one block operation carries behind its 4-byte head.
constexpr std::size_t kMaxBlockData = 196;

constexpr std::uint8_t Code(Command command) {
    return static_cast<std::uint8_t>(command);
}
constexpr std::uint8_t Low(std::uint32_t value) {
    return static_cast<std::uint8_t>(value & 0xFF);
}
constexpr std::uint8_t High(std::uint32_t value) {
    return static_cast<std::uint8_t>((value >> 8) & 0xFF);
}
constexpr std::uint8_t Bits16to23(std::uint32_t value) {
    return static_cast<std::uint8_t>((value >> 16) & 0xFF);
}

// Head followed by data bytes.
std::vector<std::uint8_t> WithData(std::array<std::uint8_t, 4> head,
                                   std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> payload(head.size() + data.size());
    std::copy(head.begin(), head.end(), payload.begin());
    std::copy(data.begin(), data.end(), payload.begin() + static_cast<std::ptrdiff_t>(head.size()));
    return payload;
}

constexpr std::array<std::uint8_t, 4> kZeroHead{0, 0, 0, 0};

}  // namespace

int ProgrammerLink::RxPassword(std::uint16_t address,
                               std::span<const std::uint8_t, kPasswordSize> password) {
    const auto payload = WithData(
        {Low(address), High(address), static_cast<std::uint8_t>(kPasswordSize), 0x00}, password);
    return SendCommand(Code(Command::RX_PASSWORD), payload);
}

int ProgrammerLink::RxDataBlock(std::uint16_t address, std::span<const std::uint8_t> data) {
    if (data.size() > kMaxBlockData) return kLinkCommandFailed;
    const auto payload =
        WithData({Low(address), High(address), static_cast<std::uint8_t>(data.size()), 0x00}, data);
    return SendCommand(Code(Command::RX_DATA_BLOCK), payload);
}

int ProgrammerLink::TxDataBlock(std::uint16_t address, std::uint8_t count,
                                std::span<std::uint8_t> reply) {
    const std::array<std::uint8_t, 4> payload{Low(address), High(address), count, 0x00};
    return SendCommand(Code(Command::TX_DATA_BLOCK), payload, reply);
}

int ProgrammerLink::EraseSegment(std::uint16_t address, std::uint16_t eraseWord) {
    const std::array<std::uint8_t, 4> payload{Low(address), High(address), Low(eraseWord),
                                              High(eraseWord)};
    return SendCommand(Code(Command::ERASE_SEGMENT), payload);
}

int ProgrammerLink::MassErase() {
    const std::array<std::uint8_t, 4> payload{0x00, 0xFF, 0x00, 0x00};
    return SendCommand(Code(Command::MASS_ERASE), payload);
}

int ProgrammerLink::LoadPc(std::uint16_t address) {
    const std::array<std::uint8_t, 4> payload{Low(address), High(address), 0x00, 0x00};
    return SendCommand(Code(Command::LOAD_PC), payload);
}

int ProgrammerLink::SetMemOffset(std::uint8_t addressBits16to23) {
    const std::array<std::uint8_t, 4> payload{0x00, 0x00, addressBits16to23, 0x00};
    return SendCommand(Code(Command::SET_MEM_OFFSET), payload);
}

int ProgrammerLink::TargetConnect(std::uint16_t options,
                                  std::span<const std::uint8_t, kPasswordSize> password,
                                  TargetReply& reply) {
    const auto payload = WithData({Low(options), High(options), 0x00, 0x00}, password);
    std::array<std::uint8_t, kTargetReplySize> raw{};
    const int status = SendCommand(Code(Command::TARGET_CONNECT), payload, raw);
    // A failed connect must not leave an earlier target's status behind.
    reply = TargetReply{};
    if (status != kLinkOk) return status;
    reply.raw = raw;
    reply.status = static_cast<std::uint16_t>(raw[4] | (raw[5] << 8));
    reply.chipId = static_cast<std::uint16_t>(raw[6] | (raw[7] << 8));
    return kLinkOk;
}

int ProgrammerLink::TargetRun() {
    return SendCommand(Code(Command::TARGET_RUN), kZeroHead);
}

int ProgrammerLink::GetVersion(std::span<std::uint8_t, kVersionReplySize> reply) {
    return SendCommand(Code(Command::GET_VERSION), kZeroHead, reply);
}

int ProgrammerLink::BurnFuse() {
    return SendCommand(Code(Command::BURN_FUSE), kZeroHead);
}

int ProgrammerLink::StoreRead(std::uint32_t offset, std::uint8_t count,
                              std::span<std::uint8_t> reply) {
    // The count sits in byte 2 (the box echoes it from there), the high offset in byte 3.
    const std::array<std::uint8_t, 4> payload{Low(offset), High(offset), count, Bits16to23(offset)};
    return SendCommand(Code(Command::STORE_READ), payload, reply);
}

int ProgrammerLink::OfflineSetup(std::span<const std::uint8_t, kOfflineSetupSize> record) {
    return SendCommand(Code(Command::OFFLINE_SETUP), record);
}

int ProgrammerLink::StoreWrite(std::uint32_t offset, std::span<const std::uint8_t> data) {
    if (data.size() > kMaxBlockData) return kLinkCommandFailed;
    // Unlike STORE_READ: high offset in byte 2, count in byte 3.
    const auto payload = WithData(
        {Low(offset), High(offset), Bits16to23(offset), static_cast<std::uint8_t>(data.size())},
        data);
    return SendCommand(Code(Command::STORE_WRITE), payload);
}

int ProgrammerLink::EnterLoader() {
    return SendCommand(Code(Command::ENTER_LOADER), kZeroHead);
}

int ProgrammerLink::VppTest() {
    return SendCommand(Code(Command::VPP_TEST), kZeroHead);
}

std::string VersionText(std::span<const std::uint8_t, kVersionReplySize> reply) {
    const auto text = reply.subspan(kDataReplyHead);
    const auto end = std::find(text.begin(), text.end(), std::uint8_t{0});
    return std::string(text.begin(), end);
}

}  // namespace kx::link
