#pragma once
// Code for the programmer's own MCU as the program carries it: a segment count, then per
// segment its start address, its length in 16-bit words and the words (all little-endian).

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "messages/message_catalogue.h"

namespace kx::ops {

struct FirmwareSegment {
    std::uint16_t address = 0;
    std::uint16_t wordCount = 0;
    // The words as target memory holds them: word k at bytes 2k (low) and 2k + 1 (high).
    std::vector<std::uint8_t> bytes;
};

struct FirmwareContainer {
    std::vector<FirmwareSegment> segments;

    // Sum of the word counts in 16-bit arithmetic, as the progress bar counts them.
    std::uint16_t WordSum() const;
    // The byte at a target address, if a segment covers it.
    std::optional<std::uint8_t> ByteAt(std::uint32_t address) const;
};

enum class ContainerError {
    None,
    Empty,          // no bytes at all (the build carried no file)
    NoSegments,     // a segment count of 0
    Truncated,      // a segment runs past the end of the data
    TrailingBytes,  // bytes left after the last segment: not a container
    BadSegment,     // odd address, no words, or a segment running past 0xFFFF
};

// Parses and checks a container. Nothing is accepted partly: any fault gives nullopt.
std::optional<FirmwareContainer> ParseFirmwareContainer(std::span<const std::uint8_t> data,
                                                        ContainerError* error = nullptr);

// What is wrong with the container in `file`, for the refusal; empty for ContainerError::None.
std::string ContainerFaultText(ContainerError error, std::string_view file, UiLanguage language);

// The stand-in containers of resources/firmware carry this text in their data; real firmware
// never does. A stand-in written into a box leaves it without working firmware.
inline constexpr std::string_view kStandInMark = "NOT FOR A REAL BOX";
bool IsStandInContainer(std::span<const std::uint8_t> data);

// The two containers embedded at build time (from KX_FIRMWARE_DIR); empty when the build
// had no such file.
std::span<const std::uint8_t> ProgrammerFirmwareBytes();
std::span<const std::uint8_t> LoaderPatchBytes();

}  // namespace kx::ops
