#pragma once
// Image data that the selected device cannot hold: the programming run and the offline
// download walk only from 0x1000 up to the end of the device's flash, so anything else in
// the file would be left out without a word.

#include <cstdint>
#include <string>
#include <vector>

#include "devices/device_catalogue.h"
#include "image/code_image.h"
#include "messages/message_catalogue.h"
#include "messages/output.h"

namespace kx::image {

enum class OutsidePlace : std::uint8_t {
    BelowProgramStart,    // below 0x1000
    BetweenInfoAndFlash,  // above the information memory, below the flash
    BeyondFlash,          // at or above the end of the device's flash
};

struct OutsideSpan {
    OutsidePlace place = OutsidePlace::BelowProgramStart;
    std::uint32_t first = 0;  // lowest and highest address holding data in this place
    std::uint32_t last = 0;
    std::uint32_t bytes = 0;  // bytes other than 0xFF in this place

    bool operator==(const OutsideSpan&) const = default;
};

// One span per place that holds data, in address order; empty when the device holds it all.
std::vector<OutsideSpan> DataOutsideDevice(const CodeImage& image,
                                           const devices::DeviceRecord& device);

// The warning for the output pane (lines ended by CR LF), or "" for no spans.
std::string OutsideDataText(const std::vector<OutsideSpan>& spans,
                            const devices::DeviceRecord& device, UiLanguage language);

// Appends that warning to the pane when the device cannot hold all of the image.
void ShowOutsideData(Output& out, const CodeImage& image, const devices::DeviceRecord& device);

}  // namespace kx::image
