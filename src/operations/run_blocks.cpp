#include "operations/run_blocks.h"

namespace kx::ops {

std::vector<RunBlock> RunBlocks(const image::CodeImage& image, std::uint32_t imageEnd) {
    constexpr std::uint32_t kLine = image::kBlockSize;
    constexpr std::uint32_t kBank = 0x10000;
    std::vector<RunBlock> blocks;
    std::uint32_t progress = 0;
    std::uint32_t address = image::kProgramStart;
    while (address < imageEnd) {
        if (image.IsBlockEmpty(address, kLine)) {
            address += kLine;
            continue;
        }
        std::uint32_t length = 0;
        for (;;) {
            ++progress;
            length += kLine;
            const std::uint32_t next = address + length;
            if (next % kBank == 0 || next >= imageEnd || length >= kMaxRunBlock ||
                image.IsBlockEmpty(next, kLine)) {
                break;
            }
        }
        blocks.push_back({address, length, progress});
        address += length;
    }
    return blocks;
}

}  // namespace kx::ops
