#include "security/password_dialog.h"

#include <variant>

#include "common/hex_digit.h"
#include "image/password_file.h"
#include "messages/text_catalogue.h"

namespace kx::security {
namespace {

// A field's word: exactly four hexadecimal digits, read from the left. Anything else fails
// the check; the typing filter keeps other characters out, so in practice only the length
// can be wrong.
std::optional<std::uint16_t> FieldWord(const std::string& text) {
    const auto value = text.size() == kFieldMaxLength ? HexTextValue(text) : std::nullopt;
    if (!value) return std::nullopt;
    return static_cast<std::uint16_t>(*value);
}

// Checks a group in the order N = 1..16; fills `out` when every field passes. The refusal
// `lengthWrong` is said in Chinese, whatever the interface language, like the whole dialog.
std::optional<std::string> ConvertGroup(const std::array<std::string, image::kVectorCount>& fields,
                                        Text lengthWrong, image::Words16& out) {
    image::Words16 converted{};
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const auto word = FieldWord(fields[i]);
        if (!word) return SayText(UiLanguage::Chinese, lengthWrong, {std::to_string(i + 1)});
        converted[i] = *word;
    }
    out = converted;
    return std::nullopt;
}

}  // namespace

std::string HexWord4(std::uint16_t word) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text(4, '0');
    for (int k = 0; k < 4; ++k) {
        text[static_cast<std::size_t>(3 - k)] = kHex[(word >> (4 * k)) & 0x0F];
    }
    return text;
}

bool IsVectorFieldEditable(const SecurityWords& words, int index) {
    if (index < 0 || index >= image::kVectorCount) return false;
    return words.vectorInUse[static_cast<std::size_t>(index)] == 0;
}

PasswordDialogState OpenPasswordDialog(const SecurityWords& words) {
    PasswordDialogState state;
    for (std::size_t i = 0; i < image::kVectorCount; ++i) {
        state.vectorFields[i] = HexWord4(words.vectorTable[i]);
        state.passwordFields[i] = HexWord4(words.bslPassword[i]);
        state.vectorEditable[i] = IsVectorFieldEditable(words, static_cast<int>(i));
    }
    return state;
}

std::string FilterFieldText(std::string_view previous, std::string_view typed) {
    if (typed.size() > kFieldMaxLength) return std::string(previous);
    return UpperHexText(typed).value_or(std::string(previous));
}

void EditField(PasswordDialogState& state, FieldGroup group, int index, std::string_view typed) {
    if (index < 0 || index >= image::kVectorCount) return;
    const auto i = static_cast<std::size_t>(index);
    if (group == FieldGroup::Vector) {
        if (!state.vectorEditable[i]) return;
        state.vectorFields[i] = FilterFieldText(state.vectorFields[i], typed);
    } else {
        state.passwordFields[i] = FilterFieldText(state.passwordFields[i], typed);
    }
}

std::optional<std::string> CommitDialogFields(const PasswordDialogState& state,
                                              SecurityWords& words) {
    if (auto failed =
            ConvertGroup(state.vectorFields, Text::VectorFieldLengthWrong, words.vectorTable)) {
        return failed;
    }
    return ConvertGroup(state.passwordFields, Text::PasswordFieldLengthWrong, words.bslPassword);
}

void TakeLoadedPassword(const image::Words16& password, PasswordDialogState& state,
                        SecurityWords& words) {
    words.bslPassword = password;
    for (std::size_t i = 0; i < image::kVectorCount; ++i)
        state.passwordFields[i] = HexWord4(password[i]);
}

std::optional<std::string> LoadPasswordFileIntoDialog(const std::string& path,
                                                      PasswordDialogState& state,
                                                      SecurityWords& words) {
    const auto result = image::ReadPasswordFile(path);
    if (const auto* refusal = std::get_if<image::PasswordFileRefusal>(&result)) {
        return refusal->message;
    }
    TakeLoadedPassword(std::get<image::Words16>(result), state, words);
    return std::nullopt;
}

}  // namespace kx::security
