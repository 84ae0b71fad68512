#include "operations/firmware_container.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "messages/text_catalogue.h"

namespace kx::ops {
namespace {

std::uint16_t Le16(std::span<const std::uint8_t> data, std::size_t at) {
    return static_cast<std::uint16_t>(data[at] | (data[at + 1] << 8));
}

std::optional<FirmwareContainer> Fail(ContainerError why, ContainerError* error) {
    if (error != nullptr) *error = why;
    return std::nullopt;
}

}  // namespace

std::uint16_t FirmwareContainer::WordSum() const {
    std::uint16_t sum = 0;
    for (const auto& segment : segments) {
        sum = static_cast<std::uint16_t>(sum + segment.wordCount);
    }
    return sum;
}

std::optional<std::uint8_t> FirmwareContainer::ByteAt(std::uint32_t address) const {
    for (const auto& segment : segments) {
        if (address >= segment.address && address - segment.address < segment.bytes.size()) {
            return segment.bytes[address - segment.address];
        }
    }
    return std::nullopt;
}

std::optional<FirmwareContainer> ParseFirmwareContainer(std::span<const std::uint8_t> data,
                                                        ContainerError* error) {
    if (data.empty()) return Fail(ContainerError::Empty, error);
    if (data.size() < 2) return Fail(ContainerError::Truncated, error);
    const std::uint16_t count = Le16(data, 0);
    if (count == 0) return Fail(ContainerError::NoSegments, error);

    FirmwareContainer container;
    container.segments.reserve(count);
    std::size_t at = 2;
    for (std::uint16_t s = 0; s < count; ++s) {
        if (data.size() - at < 4) return Fail(ContainerError::Truncated, error);
        FirmwareSegment segment;
        segment.address = Le16(data, at);
        segment.wordCount = Le16(data, at + 2);
        at += 4;
        const std::size_t byteCount = std::size_t{segment.wordCount} * 2;
        if (data.size() - at < byteCount) return Fail(ContainerError::Truncated, error);
        // The loader writes whole words into a 16-bit address space.
        if (segment.wordCount == 0 || (segment.address & 1U) != 0 ||
            segment.address + byteCount > 0x10000) {
            return Fail(ContainerError::BadSegment, error);
        }
        segment.bytes.assign(data.begin() + static_cast<std::ptrdiff_t>(at),
                             data.begin() + static_cast<std::ptrdiff_t>(at + byteCount));
        at += byteCount;
        container.segments.push_back(std::move(segment));
    }
    if (at != data.size()) return Fail(ContainerError::TrailingBytes, error);
    if (error != nullptr) *error = ContainerError::None;
    return container;
}

bool IsStandInContainer(std::span<const std::uint8_t> data) {
    // Iterator form: clang's ranges over libstdc++ 12 do not build (the fuzz targets use clang).
    const auto found =
        std::search(data.begin(), data.end(), kStandInMark.begin(), kStandInMark.end(),
                    [](std::uint8_t byte, char c) { return byte == static_cast<std::uint8_t>(c); });
    return found != data.end();
}

std::string ContainerFaultText(ContainerError error, std::string_view file, UiLanguage language) {
    const auto say = [&](Text text) { return SayText(language, text, {file}); };
    switch (error) {
        case ContainerError::None:
            return {};
        case ContainerError::Empty:
            return say(Text::FirmwareFileMissing);
        case ContainerError::NoSegments:
            return say(Text::FirmwareFileWithoutSegments);
        case ContainerError::Truncated:
            return say(Text::FirmwareFileCutShort);
        case ContainerError::TrailingBytes:
            return say(Text::FirmwareFileTrailingBytes);
        case ContainerError::BadSegment:
            return say(Text::FirmwareFileBadSegment);
    }
    return say(Text::FirmwareFileDamaged);
}

}  // namespace kx::ops
