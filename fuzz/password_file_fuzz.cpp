// Arbitrary bytes into the password-file reader: refusals come in the documented order, and
// an accepted file is exactly what writing its words gives, up to the case of the digits.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <variant>

#include "image/password_file.h"
#include "messages/text_catalogue.h"

namespace {

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "password_file_fuzz: %s\n", what);
        std::abort();
    }
}

char Upper(std::uint8_t c) {
    return static_cast<char>(c >= 'a' && c <= 'f' ? c - 'a' + 'A' : c);
}

bool IsDigitPosition(std::size_t k) {
    if (k >= 1 && k <= 4) return true;
    for (const std::size_t line : {std::size_t{7}, std::size_t{56}}) {
        if (k >= line && k < line + 47 && (k - line) % 3 != 2) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kx::image;
    const auto result = ParsePasswordFile(std::span<const std::uint8_t>(data, size));

    if (const auto* refusal = std::get_if<PasswordFileRefusal>(&result)) {
        const bool lengthWrong = size != kPasswordFileSize;
        Require((refusal->problem == PasswordFileProblem::Length) == lengthWrong,
                "length refusal does not match the length");
        using kx::Text;
        const auto say = [](Text text) { return kx::SayText(kx::UiLanguage::Chinese, text); };
        const std::string expected =
            refusal->problem == PasswordFileProblem::Length   ? say(Text::PasswordFileLengthWrong)
            : refusal->problem == PasswordFileProblem::Format ? say(Text::PasswordFileFormatWrong)
            : refusal->problem == PasswordFileProblem::Address
                ? say(Text::PasswordEntryAddressWrong)
                : std::string{};
        Require(!expected.empty() && refusal->message == expected, "unexpected refusal");
        if (refusal->problem == PasswordFileProblem::Address) {
            Require(data[0] == '@' && data[105] == 'q', "address refusal with a bad frame");
        }
        return 0;
    }

    const auto& words = std::get<kx::image::Words16>(result);
    Require(size == kPasswordFileSize, "accepted a file of the wrong length");
    Require(data[0] == '@' && data[105] == 'q', "accepted a file with a bad frame");
    const std::string written = PasswordFileText(words);
    for (std::size_t k = 0; k < size; ++k) {
        if (IsDigitPosition(k)) {
            Require(Upper(data[k]) == written[k], "digit differs from the written form");
        }
    }
    const auto again = ParsePasswordFile(std::span<const std::uint8_t>(
        reinterpret_cast<const std::uint8_t*>(written.data()), written.size()));
    Require(std::holds_alternative<kx::image::Words16>(again) &&
                std::get<kx::image::Words16>(again) == words,
            "written form reads back differently");
    return 0;
}
