#include "security/vector_image.h"

#include <cstddef>

namespace kx::security {

LoadedVectors VectorsOfImage(const image::CodeImage& image) {
    std::array<std::uint8_t, 32> bytes{};
    for (std::uint32_t k = 0; k < bytes.size(); ++k) bytes[k] = image.At(kVectorBase + k);
    return VectorsFromBytes(bytes);
}

void WriteVectorTable(const Words16& vectorTable, image::CodeImage& image) {
    const auto bytes = PasswordBytes(vectorTable);
    for (std::uint32_t k = 0; k < bytes.size(); ++k) image.Set(kVectorBase + k, bytes[k]);
}

}  // namespace kx::security
