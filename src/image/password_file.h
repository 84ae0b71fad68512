#pragma once
// The password file: the 16 words of 0xFFE0..0xFFFF as a fixed 108-byte TI-TXT text.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "image/vector_words.h"
#include "messages/message_catalogue.h"

namespace kx::image {

inline constexpr std::size_t kPasswordFileSize = 108;
inline constexpr std::string_view kPasswordFileName = "Msp430_Password.TXT";

enum class PasswordFileProblem : std::uint8_t { Length, Format, Address, Unreadable, Unwritable };

struct PasswordFileRefusal {
    PasswordFileProblem problem = PasswordFileProblem::Format;
    std::string message;  // for the message box; the file's own checks speak Chinese always
};

using PasswordFileResult = std::variant<Words16, PasswordFileRefusal>;

// "@FFE0", two lines of 16 byte pairs (low byte of each word first), "q"; all CR LF.
std::string PasswordFileText(const Words16& words);

// Checks, in this order, the length, the frame and every digit, and the address 0xFFE0;
// the first failing check gives the refusal. Lower-case digits are accepted.
PasswordFileResult ParsePasswordFile(std::span<const std::uint8_t> bytes);

// Reads and parses the file at `path`; a larger file is refused for its length without
// being read. Why a file cannot be read is said in `language`; the checks' own texts are
// Chinese in either language.
PasswordFileResult ReadPasswordFile(const std::string& path,
                                    UiLanguage language = UiLanguage::Chinese);

// Writes the file for `words`, replacing `path` only once the new file is complete.
// Returns nothing when saved, else a refusal (Unwritable) with a message for the user, in
// Chinese like the dialog it comes from.
std::optional<PasswordFileRefusal> SavePasswordFile(const std::string& path, const Words16& words);

}  // namespace kx::image
