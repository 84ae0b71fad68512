#pragma once
// How the programming run and its verification cut the code image into link blocks.

#include <cstdint>
#include <vector>

#include "image/code_image.h"

namespace kx::ops {

inline constexpr std::uint32_t kMaxRunBlock = 128;

struct RunBlock {
    std::uint32_t address = 0;   // full address; bits 16..23 go out with SET_MEM_OFFSET
    std::uint32_t length = 0;    // a multiple of 16, at most 128
    std::uint32_t progress = 0;  // used 16-byte lines up to and including this block
};

// Used 16-byte lines from 0x1000 up to `imageEnd`, joined while they follow each other,
// up to 128 bytes and never across a 64 KiB boundary. Empty lines cost no block.
std::vector<RunBlock> RunBlocks(const image::CodeImage& image, std::uint32_t imageEnd);

}  // namespace kx::ops
