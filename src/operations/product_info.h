#pragma once
// The 24-byte product-information record and the serial-number rules.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "image/code_image.h"
#include "messages/message_catalogue.h"

namespace kx::ops {

inline constexpr std::size_t kProductInfoSize = 24;
inline constexpr std::size_t kProductNameBytes = 19;  // GBK bytes; byte 19 is always 0

// Name as GBK bytes (at most 19, never half a character) padded with 0x00 to 20 bytes,
// then the serial counter little-endian.
std::array<std::uint8_t, kProductInfoSize> ProductInfoRecord(std::string_view nameUtf8,
                                                             std::uint32_t serial);

// Serial text in the chosen style: "%u" or "%X".
std::string SerialText(std::uint32_t serial, bool hex);
// Typing filter for the serial field: the new counter for an acceptable text (empty → 0;
// DEC digits only, at most 10; HEX 0-9a-fA-F, at most 8, upper-cased in `normalized`),
// nullopt to put the previous text back. Values past 2^32 - 1 are refused.
std::optional<std::uint32_t> ParseSerialText(std::string_view text, bool hex,
                                             std::string* normalized = nullptr);
// Typing filter for hexadecimal fields (information address, read address/length):
// the upper-cased text when every character is a hex digit and it fits `maxLength`.
std::optional<std::string> FilterHexField(std::string_view text, std::size_t maxLength);
// Value of a hexadecimal field (empty → 0). Reading stops at the first character that is
// not a hex digit; a value past 32 bits saturates at 0xFFFFFFFF.
std::uint32_t HexFieldValue(std::string_view text);

// The product name as it goes into the record: GBK, at most 19 bytes, cut between
// characters. A character GBK cannot hold becomes '?'.
std::string ProductNameBytes(std::string_view nameUtf8);
// True when the whole name converts to GBK and fits the 19 bytes unchanged.
bool ProductNameFits(std::string_view nameUtf8);

// InfoOccupied, the range for the chosen segment, InfoAddressOdd, in that order; none when
// the address passes.
std::optional<Message> CheckProductInfoAddress(const image::CodeImage& image, std::uint16_t address,
                                               bool infoAt1800);
// The same for the field text, which the run and the download check before the target is
// touched: a text that is no 16-bit address cannot lie in the information memory.
std::optional<Message> CheckInfoAddressField(const image::CodeImage& image, std::string_view text,
                                             bool infoAt1800);

// 1..60000 as typed, 0 → 0xFFFF (no limit), above 60000 → 60000.
std::uint16_t CountLimitValue(std::string_view digits);

}  // namespace kx::ops
