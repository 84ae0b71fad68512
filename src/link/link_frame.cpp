#include "link/link_frame.h"

#include "link/link_types.h"

namespace kx::link {
namespace {

// L1 is one byte and must stay even.
constexpr std::size_t kMaxPaddedPayload = 254;
constexpr std::uint8_t kPadByte = 0xFF;

struct ReplyClassRow {
    Command command;
    ReplyClass replyClass;
};

// Every command the box answers; any code not listed gets no reply.
constexpr ReplyClassRow kReplyClasses[] = {
    {Command::RX_PASSWORD, {ReplyKind::AckShort, 500}},
    {Command::RX_DATA_BLOCK, {ReplyKind::AckShort, 500}},
    {Command::TX_DATA_BLOCK, {ReplyKind::EchoLength, 500}},
    {Command::ERASE_SEGMENT, {ReplyKind::AckShort, 500}},
    {Command::MASS_ERASE, {ReplyKind::AckLong, 1200}},
    {Command::LOAD_PC, {ReplyKind::AckShort, 500}},
    {Command::SET_MEM_OFFSET, {ReplyKind::AckShort, 500}},
    {Command::TARGET_CONNECT, {ReplyKind::Fixed10, 1000}},
    {Command::TARGET_RUN, {ReplyKind::None, 0}},
    {Command::GET_VERSION, {ReplyKind::Fixed26, 500}},
    {Command::BURN_FUSE, {ReplyKind::AckShort, 500}},
    {Command::STORE_READ, {ReplyKind::EchoLength, 500}},
    {Command::OFFLINE_SETUP, {ReplyKind::AckLong, 1200}},
    {Command::STORE_WRITE, {ReplyKind::AckShort, 500}},
    {Command::ENTER_LOADER, {ReplyKind::AckShort, 500}},
    {Command::VPP_TEST, {ReplyKind::AckShort, 500}},
};

}  // namespace

std::uint16_t FrameChecksum(std::span<const std::uint8_t> bytes) {
    std::uint8_t low = 0;
    std::uint8_t high = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i % 2 == 0) {
            low ^= bytes[i];
        } else {
            high ^= bytes[i];
        }
    }
    const auto word = static_cast<std::uint16_t>(low | (high << 8));
    return static_cast<std::uint16_t>(word ^ 0xFFFF);
}

bool DataReplyChecksumOk(std::span<const std::uint8_t> reply) {
    if (reply.size() < kDataReplyHead + 2) return false;
    const std::size_t bodySize = reply.size() - 2;
    std::uint8_t low = 0;
    std::uint8_t high = bodySize % 2 == 0 ? 0 : kPadByte;  // the pad sits at an odd offset
    for (std::size_t i = 0; i < bodySize; ++i) {
        if (i % 2 == 0) {
            low ^= reply[i];
        } else {
            high ^= reply[i];
        }
    }
    return reply[bodySize] == static_cast<std::uint8_t>(~low) &&
           reply[bodySize + 1] == static_cast<std::uint8_t>(~high);
}

std::vector<std::uint8_t> BuildLinkFrame(std::uint8_t command,
                                         std::span<const std::uint8_t> payload) {
    const bool odd = payload.size() % 2 != 0;
    const std::size_t padded = payload.size() + (odd ? 1 : 0);
    if (padded > kMaxPaddedPayload) return {};

    std::vector<std::uint8_t> frame;
    frame.reserve(padded + 6);
    const auto length = static_cast<std::uint8_t>(padded);
    frame.push_back(kFrameHeader);
    frame.push_back(command);
    frame.push_back(length);
    frame.push_back(length);
    frame.insert(frame.end(), payload.begin(), payload.end());
    // The pad byte belongs to the frame, never to the caller's buffer.
    if (odd) frame.push_back(kPadByte);
    const std::uint16_t sum = FrameChecksum(frame);
    frame.push_back(static_cast<std::uint8_t>(sum & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(sum >> 8));
    return frame;
}

ReplyClass ReplyClassOf(std::uint8_t command) {
    for (const ReplyClassRow& row : kReplyClasses) {
        if (static_cast<std::uint8_t>(row.command) == command) return row.replyClass;
    }
    return {ReplyKind::None, 0};
}

std::size_t ExpectedReplyLength(std::uint8_t command, std::span<const std::uint8_t> paddedPayload) {
    switch (ReplyClassOf(command).kind) {
        case ReplyKind::EchoLength:
            // The box echoes the requested count plus its 4-byte head and 2-byte tail.
            // Counted without wrapping: 250..255 bytes must not turn into a 0..5 byte wait
            // that "succeeds" without data.
            if (paddedPayload.size() < 3) return 0;
            return static_cast<std::size_t>(paddedPayload[2]) + 6;
        case ReplyKind::Fixed26:
            return kVersionReplySize;
        case ReplyKind::Fixed10:
            return kTargetReplySize;
        case ReplyKind::AckShort:
        case ReplyKind::AckLong:
        case ReplyKind::None:
            break;
    }
    return 0;
}

}  // namespace kx::link
