#pragma once
// Turning the command line and the settings file into the choices an operation takes, the
// way the window would have them: the settings give the defaults, the device row decides
// which modes exist, and the command line overrides.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "cli/cli_options.h"
#include "operations/operation_context.h"
#include "settings/settings.h"

namespace kx::cli {

// Row of the device list for a row number ("49") or a name ("F149", "MSP430F2619",
// "F149(F1491)"). On failure `error` says in `language` what was wrong and what to type
// instead.
std::optional<int> ResolveDevice(std::string_view text, UiLanguage language, std::string* error);

struct ResolvedInputs {
    ops::OperationInputs inputs;
    std::uint32_t imageEnd = 0;  // exclusive end of the selected device's flash
};

// nullopt with `error` set when a choice cannot be made (a mode the device does not offer,
// a bad hexadecimal field, a name that does not fit the product record, ...).
std::optional<ResolvedInputs> BuildInputs(const CliOptions& options,
                                          const settings::Settings& settings, UiLanguage language,
                                          std::string* error);

// "JTAG BSL SBW"-style list of the modes a row offers.
std::string ModeList(int row);

}  // namespace kx::cli
