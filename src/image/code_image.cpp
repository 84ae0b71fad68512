#include "image/code_image.h"

#include <algorithm>

namespace kx::image {

bool CodeImage::IsBlockEmpty(std::uint32_t address, std::uint32_t length) const {
    // Bytes beyond the array read as 0xFF, so only the part inside it needs a look.
    if (address >= kImageSize) return true;
    const std::uint32_t end = address + std::min(length, kImageSize - address);
    return std::all_of(bytes_.begin() + address, bytes_.begin() + end,
                       [](std::uint8_t b) { return b == 0xFF; });
}

std::uint32_t CodeImage::CountUsedBlocks(std::uint32_t imageEnd) const {
    std::uint32_t count = 0;
    ForEachUsedBlock(kProgramStart, imageEnd, [&count](std::uint32_t) { ++count; });
    return count;
}

void CodeImage::ForEachUsedBlock(std::uint32_t start, std::uint32_t imageEnd,
                                 const std::function<void(std::uint32_t)>& visit) const {
    // Round a start inside a block up, so that nothing below `start` is ever visited.
    const std::uint32_t end = std::min(imageEnd, kImageSize);
    std::uint32_t address = (std::min(start, end) + kBlockSize - 1) / kBlockSize * kBlockSize;
    for (; address < end; address += kBlockSize) {
        if (!IsBlockEmpty(address, kBlockSize)) visit(address);
    }
}

}  // namespace kx::image
