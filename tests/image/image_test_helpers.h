#pragma once
// Small helpers shared by the image tests.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "image/titxt_reader.h"

namespace kx::image::testing {

inline std::span<const std::uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Parses `text`; a refusal fails the calling test with its line and problem.
inline TiTxtLoad MustLoad(std::string_view text) {
    auto result = ParseTiTxt(Bytes(text));
    if (auto* refusal = std::get_if<TiTxtRefusal>(&result)) {
        ADD_FAILURE() << "refused at line " << refusal->line << ", problem "
                      << static_cast<int>(refusal->problem);
        TiTxtLoad empty;  // an empty image keeps the caller's checks failing, not crashing
        empty.image = std::make_unique<CodeImage>();
        return empty;
    }
    return std::move(std::get<TiTxtLoad>(result));
}

inline TiTxtRefusal MustRefuse(std::string_view text) {
    auto result = ParseTiTxt(Bytes(text));
    if (!std::holds_alternative<TiTxtRefusal>(result)) {
        ADD_FAILURE() << "accepted: " << text;
        return TiTxtRefusal{};
    }
    return std::get<TiTxtRefusal>(result);
}

// A fresh temporary folder for file tests, removed with the object.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string Path(std::string_view name) const { return path_ + "/" + std::string(name); }

  private:
    std::string path_;
};

}  // namespace kx::image::testing
