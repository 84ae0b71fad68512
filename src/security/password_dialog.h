#pragma once
// The rules of the password and vector dialog, over plain field texts. The window binds its
// 32 edit fields to a PasswordDialogState and calls these; no widget code lives here.
//
// Flows the window builds from these pieces:
//   open:  state = OpenPasswordDialog(words)
//   typing in a field: EditField(state, group, i, newText), then show the state again
//   OK:    if (auto m = CommitDialogFields(state, words)) box(*m) and stay open; else close,
//          WriteVectorTable(words.vectorTable, image), re-render the code view, enable save
//   Save:  if (auto m = CommitDialogFields(state, words)) box(*m); else choose a path and
//          image::SavePasswordFile(path, words.vectorTable)
//   Load:  choose a path, then LoadPasswordFileIntoDialog(path, state, words)

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "security/security_words.h"

namespace kx::security {

// Field identifiers of the dialog template, index i for the word at 0xFFE0 + 2i.
inline constexpr std::array<int, image::kVectorCount> kVectorFieldIds = {
    1033, 1034, 1035, 1036, 1037, 1038, 1039, 1040, 1041, 1043, 1044, 1045, 1046, 1047, 1048, 1049};
inline constexpr std::array<int, image::kVectorCount> kPasswordFieldIds = {
    1050, 1051, 1052, 1053, 1054, 1055, 1056, 1057, 1058, 1059, 1060, 1061, 1062, 1063, 1064, 1065};
inline constexpr int kSaveFileButtonId = 1042;
inline constexpr int kLoadFileButtonId = 1066;
// No field takes more characters than this.
inline constexpr std::size_t kFieldMaxLength = 4;

enum class FieldGroup : std::uint8_t { Vector, Password };

struct PasswordDialogState {
    std::array<std::string, image::kVectorCount> vectorFields;
    std::array<std::string, image::kVectorCount> passwordFields;
    // Vector fields of vectors the code uses are shown but locked; password fields never are.
    std::array<bool, image::kVectorCount> vectorEditable{};
};

// Four upper-case hexadecimal digits, most significant first (0x0ABC -> "0ABC").
std::string HexWord4(std::uint16_t word);

// A vector field may be edited only when its vector is spare (mark 0).
bool IsVectorFieldEditable(const SecurityWords& words, int index);

// The dialog as it opens: every field shows its word, locks follow VectorInUse.
PasswordDialogState OpenPasswordDialog(const SecurityWords& words);

// The typing filter: the text a field keeps when its text changed from `previous` to
// `typed`. Digits and A-F stay, a-f become upper case; any other character, or more than
// four characters, brings back `previous`.
std::string FilterFieldText(std::string_view previous, std::string_view typed);

// Applies the filter to one field. A locked vector field, like its disabled widget, keeps
// its text; an index outside 0..15 changes nothing.
void EditField(PasswordDialogState& state, FieldGroup group, int index, std::string_view typed);

// The OK check. Vector fields N = 1..16 are checked first and, when all pass, all 16 are
// stored in VectorTable; then the password fields N = 1..16, and when all pass, BslPassword.
// Returns the message of the first failing field ("向量3输入长度不对", "密码1输入长度不对");
// note that VectorTable is already committed when a password field fails.
std::optional<std::string> CommitDialogFields(const PasswordDialogState& state,
                                              SecurityWords& words);

// An accepted password file: its words become BslPassword and fill the password fields.
// The vector fields and VectorTable stay as they are.
void TakeLoadedPassword(const image::Words16& password, PasswordDialogState& state,
                        SecurityWords& words);

// Reads the password file at `path` and takes it; returns the refusal message instead when
// the file cannot be read or fails a check (then nothing changes).
std::optional<std::string> LoadPasswordFileIntoDialog(const std::string& path,
                                                      PasswordDialogState& state,
                                                      SecurityWords& words);

}  // namespace kx::security
