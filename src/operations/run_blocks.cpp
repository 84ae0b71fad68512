#include "operations/run_blocks.h"

#include <algorithm>

#include "link/link_types.h"

namespace kx::ops {

std::vector<RunBlock> RunBlocks(const image::CodeImage& image, std::uint32_t imageEnd) {
    constexpr std::uint32_t kLine = image::kBlockSize;
    std::vector<RunBlock> blocks;
    std::uint32_t progress = 0;
    std::uint32_t address = image::kProgramStart;
    while (address < imageEnd) {
        if (image.IsBlockEmpty(address, kLine)) {
            address += kLine;
            continue;
        }
        std::uint32_t length = 0;
        const std::uint32_t limit = std::min(kMaxRunBlock, link::BytesToBankEnd(address));
        for (;;) {
            ++progress;
            length += kLine;
            const std::uint32_t next = address + length;
            if (length >= limit || next >= imageEnd || image.IsBlockEmpty(next, kLine)) break;
        }
        blocks.push_back({address, length, progress});
        address += length;
    }
    return blocks;
}

}  // namespace kx::ops
