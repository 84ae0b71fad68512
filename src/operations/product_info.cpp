#include "operations/product_info.h"

#include <algorithm>

#include "common/hex_digit.h"
#include "messages/text_format.h"
#include "platform/gbk.h"
#include "settings/settings_text.h"

namespace kx::ops {
namespace {

// Last addresses at which the 24-byte record still ends inside the information memory.
constexpr std::uint32_t kInfoLow1000 = 0x1000;
constexpr std::uint32_t kInfoHigh1000 = 0x10E8;
constexpr std::uint32_t kInfoLow1800 = 0x1800;
constexpr std::uint32_t kInfoHigh1800 = 0x19E8;

constexpr std::size_t kMaxDecDigits = 10;
constexpr std::size_t kMaxHexDigits = 8;
constexpr std::uint32_t kCountLimitMax = 60000;
constexpr std::uint16_t kNoCountLimit = 0xFFFF;

// Byte length of the UTF-8 character whose lead byte is `lead` (input already validated).
std::size_t Utf8Length(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead < 0xE0) return 2;
    if (lead < 0xF0) return 3;
    return 4;
}

}  // namespace

std::string ProductNameBytes(std::string_view nameUtf8) {
    const std::string fitted = TruncateGbk(nameUtf8, kProductNameBytes);
    if (auto whole = Utf8ToGbk(fitted)) return *whole;
    // Some character has no GBK form; keep the others rather than drop the whole name.
    std::string out;
    for (std::size_t pos = 0; pos < fitted.size();) {
        const std::size_t n =
            std::min(Utf8Length(static_cast<unsigned char>(fitted[pos])), fitted.size() - pos);
        const auto gbk = Utf8ToGbk(std::string_view(fitted).substr(pos, n));
        out += gbk ? *gbk : std::string("?");
        pos += n;
    }
    return out;
}

bool ProductNameFits(std::string_view nameUtf8) {
    const auto gbk = Utf8ToGbk(nameUtf8);
    return gbk && gbk->size() <= kProductNameBytes;
}

std::array<std::uint8_t, kProductInfoSize> ProductInfoRecord(std::string_view nameUtf8,
                                                             std::uint32_t serial) {
    std::array<std::uint8_t, kProductInfoSize> record{};
    const std::string name = ProductNameBytes(nameUtf8);
    const std::size_t n = std::min(name.size(), kProductNameBytes);
    for (std::size_t i = 0; i < n; ++i) record[i] = static_cast<std::uint8_t>(name[i]);
    for (std::size_t i = 0; i < 4; ++i) {
        record[20 + i] = static_cast<std::uint8_t>(serial >> (8 * i));
    }
    return record;
}

std::string SerialText(std::uint32_t serial, bool hex) {
    return hex ? FormatHex(serial) : std::to_string(serial);
}

std::optional<std::uint32_t> ParseSerialText(std::string_view text, bool hex,
                                             std::string* normalized) {
    if (text.size() > (hex ? kMaxHexDigits : kMaxDecDigits)) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        const auto digit = hex || (c >= '0' && c <= '9') ? HexDigit(c) : std::nullopt;
        if (!digit) return std::nullopt;
        value = value * (hex ? 16u : 10u) + *digit;
    }
    // Ten decimal digits can exceed the counter; refusing keeps the typed text honest.
    if (value > 0xFFFFFFFFu) return std::nullopt;
    // Decimal digits are hex digits too, so the upper-cased text always exists here.
    if (normalized != nullptr) *normalized = UpperHexText(text).value_or(std::string(text));
    return static_cast<std::uint32_t>(value);
}

std::optional<std::string> FilterHexField(std::string_view text, std::size_t maxLength) {
    if (text.size() > maxLength) return std::nullopt;
    return UpperHexText(text);
}

std::uint32_t HexFieldValue(std::string_view text) {
    std::uint64_t value = 0;
    for (char c : text) {
        const auto digit = HexDigit(c);
        if (!digit) break;
        value = std::min<std::uint64_t>(value * 16 + *digit, 0xFFFFFFFFu);
    }
    return static_cast<std::uint32_t>(value);
}

std::optional<Message> CheckProductInfoAddress(const image::CodeImage& image, std::uint16_t address,
                                               bool infoAt1800) {
    // The loaded code must leave the record's place empty, whatever the address.
    if (!image.IsBlockEmpty(address, kProductInfoSize)) return Message::InfoOccupied;
    if (infoAt1800) {
        if (address < kInfoLow1800 || address > kInfoHigh1800)
            return Message::InfoAddressOutside1800;
    } else if (address < kInfoLow1000 || address > kInfoHigh1000) {
        return Message::InfoAddressOutside1000;
    }
    if ((address & 1u) != 0) return Message::InfoAddressOdd;
    return std::nullopt;
}

std::optional<Message> CheckInfoAddressField(const image::CodeImage& image, std::string_view text,
                                             bool infoAt1800) {
    const std::optional<std::uint16_t> address = settings::InfoAddressFromText(text);
    if (!address)
        return infoAt1800 ? Message::InfoAddressOutside1800 : Message::InfoAddressOutside1000;
    return CheckProductInfoAddress(image, *address, infoAt1800);
}

std::uint16_t CountLimitValue(std::string_view digits) {
    std::uint32_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') break;
        value = std::min<std::uint32_t>(value * 10 + static_cast<std::uint32_t>(c - '0'),
                                        kCountLimitMax + 1);
    }
    if (value == 0) return kNoCountLimit;
    return static_cast<std::uint16_t>(std::min(value, kCountLimitMax));
}

}  // namespace kx::ops
