#pragma once
// The box's offline store: the code image packed as address/length blocks, and the
// 68-byte setup record that describes it and the stand-alone run.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "image/code_image.h"
#include "link/link_types.h"

namespace kx::ops {

// One StoreBlock: 4-byte address, 4-byte length (both little-endian), then the bytes.
inline constexpr std::size_t kStoreBlockHead = 8;
// The setup record's block count is one byte.
inline constexpr std::size_t kMaxStoreBlocks = 255;
// STORE_WRITE / STORE_READ move at most this many bytes a frame.
inline constexpr std::size_t kStoreChunk = 128;

struct OfflineStoreImage {
    std::vector<std::uint8_t> bytes;  // the packed StoreBlocks, no header or trailer
    std::size_t blockCount = 0;       // may exceed 255: the caller must refuse then
};

// Packs the non-blank 16-byte lines from 0x1000 up to `imageEnd` (exclusive) into blocks
// of consecutive lines; a line on a 64 KiB boundary always starts a new block.
OfflineStoreImage PackOfflineStore(const image::CodeImage& image, std::uint32_t imageEnd);

struct OfflineSetup {
    std::size_t blockCount = 0;     // at most 255
    std::uint32_t storeLength = 0;  // 24 bits
    std::uint16_t options = 0;      // TargetOptions of the download
    bool autoIncrement = false;
    std::array<std::uint8_t, 32> password{};  // PasswordBytes of BslPassword
    std::uint16_t infoAddress = 0;
    std::array<std::uint8_t, 24> productInfo{};  // ProductInfoRecord
    std::uint16_t countLimit = 0xFFFF;
};

using OfflineSetupRecord = std::array<std::uint8_t, link::kOfflineSetupSize>;

// The OFFLINE_SETUP payload: count, its complement, options, 24-bit length, increment
// flag, password, information address, product record, count limit.
OfflineSetupRecord BuildOfflineSetupRecord(const OfflineSetup& setup);

}  // namespace kx::ops
