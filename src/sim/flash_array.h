#pragma once
// A range of MSP430 flash: erased cells read 0xFF, programming can only clear bits, and
// only an erase sets them again.

#include <cstdint>
#include <span>
#include <vector>

namespace kx::sim {

class FlashArray {
  public:
    FlashArray() = default;
    // `segmentSize` bytes per erase segment, segments aligned to multiples of it.
    FlashArray(std::uint32_t start, std::uint32_t size, std::uint32_t segmentSize);

    std::uint32_t Start() const { return start_; }
    std::uint32_t End() const { return start_ + static_cast<std::uint32_t>(cells_.size()); }
    std::uint32_t SegmentSize() const { return segmentSize_; }
    bool Contains(std::uint32_t address, std::uint32_t count = 1) const;

    std::uint8_t Byte(std::uint32_t address) const { return cells_[address - start_]; }
    // Copies out; the caller has checked Contains.
    void Read(std::uint32_t address, std::span<std::uint8_t> out) const;
    // New cell = old AND data, as the flash cell cannot go from 0 to 1 by programming.
    void Program(std::uint32_t address, std::span<const std::uint8_t> data);
    // Erases [from, to) clipped to this array.
    void EraseRange(std::uint32_t from, std::uint32_t to);
    // Erases the segment holding `address`. Returns its bounds.
    void EraseSegmentAt(std::uint32_t address);
    void EraseAll() { EraseRange(start_, End()); }
    bool IsErased(std::uint32_t from, std::uint32_t to) const;

    // First address of the segment that holds `address`.
    std::uint32_t SegmentStart(std::uint32_t address) const {
        return address - address % segmentSize_;
    }

  private:
    std::uint32_t start_ = 0;
    std::uint32_t segmentSize_ = 512;
    std::vector<std::uint8_t> cells_;
};

}  // namespace kx::sim
