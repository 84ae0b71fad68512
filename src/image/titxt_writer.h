#pragma once
// Printing the code image as TI-TXT text, and writing the code view's text to a file.

#include <cstdint>
#include <string>
#include <string_view>

#include "image/code_image.h"
#include "messages/message_catalogue.h"

namespace kx::image {

// The image from address 0 up to `imageEnd` (exclusive) as TI-TXT: one "@" line (4 hex
// digits below 0x10000, else 5) per run of non-empty 16-byte blocks, one 47-character line
// per block, then "q". Every line ends with CR LF; an image of 0xFF alone gives "q\r\n".
std::string RenderImageText(const CodeImage& image, std::uint32_t imageEnd);

// The file form of a code view text: each non-empty line, whole, followed by CR LF.
// Lines may end with CR LF or LF in the view.
std::string ViewTextFileBytes(std::string_view viewText);

// Writes the view text to `path` (replacing the file only once the new one is complete).
// On failure returns false and sets `error` to a message for the user in `language`.
bool SaveViewText(const std::string& path, std::string_view viewText, UiLanguage language,
                  std::string* error);

}  // namespace kx::image
