#pragma once
// What a TI-TXT load tells the user: the output-pane report and the window title.

#include <cstddef>
#include <string>
#include <string_view>

#include "image/titxt_reader.h"
#include "messages/message_catalogue.h"
#include "messages/output.h"

namespace kx::image {

// "KX_VELDRAN V02.73A - " and the file name without its folder ("/" or "\" separated).
std::string WindowTitle(std::string_view path);

// Replaces the pane with LoadFile, the path, CodeSize and the byte count ("%d\r\n").
void ReportLoad(Output& out, std::string_view path, std::size_t byteCount);

// The text a refusal shows, in `language`: FileFormatMismatch for a format refusal, else our own
// sentence that says what was wrong and that the file was not loaded.
std::string RefusalText(const TiTxtRefusal& refusal, UiLanguage language);

// Replaces the pane with the refusal (ShowMessage for catalogue messages, else ShowText).
void ReportRefusal(Output& out, const TiTxtRefusal& refusal);

}  // namespace kx::image
