#pragma once
// The in-memory picture of target memory: one byte per address, 0xFF = no data.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace kx::image {

inline constexpr std::uint32_t kImageSize = 0x45C00;
inline constexpr std::uint32_t kBlockSize = 16;
// Programming and the offline download never touch anything below this address.
inline constexpr std::uint32_t kProgramStart = 0x1000;

class CodeImage {
public:
    CodeImage() { Clear(); }

    void Clear() { bytes_.fill(0xFF); }

    // Addresses at or above kImageSize read as 0xFF and are not written.
    std::uint8_t At(std::uint32_t address) const {
        return address < kImageSize ? bytes_[address] : 0xFF;
    }
    void Set(std::uint32_t address, std::uint8_t value) {
        if (address < kImageSize) bytes_[address] = value;
    }
    std::uint16_t WordAt(std::uint32_t address) const {
        return static_cast<std::uint16_t>(At(address) | (At(address + 1) << 8));
    }

    // True when all `length` bytes from `address` are 0xFF.
    bool IsBlockEmpty(std::uint32_t address, std::uint32_t length = kBlockSize) const;

    // Non-empty 16-byte blocks from 0x1000 up to `imageEnd` (exclusive).
    std::uint32_t CountUsedBlocks(std::uint32_t imageEnd) const;

    // Calls `visit(address)` for each non-empty 16-byte block from `start` up to `imageEnd`
    // (exclusive), ascending. The shared walk of programming, export and download.
    void ForEachUsedBlock(std::uint32_t start, std::uint32_t imageEnd,
                          const std::function<void(std::uint32_t)>& visit) const;

    const std::uint8_t* Data() const { return bytes_.data(); }
    std::uint8_t* Data() { return bytes_.data(); }

private:
    std::array<std::uint8_t, kImageSize> bytes_;
};

}  // namespace kx::image
