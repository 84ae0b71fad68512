#include "cli/device_list.h"

#include <cstdio>

#include "cli/cli_inputs.h"
#include "devices/device_catalogue.h"
#include "messages/text_catalogue.h"
#include "messages/text_format.h"

namespace kx::cli {

std::string DeviceListText(UiLanguage language) {
    std::string text = SayText(language, Text::DeviceListHeading) + "\n";
    const auto& table = devices::DeviceCatalogue();
    for (int row = 0; row < devices::kDeviceCount; ++row) {
        const auto& d = table[static_cast<std::size_t>(row)];
        const std::uint32_t last = d.FlashEnd() - 1;
        const int digits = last < 0x10000 ? 4 : 5;
        const std::string range =
            "0x" + FormatHex(d.flashStart, digits) + "-0x" + FormatHex(last, digits);
        const std::string name = "MSP430" + std::string(d.name);
        char line[128];
        std::snprintf(line, sizeof line, "%3d  %-21s %-16s %s\n", row, name.c_str(), range.c_str(),
                      ModeList(row).c_str());
        text += line;
    }
    return text;
}

}  // namespace kx::cli
