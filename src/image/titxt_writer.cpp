#include "image/titxt_writer.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "messages/file_reasons.h"
#include "messages/text_catalogue.h"
#include "platform/atomic_file.h"

namespace kx::image {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void AppendAddressLine(std::string& text, std::uint32_t address) {
    std::array<char, 16> buffer{};
    std::snprintf(buffer.data(), buffer.size(), address < 0x10000 ? "@%04X\r\n" : "@%05X\r\n",
                  static_cast<unsigned>(address));
    text += buffer.data();
}

void AppendDataLine(std::string& text, const CodeImage& image, std::uint32_t address) {
    for (std::uint32_t k = 0; k < kBlockSize; ++k) {
        const std::uint8_t b = image.At(address + k);
        if (k != 0) text += ' ';
        text += kHex[b >> 4];
        text += kHex[b & 0x0F];
    }
    text += "\r\n";
}

}  // namespace

std::string RenderImageText(const CodeImage& image, std::uint32_t imageEnd) {
    std::string text;
    bool inRun = false;
    std::uint32_t nextInRun = 0;
    image.ForEachUsedBlock(0, imageEnd, [&](std::uint32_t address) {
        // A block right after the previous one continues the run without a new address line,
        // also across 0x10000.
        if (!inRun || address != nextInRun) AppendAddressLine(text, address);
        AppendDataLine(text, image, address);
        inRun = true;
        nextInRun = address + kBlockSize;
    });
    text += "q\r\n";
    return text;
}

std::string ViewTextFileBytes(std::string_view viewText) {
    std::string bytes;
    bytes.reserve(viewText.size() + viewText.size() / 16);
    std::size_t pos = 0;
    while (pos < viewText.size()) {
        const std::size_t lf = viewText.find('\n', pos);
        const std::size_t end = lf == std::string_view::npos ? viewText.size() : lf;
        std::string_view line = viewText.substr(pos, end - pos);
        while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!line.empty()) {
            bytes += line;
            bytes += "\r\n";
        }
        pos = end + 1;
    }
    return bytes;
}

bool SaveViewText(const std::string& path, std::string_view viewText, UiLanguage language,
                  std::string* error) {
    WriteFailure failure;
    if (WriteFileAtomically(path, ViewTextFileBytes(viewText), &failure)) return true;
    if (error) *error = SayText(language, Text::SaveFailed, {WriteFailureText(failure, language)});
    return false;
}

}  // namespace kx::image
