#include "devices/device_selection.h"

#include "messages/text_catalogue.h"
#include "messages/text_format.h"

namespace kx::devices {

std::string DeviceDescription(const DeviceRecord& device) {
    // The row reads the same in both languages.
    return SayText(UiLanguage::English, Text::DeviceSizes,
                   {device.name, FormatHex(device.flashSize), FormatHex(device.ramSize)});
}

std::string AddressFieldText(std::uint32_t value) {
    return FormatHex(value, value < 0x10000 ? 4 : 5);
}

DeviceSelection SelectDevice(int row, const DeviceControls& before) {
    const bool inList = row >= 0 && row < kDeviceCount;
    const DeviceRecord& device = DeviceAt(row);

    DeviceSelection result;
    result.row = inList ? row : 0;
    result.description = DeviceDescription(device);
    result.controls = before;
    DeviceControls& c = result.controls;

    // A newly chosen JTAG or SBW mode starts with the fuse left alone.
    const auto resetFuse = [&c] {
        c.burnFuse.on = false;
        c.burnFuse.enabled = true;
    };

    if (device.jtagCapable) {
        c.jtag = {.enabled = true, .selected = true};
        resetFuse();
    } else {
        c.jtag = {.enabled = false, .selected = false};
    }

    if (device.sbwCapable) {
        c.sbw.enabled = true;
        c.sbw.selected = !c.jtag.selected;
        if (c.sbw.selected) {
            resetFuse();
        }
    } else {
        c.sbw = {.enabled = false, .selected = false};
    }

    // BSL is never preselected: it may erase the whole flash without a password.
    c.bsl = {.enabled = device.bslCapable, .selected = false};

    result.addressDigits = device.UsesHighAddress() ? 5 : 4;
    result.readAddressText = AddressFieldText(device.flashStart);
    result.readLengthText = AddressFieldText(device.flashSize);
    result.imageEnd = ImageEnd(device);

    if (device.segAEraseChoice) {
        c.eraseSegA.enabled = true;
        c.eraseSegA.shown = true;
    } else {
        // Devices without the choice always send the erase-segment-A bit.
        c.eraseSegA = {.enabled = false, .shown = false, .on = true};
    }
    return result;
}

}  // namespace kx::devices
