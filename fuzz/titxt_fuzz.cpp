// Arbitrary bytes into the TI-TXT reader: a refusal carries nothing, and whatever loads
// renders to a text that loads back into the very same image.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <variant>

#include "image/titxt_reader.h"
#include "image/titxt_writer.h"

namespace {

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "titxt_fuzz: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kx::image;
    const std::span<const std::uint8_t> input(data, size);
    auto result = ParseTiTxt(input);

    if (const auto* refusal = std::get_if<TiTxtRefusal>(&result)) {
        switch (refusal->problem) {
            case TiTxtProblem::Format:
                Require(refusal->message == kx::Message::FileFormatMismatch,
                        "format refusal without the format message");
                break;
            case TiTxtProblem::BeyondImage:
                Require(!refusal->message, "beyond with a message");
                Require(refusal->address >= kImageSize, "beyond refusal inside the image");
                Require(refusal->line >= 2, "beyond refusal on the first line");
                break;
            case TiTxtProblem::Unreadable:
                Require(false, "unreadable from a byte buffer");
        }
        return 0;
    }

    const auto& load = std::get<TiTxtLoad>(result);
    Require(load.image != nullptr, "load without an image");
    Require(size > 0 && data[0] == '@', "loaded without a leading @");
    Require(load.byteCount * 2 <= size, "more bytes counted than the file can hold");
    Require(load.viewText.size() == size && std::memcmp(load.viewText.data(), data, size) == 0,
            "view text differs from the file");
    for (std::uint32_t i = 0; i < 16; ++i) {
        const std::uint16_t word = load.image->WordAt(0xFFE0 + 2 * i);
        Require(load.vectors.table[i] == word, "vector word differs from the image");
        Require(load.vectors.inUse[i] == (word != 0xFFFF ? 1 : 0), "wrong in-use mark");
    }
    if (load.byteCount == 0) {
        Require(load.image->IsBlockEmpty(0, kImageSize), "bytes stored but none counted");
    }

    // Every walk of the program ends at or below the largest flash end, 0x20000.
    constexpr std::uint32_t kWalkEnd = 0x20000;
    const std::string text = RenderImageText(*load.image, kWalkEnd);
    if (load.image->IsBlockEmpty(0, kWalkEnd)) {
        // An empty image prints as the end line alone, which the reader (rightly) does not
        // take for a code file, as it lacks the leading "@".
        Require(text == "q\r\n", "empty image renders more than the end line");
        return 0;
    }
    const auto again = ParseTiTxt(std::span<const std::uint8_t>(
        reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    Require(std::holds_alternative<TiTxtLoad>(again), "rendered text refused");
    const auto& reloaded = std::get<TiTxtLoad>(again);
    Require(std::memcmp(reloaded.image->Data(), load.image->Data(), kWalkEnd) == 0,
            "rendered text loads different bytes");
    Require(reloaded.image->IsBlockEmpty(kWalkEnd, kImageSize - kWalkEnd),
            "rendered text loads bytes beyond its end");
    Require(RenderImageText(*reloaded.image, kWalkEnd) == text, "render is not stable");
    Require(ViewTextFileBytes(text) == text, "saving a rendered text changes it");
    return 0;
}
