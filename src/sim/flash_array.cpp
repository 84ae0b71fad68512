#include "sim/flash_array.h"

#include <algorithm>

namespace kx::sim {

FlashArray::FlashArray(std::uint32_t start, std::uint32_t size, std::uint32_t segmentSize)
    : start_(start), segmentSize_(segmentSize == 0 ? 1 : segmentSize), cells_(size, 0xFF) {}

bool FlashArray::Contains(std::uint32_t address, std::uint32_t count) const {
    if (address < start_) return false;
    const std::uint64_t end = std::uint64_t{address} + count;
    return end <= End();
}

void FlashArray::Read(std::uint32_t address, std::span<std::uint8_t> out) const {
    std::copy_n(cells_.begin() + (address - start_), out.size(), out.begin());
}

void FlashArray::Program(std::uint32_t address, std::span<const std::uint8_t> data) {
    auto cell = cells_.begin() + (address - start_);
    for (const std::uint8_t b : data) {
        *cell = static_cast<std::uint8_t>(*cell & b);
        ++cell;
    }
}

void FlashArray::EraseRange(std::uint32_t from, std::uint32_t to) {
    from = std::max(from, start_);
    to = std::min(to, End());
    if (from >= to) return;
    std::fill(cells_.begin() + (from - start_), cells_.begin() + (to - start_), 0xFF);
}

void FlashArray::EraseSegmentAt(std::uint32_t address) {
    const std::uint32_t from = SegmentStart(address);
    EraseRange(from, from + segmentSize_);
}

bool FlashArray::IsErased(std::uint32_t from, std::uint32_t to) const {
    from = std::max(from, start_);
    to = std::min(to, End());
    if (from >= to) return true;
    return std::all_of(cells_.begin() + (from - start_), cells_.begin() + (to - start_),
                       [](std::uint8_t b) { return b == 0xFF; });
}

}  // namespace kx::sim
