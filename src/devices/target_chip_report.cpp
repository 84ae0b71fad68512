#include "devices/target_chip_report.h"

#include <string>

#include "messages/message_catalogue.h"
#include "messages/text_format.h"

namespace kx::devices {
void ShowTargetChip(Output& out, std::uint16_t chipId) {
    out.AppendText(MessageText(Message::TargetChip, out.Language()));
    std::string line;
    if (const auto family = FamilyName(chipId)) {
        line = *family;
    } else {
        line = FormatHex(chipId);
    }
    line += "\r\n";
    out.AppendText(line);
}

bool CheckDeviceMatch(Output& out, const DeviceRecord& selected, std::uint16_t chipId) {
    const bool match = (selected.chipId & 0xFFFFu) == chipId;
    if (!match) {
        out.AppendText(MessageText(Message::DeviceMismatch, out.Language()));
    }
    return match;
}

}  // namespace kx::devices
