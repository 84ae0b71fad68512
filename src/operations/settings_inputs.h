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
    in.deviceRow = s.device >= 0 && s.device < devices::kDeviceCount ? s.device : 0;
    in.supplyPower = s.supplyVcc;
    in.erase = s.erase;
    in.protectInfo = s.saveInfoFlash;
    in.program = s.prog;
    in.verify = s.verify;
    in.useProductInfo = s.productId;
    in.runAfter = s.run;
    in.autoIncrement = s.idIncrease;
    in.beep = s.beep;
    in.productName = s.productName;
    in.serial = s.productNum;
    in.serialHex = s.productNumStyle == settings::SerialStyle::Hex;
    in.infoAddressText = settings::InfoAddrDisplayText(s.infoAddr);
    in.readByDevice = s.readStyle == settings::ReadStyle::ByDevice;
    return in;
}

}  // namespace kx::ops
