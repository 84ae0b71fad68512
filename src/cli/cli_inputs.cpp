#include "cli/cli_inputs.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "devices/device_catalogue.h"
#include "devices/device_selection.h"
#include "messages/text_catalogue.h"
#include "operations/product_info.h"
#include "operations/settings_inputs.h"
#include "settings/settings_text.h"

namespace kx::cli {
namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return Lower(a) == Lower(b);
}

// "F149(F1491)" → "F149", "F2232/F2234" → "F2232".
std::string_view BaseName(std::string_view name) {
    const auto cut = name.find_first_of("(/");
    return cut == std::string_view::npos ? name : name.substr(0, cut);
}

std::string DisplayName(int row) {
    return "MSP430" + std::string(devices::DeviceAt(row).name);
}

bool Fail(std::string* error, std::string text) {
    if (error != nullptr) *error = std::move(text);
    return false;
}

bool ModeOffered(const devices::DeviceRecord& d, ops::ProgrammingMode mode) {
    switch (mode) {
        case ops::ProgrammingMode::Jtag:
            return d.jtagCapable;
        case ops::ProgrammingMode::Bsl:
            return d.bslCapable;
        case ops::ProgrammingMode::Sbw:
            return d.sbwCapable;
    }
    return false;
}

}  // namespace

std::optional<int> ResolveDevice(std::string_view text, UiLanguage language, std::string* error) {
    const std::string hint = SayText(language, Text::DevicesCommandListsNames);
    if (text.empty()) {
        Fail(error, SayText(language, Text::DeviceNeedsRowOrName) + hint);
        return std::nullopt;
    }
    if (std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        if (text.size() <= 2) {
            return std::stoi(std::string(text));
        }
        Fail(error, SayText(language, Text::DeviceRowMissing, {text}) + hint);
        return std::nullopt;
    }

    std::string_view name = text;
    if (name.size() > 6 && EqualsNoCase(name.substr(0, 6), "msp430")) name = name.substr(6);

    const auto& table = devices::DeviceCatalogue();
    for (int row = 0; row < devices::kDeviceCount; ++row) {
        if (EqualsNoCase(table[static_cast<std::size_t>(row)].name, name)) return row;
    }
    for (int row = 0; row < devices::kDeviceCount; ++row) {
        if (EqualsNoCase(BaseName(table[static_cast<std::size_t>(row)].name), name)) return row;
    }
    // A variant written inside the row's name, e.g. F2619 in "F2419(F2619)".
    std::vector<int> matches;
    const std::string wanted = Lower(name);
    for (int row = 0; row < devices::kDeviceCount; ++row) {
        if (Lower(table[static_cast<std::size_t>(row)].name).find(wanted) != std::string::npos) {
            matches.push_back(row);
        }
    }
    if (matches.size() == 1) return matches.front();
    if (matches.empty()) {
        Fail(error, SayText(language, Text::DeviceUnknown, {text}) + hint);
    } else {
        std::string list;
        for (std::size_t i = 0; i < matches.size() && i < 8; ++i) {
            if (!list.empty()) list += ", ";
            list += std::string(table[static_cast<std::size_t>(matches[i])].name);
        }
        if (matches.size() > 8) list += ", ...";
        Fail(error, SayText(language, Text::DeviceAmbiguous, {text, list}));
    }
    return std::nullopt;
}

std::string ModeList(int row) {
    const auto& d = devices::DeviceAt(row);
    std::string list;
    const auto add = [&list](bool on, const char* name) {
        if (!on) return;
        if (!list.empty()) list += ' ';
        list += name;
    };
    add(d.jtagCapable, "JTAG");
    add(d.bslCapable, "BSL");
    add(d.sbwCapable, "SBW");
    return list;
}

std::optional<ResolvedInputs> BuildInputs(const CliOptions& o, const settings::Settings& s,
                                          UiLanguage language, std::string* error) {
    ResolvedInputs r{.inputs = ops::InputsFromSettings(s)};
    ops::OperationInputs& in = r.inputs;

    int row = in.deviceRow;
    if (o.device) {
        const auto resolved = ResolveDevice(*o.device, language, error);
        if (!resolved) return std::nullopt;
        row = *resolved;
    }
    const devices::DeviceRecord& dev = devices::DeviceAt(row);
    const devices::DeviceSelection sel = devices::SelectDevice(row, devices::DeviceControls{});
    in.deviceRow = row;
    r.imageEnd = sel.imageEnd;

    // The mode the window would preselect for this device, unless one was asked for.
    if (o.mode) {
        if (!ModeOffered(dev, *o.mode)) {
            Fail(error, SayText(language, Text::ModeNotOffered, {DisplayName(row), ModeList(row)}));
            return std::nullopt;
        }
        in.mode = *o.mode;
    } else if (sel.controls.jtag.selected) {
        in.mode = ops::ProgrammingMode::Jtag;
    } else if (sel.controls.sbw.selected) {
        in.mode = ops::ProgrammingMode::Sbw;
    } else {
        in.mode = ops::ProgrammingMode::Bsl;
    }

    in.burnFuse = o.burnFuse;
    if (o.burnFuse && in.mode == ops::ProgrammingMode::Bsl) {
        Fail(error, SayText(language, Text::FuseNeedsJtagOrSbw));
        return std::nullopt;
    }

    if (dev.segAEraseChoice) {
        // Segment A holds the chip's calibration data: erased only when asked for.
        in.eraseSegA = o.eraseSegA.value_or(false);
    } else {
        if (o.eraseSegA.has_value() && !*o.eraseSegA) {
            Fail(error, SayText(language, Text::NoEraseSegAChoice, {DisplayName(row)}));
            return std::nullopt;
        }
        in.eraseSegA = sel.controls.eraseSegA.on;
    }

    in.supplyPower = o.supplyPower.value_or(in.supplyPower);
    in.erase = o.erase.value_or(in.erase);
    in.program = o.program.value_or(in.program);
    in.verify = o.verify.value_or(in.verify);
    in.runAfter = o.runAfter.value_or(in.runAfter);
    in.beep = o.beep.value_or(in.beep);
    in.autoIncrement = o.autoIncrement.value_or(in.autoIncrement);

    // Ticking one of these unticks the other in the window; do the same for an explicit
    // choice, and keep whatever the settings file holds otherwise.
    in.protectInfo = o.protectInfo.value_or(in.protectInfo);
    in.useProductInfo = o.useProductInfo.value_or(in.useProductInfo);
    if (o.useProductInfo.value_or(false)) in.protectInfo = false;
    if (o.protectInfo.value_or(false)) in.useProductInfo = false;
    // A shared sequence that is never counted would stamp one number into every chip.
    if (o.serialSource && !(in.useProductInfo && in.autoIncrement)) {
        Fail(error, SayText(language, Text::SerialSourceNeedsCounting));
        return std::nullopt;
    }

    if (o.productName) {
        if (o.productName->find_first_of("\r\n") != std::string::npos ||
            !ops::ProductNameFits(*o.productName)) {
            Fail(error, SayText(language, Text::ProductNameDoesNotFit));
            return std::nullopt;
        }
        in.productName = *o.productName;
    }

    if (o.serial) {
        const auto value =
            o.serial->empty() ? std::nullopt : ops::ParseSerialText(*o.serial, o.serialHex);
        if (!value) {
            Fail(error, SayText(language,
                                o.serialHex ? Text::SerialHexDigits : Text::SerialDecimalDigits));
            return std::nullopt;
        }
        in.serial = *value;
        in.serialHex = o.serialHex;
    }

    if (o.infoAddress) {
        const auto text = ops::FilterHexField(*o.infoAddress, 4);
        if (o.infoAddress->empty() || !text || !settings::InfoAddressFromText(*text)) {
            Fail(error, SayText(language, Text::InfoAddressDigits));
            return std::nullopt;
        }
        in.infoAddressText = *text;
    }

    // Giving an address or a length means reading by address.
    in.readByDevice = o.readByDevice.value_or(in.readByDevice);
    if (o.readAddress || o.readLength) in.readByDevice = false;
    in.readAddressText = sel.readAddressText;
    in.readLengthText = sel.readLengthText;
    const auto digits = static_cast<std::size_t>(sel.addressDigits);
    const auto hexField = [&](const std::optional<std::string>& value, const char* option,
                              std::string& target) {
        if (!value) return true;
        const auto text = ops::FilterHexField(*value, digits);
        if (value->empty() || !text) {
            return Fail(error, SayText(language, Text::HexOptionDigits,
                                       {option, std::to_string(digits), DisplayName(row)}));
        }
        target = *text;
        return true;
    };
    if (!hexField(o.readAddress, "--address", in.readAddressText)) return std::nullopt;
    if (!hexField(o.readLength, "--length", in.readLengthText)) return std::nullopt;

    in.countLimitText = o.countLimit.value_or("0");
    return r;
}

}  // namespace kx::cli
