#pragma once
// What choosing a row in the device list changes. Pure: the window passes the state of
// the affected controls in and applies the returned state, text and ImageEnd.

#include <cstdint>
#include <string>

#include "devices/device_catalogue.h"

namespace kx::devices {

struct RadioChoice {
    bool enabled = false;
    bool selected = false;
};

struct CheckChoice {
    bool enabled = true;
    bool shown = true;
    bool on = false;
};

// The controls a selection touches: the JTAG / SBW / BSL mode radios, the burn-fuse box
// and the erase-segment-A box.
struct DeviceControls {
    RadioChoice jtag;
    RadioChoice sbw;
    RadioChoice bsl;
    CheckChoice burnFuse;
    CheckChoice eraseSegA;
};

struct DeviceSelection {
    int row = 0;              // the row applied (row 0 for an index outside the list)
    std::string description;  // replaces the output pane (ShowText)
    DeviceControls controls;
    int addressDigits = 4;        // character limit of the read address and length fields
    std::string readAddressText;  // flash start, 4 or 5 hex digits
    std::string readLengthText;   // flash size, 4 or 5 hex digits
    std::uint32_t imageEnd = kDefaultImageEnd;
};

// "MSP430<name>:\r\nFlash size = 0x<size>(Bytes)\r\nRam size = 0x<ram>(Bytes)".
std::string DeviceDescription(const DeviceRecord& device);

// Read-field text of an address or length: upper-case hex, 4 digits below 0x10000, else 5.
std::string AddressFieldText(std::uint32_t value);

DeviceSelection SelectDevice(int row, const DeviceControls& before);

}  // namespace kx::devices
