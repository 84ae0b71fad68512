#include "image/titxt_reader.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

#include "common/atomic_file.h"
#include "common/hex_digit.h"
#include "common/sha256.h"

namespace kx::image {
namespace {

// Address values stop growing here: far beyond the image, and no overflow on long digit runs.
constexpr std::uint32_t kAddressCap = 0x1000000;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// A line without its line end and without trailing blanks, which stay accepted.
std::string_view Trimmed(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || IsBlank(line.back()))) line.remove_suffix(1);
    return line;
}

bool IsEndLine(std::string_view line) {
    return !line.empty() && (line.front() == 'q' || line.front() == 'Q');
}

// Calls `visit(line)` for each line (text between LFs, CR kept) until it returns false.
template <typename Visit>
void ForEachLine(std::string_view text, Visit&& visit) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t lf = text.find('\n', pos);
        const std::size_t end = lf == std::string_view::npos ? text.size() : lf;
        if (!visit(text.substr(pos, end - pos))) return;
        pos = end + 1;
    }
}

// The frame: first byte "@", last non-empty line an end line.
bool FrameIsValid(std::string_view text) {
    if (text.empty() || text.front() != '@') return false;
    std::string_view lastNonEmpty;
    ForEachLine(text, [&](std::string_view line) {
        if (!Trimmed(line).empty()) lastNonEmpty = line;
        return true;
    });
    return IsEndLine(lastNonEmpty);
}

TiTxtRefusal FormatRefusal(std::size_t line) {
    TiTxtRefusal r;
    r.problem = TiTxtProblem::Format;
    r.message = Message::FileFormatMismatch;
    r.line = line;
    return r;
}

// Digits after "@": one or more hexadecimal digits and nothing else.
std::optional<std::uint32_t> ParseAddress(std::string_view digits) {
    if (digits.empty()) return std::nullopt;
    return HexTextValue(digits, kAddressCap);
}

}  // namespace

TiTxtResult ParseTiTxt(std::span<const std::uint8_t> bytes) {
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (!FrameIsValid(text)) return FormatRefusal(0);

    TiTxtLoad load;
    load.image = std::make_unique<CodeImage>();
    CodeImage& image = *load.image;
    std::uint32_t address = 0;
    std::size_t lineNumber = 0;
    std::optional<TiTxtRefusal> refusal;

    ForEachLine(text, [&](std::string_view rawLine) {
        ++lineNumber;
        const std::string_view line = Trimmed(rawLine);
        if (IsEndLine(line)) return false;
        if (!line.empty() && line.front() == '@') {
            const auto value = ParseAddress(line.substr(1));
            if (!value) {
                refusal = FormatRefusal(lineNumber);
                return false;
            }
            address = *value;
            return true;
        }
        // Data line: byte pairs at 0, 3, 6, ... with a blank between pairs. Every pair must
        // be complete and hexadecimal, otherwise bytes would be invented or shifted.
        for (std::size_t p = 0; p < line.size(); p += 3) {
            const bool separatorOk = p == 0 || IsBlank(line[p - 1]);
            const auto high = HexDigit(line[p]);
            const auto low = p + 1 < line.size() ? HexDigit(line[p + 1]) : std::nullopt;
            if (!separatorOk || !high || !low) {
                refusal = FormatRefusal(lineNumber);
                return false;
            }
            if (address >= kImageSize) {
                TiTxtRefusal r;
                r.problem = TiTxtProblem::BeyondImage;
                r.line = lineNumber;
                r.address = address;
                refusal = r;
                return false;
            }
            image.Set(address, static_cast<std::uint8_t>(*high << 4 | *low));
            ++address;
            ++load.byteCount;
        }
        return true;
    });
    if (refusal) return *std::move(refusal);

    std::array<std::uint8_t, 32> vectorBytes{};
    for (std::uint32_t k = 0; k < vectorBytes.size(); ++k) {
        vectorBytes[k] = image.At(kVectorBase + k);
    }
    load.vectors = VectorsFromBytes(vectorBytes);
    load.viewText.assign(text);
    load.fileSha256 = Sha256Hex(bytes);
    return load;
}

TiTxtResult LoadTiTxtFile(const std::string& path) {
    TiTxtRefusal r;
    const auto bytes = ReadRegularFile(path, kMaxTiTxtFileSize, &r.readFailure);
    if (!bytes) {
        r.problem = TiTxtProblem::Unreadable;
        return r;
    }
    return ParseTiTxt(*bytes);
}

}  // namespace kx::image
