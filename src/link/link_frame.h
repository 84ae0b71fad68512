#pragma once
// Request frames in the MSP430 BSL UART format: 0x80, command, L1, L2, payload, CKL, CKH.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kx::link {

// Inverted XOR of the frame read as 16-bit little-endian words (BSL checksum).
// `bytes` must have even length.
std::uint16_t FrameChecksum(std::span<const std::uint8_t> bytes);

// True when a data reply (head, data, two check bytes) ends with the checksum of everything
// before it, an odd count padded with 0xFF as in a request. Too short a reply is false.
bool DataReplyChecksumOk(std::span<const std::uint8_t> reply);

// A complete frame; an odd payload gets one 0xFF pad byte inside the frame.
// Payloads longer than 254 bytes (after padding) are a caller error: the result is empty.
std::vector<std::uint8_t> BuildLinkFrame(std::uint8_t command,
                                         std::span<const std::uint8_t> payload);

// How a command's reply is awaited and judged.
enum class ReplyKind { AckShort, AckLong, EchoLength, Fixed26, Fixed10, None };

struct ReplyClass {
    ReplyKind kind;
    std::uint32_t timeoutMs;
};

ReplyClass ReplyClassOf(std::uint8_t command);

// Number of reply bytes a data-class command waits for (0 for acknowledge classes and None).
// For EchoLength it is payload byte 2 + 6 (6..261, not wrapped to a byte; 0 when the
// payload has no byte 2).
std::size_t ExpectedReplyLength(std::uint8_t command, std::span<const std::uint8_t> paddedPayload);

}  // namespace kx::link
