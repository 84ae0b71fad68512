#include "security/vector_image.h"

#include <cstddef>

namespace kx::security {

image::LoadedVectors VectorsOfImage(const image::CodeImage& code) {
    std::array<std::uint8_t, 32> bytes{};
    for (std::uint32_t k = 0; k < bytes.size(); ++k) bytes[k] = code.At(image::kVectorBase + k);
    return image::VectorsFromBytes(bytes);
}

void WriteVectorTable(const image::Words16& vectorTable, image::CodeImage& code) {
    const auto bytes = image::PasswordBytes(vectorTable);
    for (std::uint32_t k = 0; k < bytes.size(); ++k) code.Set(image::kVectorBase + k, bytes[k]);
}

}  // namespace kx::security
