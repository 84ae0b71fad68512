#include "image/code_image.h"

#include <algorithm>
#include <cstring>

namespace kx::image {

bool CodeImage::IsBlockEmpty(std::uint32_t address, std::uint32_t length) const {
    // Bytes beyond the array read as 0xFF, so only the part inside it needs a look.
    if (address >= kImageSize) return true;
    const std::uint8_t* p = bytes_.data() + address;
    const std::uint8_t* const end = p + std::min(length, kImageSize - address);
    // Eight bytes at a time: every block walk asks this for each block of the image.
    for (; end - p >= 8; p += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, p, sizeof word);
        if (word != ~std::uint64_t{0}) return false;
    }
    return std::all_of(p, end, [](std::uint8_t b) { return b == 0xFF; });
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
