#pragma once
// The saved settings as the choices of an operation. The window overlays what only its
// widgets hold; the command line overlays its options.

#include "devices/device_catalogue.h"
#include "operations/operation_context.h"
#include "settings/settings.h"
#include "settings/settings_text.h"

namespace kx::ops {

// Every input the settings file holds, a device row outside the catalogue read as row 0;
// the rest keeps the defaults of OperationInputs.
inline OperationInputs InputsFromSettings(const settings::Settings& s) {
    OperationInputs in;
    in.deviceRow = s.deviceRow >= 0 && s.deviceRow < devices::kDeviceCount ? s.deviceRow : 0;
    in.supplyPower = s.supplyPower;
    in.erase = s.erase;
    in.protectInfo = s.protectInfo;
    in.program = s.program;
    in.verify = s.verify;
    in.useProductInfo = s.useProductInfo;
    in.runAfter = s.runAfter;
    in.autoIncrement = s.autoIncrement;
    in.beep = s.beep;
    in.productName = s.productName;
    in.serial = s.serial;
    in.serialHex = s.serialStyle == settings::SerialStyle::Hex;
    in.infoAddressText = settings::InfoAddressDisplayText(s.infoAddress);
    in.readByDevice = s.readStyle == settings::ReadStyle::ByDevice;
    return in;
}

}  // namespace kx::ops
