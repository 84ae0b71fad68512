#pragma once
// The settings file as the command line uses it: the window's choices are read as defaults,
// and only the serial counter is ever written back (settings/serial_counter.h), so a
// one-off option on the command line never changes what the window shows next time.

#include <cstdint>
#include <optional>
#include <string>

#include "messages/message_catalogue.h"
#include "settings/serial_counter.h"
#include "settings/settings.h"

namespace kx::cli {

// `--settings FILE` when given, else the window's file.
std::string ChooseSettingsFile(const std::optional<std::string>& option);

struct CliSettings {
    std::string path;
    settings::Settings values;
    bool fileFound = false;
    settings::CounterReading counter;
};

// nullopt with `error` set (in `language`) when the file exists but cannot be read: carrying
// on with the defaults would restart the serial numbers at 12345.
std::optional<CliSettings> LoadCliSettings(const std::string& path, UiLanguage language,
                                           std::string* error);

}  // namespace kx::cli
