#pragma once
// Reading TI-TXT code files into a fresh code image.
//
// The reader is a pure function of the file's bytes. A successful load hands back a new,
// completely filled image that the caller swaps in; a refusal carries no data at all, so the
// caller's image, code view and title stay exactly as they were.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <variant>

#include "common/atomic_file.h"
#include "image/code_image.h"
#include "image/vector_words.h"
#include "messages/message_catalogue.h"

namespace kx::image {

struct TiTxtLoad {
    std::unique_ptr<CodeImage> image;  // 0xFF everywhere the file put no byte
    // Data bytes read, summed over data lines; a byte stored twice counts twice.
    std::size_t byteCount = 0;
    // Vectors at 0xFFE0..0xFFFF of the loaded image, for the security words.
    LoadedVectors vectors{};
    // The file's text as it stands, for the code view (lines after the end line included).
    std::string viewText;
    // SHA-256 of the bytes read, in hexadecimal: which file a chip was programmed from.
    std::string fileSha256;
};

enum class TiTxtProblem : std::uint8_t {
    Format,       // not TI-TXT: wrong frame, or a non-digit where a digit must stand
    BeyondImage,  // data addressed at kImageSize or above
    Unreadable,   // not a regular file, too large, or could not be opened or read
};

// No TI-TXT file is larger: every byte of the image on a line of its own behind its own
// address line ("@45BFF\r\n" and "XX\r\n", 12 bytes a byte) takes 3.4 MB.
inline constexpr std::uint64_t kMaxTiTxtFileSize = 8u << 20;

struct TiTxtRefusal {
    TiTxtProblem problem = TiTxtProblem::Format;
    // Catalogue message to show; none when the text comes from RefusalText.
    std::optional<Message> message;
    // 1-based line that was refused; 0 when the frame (first byte, end line) was wrong.
    std::size_t line = 0;
    std::uint32_t address = 0;  // BeyondImage: the first address that does not fit
    ReadFailure readFailure;    // Unreadable: why
};

using TiTxtResult = std::variant<TiTxtLoad, TiTxtRefusal>;

// Accepts lines ended by CR LF or LF alone; the file must start with "@" and its last
// non-empty line must begin with "q" or "Q". Reading stops at the first such end line.
TiTxtResult ParseTiTxt(std::span<const std::uint8_t> bytes);

// Reads the whole file at `path` and parses it; a file that is not a regular file or is
// larger than kMaxTiTxtFileSize is refused without being read.
TiTxtResult LoadTiTxtFile(const std::string& path);

}  // namespace kx::image
