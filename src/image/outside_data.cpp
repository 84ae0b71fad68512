#include "image/outside_data.h"

#include <optional>

#include "devices/device_selection.h"
#include "messages/text_catalogue.h"

namespace kx::image {
namespace {

constexpr std::uint32_t kInfoStart = 0x1000;
constexpr std::uint32_t kInfoSize = 0x100;
constexpr std::uint32_t kInfoStart1800 = 0x1800;
constexpr std::uint32_t kInfoSize1800 = 0x200;

std::string Hex(std::uint32_t address) {
    return "0x" + devices::AddressFieldText(address);
}

}  // namespace

std::vector<OutsideSpan> DataOutsideDevice(const CodeImage& image,
                                           const devices::DeviceRecord& device) {
    const std::uint32_t infoStart = device.infoAt1800 ? kInfoStart1800 : kInfoStart;
    const std::uint32_t infoEnd = infoStart + (device.infoAt1800 ? kInfoSize1800 : kInfoSize);
    const std::uint32_t flashEnd = device.FlashEnd();
    const auto placeOf = [&](std::uint32_t a) -> std::optional<OutsidePlace> {
        if (a < kProgramStart) return OutsidePlace::BelowProgramStart;
        if (a >= flashEnd) return OutsidePlace::BeyondFlash;
        if ((a >= infoStart && a < infoEnd) || a >= device.flashStart) return std::nullopt;
        return OutsidePlace::BetweenInfoAndFlash;
    };
    std::vector<OutsideSpan> spans;
    const std::uint8_t* bytes = image.Data();
    for (std::uint32_t a = 0; a < kImageSize; ++a) {
        if (bytes[a] == 0xFF) continue;
        const auto place = placeOf(a);
        if (!place) continue;
        if (spans.empty() || spans.back().place != *place) {
            spans.push_back(OutsideSpan{*place, a, a, 0});
        }
        spans.back().last = a;
        ++spans.back().bytes;
    }
    return spans;
}

std::string OutsideDataText(const std::vector<OutsideSpan>& spans,
                            const devices::DeviceRecord& device, UiLanguage language) {
    if (spans.empty()) return {};
    std::uint32_t total = 0;
    for (const OutsideSpan& s : spans) total += s.bytes;
    const std::string name = "MSP430" + std::string(device.name);
    std::string text = SayText(language, Text::OutsideDataWarning, {std::to_string(total), name});
    for (const OutsideSpan& s : spans) {
        std::string place;
        switch (s.place) {
            case OutsidePlace::BelowProgramStart:
                place = SayText(language, Text::OutsideBelowProgramStart);
                break;
            case OutsidePlace::BetweenInfoAndFlash:
                place =
                    SayText(language, Text::OutsideBetweenInfoAndFlash, {Hex(device.flashStart)});
                break;
            case OutsidePlace::BeyondFlash:
                place = SayText(language, Text::OutsideBeyondFlash, {Hex(device.FlashEnd() - 1)});
                break;
        }
        text += SayText(language, s.bytes == 1 ? Text::OutsideOneByte : Text::OutsideBytes,
                        {std::to_string(s.bytes), Hex(s.first) + ".." + Hex(s.last), place});
    }
    return text;
}

void ShowOutsideData(Output& out, const CodeImage& image, const devices::DeviceRecord& device) {
    const std::string text =
        OutsideDataText(DataOutsideDevice(image, device), device, out.Language());
    if (!text.empty()) out.AppendShownText(text);
}

}  // namespace kx::image
