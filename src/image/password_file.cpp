#include "image/password_file.h"

#include <optional>

#include "common/hex_digit.h"
#include "messages/file_reasons.h"
#include "messages/text_catalogue.h"
#include "platform/atomic_file.h"

namespace kx::image {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";
constexpr std::size_t kFirstLine = 7;    // bytes of words 0..7
constexpr std::size_t kSecondLine = 56;  // bytes of words 8..15
constexpr std::size_t kEndMark = 105;    // "q"

// Offset of the first digit of byte j (0..31, low byte of word j / 2 first).
std::size_t ByteOffset(std::size_t j) {
    return (j < 16 ? kFirstLine : kSecondLine) + 3 * (j % 16);
}

void PutByte(std::string& text, std::size_t offset, std::uint8_t value) {
    text[offset] = kHex[value >> 4];
    text[offset + 1] = kHex[value & 0x0F];
}

// The byte whose two digits start at `offset`; nullopt unless both are hexadecimal.
std::optional<std::uint8_t> ByteAt(std::span<const std::uint8_t> bytes, std::size_t offset) {
    const auto high = HexDigit(static_cast<char>(bytes[offset]));
    const auto low = HexDigit(static_cast<char>(bytes[offset + 1]));
    if (!high || !low) return std::nullopt;
    return static_cast<std::uint8_t>(*high << 4 | *low);
}

PasswordFileRefusal Refuse(PasswordFileProblem problem, Text text,
                           std::initializer_list<std::string_view> args = {},
                           UiLanguage language = UiLanguage::Chinese) {
    return PasswordFileRefusal{problem, SayText(language, text, args)};
}

}  // namespace

std::string PasswordFileText(const Words16& words) {
    std::string text(kPasswordFileSize, ' ');
    text.replace(0, 7, "@FFE0\r\n");
    const auto bytes = PasswordBytes(words);
    for (std::size_t j = 0; j < bytes.size(); ++j) PutByte(text, ByteOffset(j), bytes[j]);
    text.replace(54, 2, "\r\n");
    text.replace(103, 5, "\r\nq\r\n");
    return text;
}

PasswordFileResult ParsePasswordFile(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != kPasswordFileSize) {
        return Refuse(PasswordFileProblem::Length, Text::PasswordFileLengthWrong);
    }
    // A damaged digit must never turn into a password: with a wrong password the target's
    // loader erases the whole chip.
    const auto format = [] {
        return Refuse(PasswordFileProblem::Format, Text::PasswordFileFormatWrong);
    };
    if (bytes[0] != '@' || bytes[kEndMark] != 'q') return format();
    const auto addressHigh = ByteAt(bytes, 1);
    const auto addressLow = ByteAt(bytes, 3);
    if (!addressHigh || !addressLow) return format();
    Words16 words{};
    for (std::size_t j = 0; j < 32; ++j) {
        const auto value = ByteAt(bytes, ByteOffset(j));
        if (!value) return format();
        words[j / 2] = static_cast<std::uint16_t>(words[j / 2] | *value << (j % 2 == 0 ? 0 : 8));
    }
    if ((*addressHigh << 8 | *addressLow) != kVectorBase) {
        return Refuse(PasswordFileProblem::Address, Text::PasswordEntryAddressWrong);
    }
    return words;
}

PasswordFileResult ReadPasswordFile(const std::string& path, UiLanguage language) {
    ReadFailure failure;
    const auto bytes = ReadRegularFile(path, kPasswordFileSize, &failure);
    if (!bytes && failure.problem == ReadProblem::TooLarge) {
        return Refuse(PasswordFileProblem::Length, Text::PasswordFileLengthWrong);
    }
    if (!bytes) {
        return Refuse(PasswordFileProblem::Unreadable, Text::FileUnreadable,
                      {ReadReasonText(failure, language)}, language);
    }
    return ParsePasswordFile(*bytes);
}

std::optional<PasswordFileRefusal> SavePasswordFile(const std::string& path, const Words16& words) {
    WriteFailure failure;
    if (WriteFileAtomically(path, PasswordFileText(words), &failure)) return std::nullopt;
    return Refuse(PasswordFileProblem::Unwritable, Text::PasswordFileNotSaved,
                  {WriteFailureText(failure, UiLanguage::Chinese)});
}

}  // namespace kx::image
