#pragma once
// The settings file as the command line uses it: the window's choices are read as defaults,
// and only the serial counter is ever written back (right after a run advanced it), so a
// one-off option on the command line never changes what the window shows next time.

#include <cstdint>
#include <optional>
#include <string>

#include "settings/settings.h"

namespace kx::cli {

// `--settings FILE` when given, else the window's file.
std::string ChooseSettingsFile(const std::optional<std::string>& option);

struct CliSettings {
    std::string path;
    settings::Settings values;
    bool fileFound = false;
};

// nullopt with `error` set when the file exists but cannot be read: carrying on with the
// defaults would restart the serial numbers at 12345.
std::optional<CliSettings> LoadCliSettings(const std::string& path, std::string* error);

// Writes the serial counter with every termination signal held back meanwhile, so that a
// Ctrl-C cannot land between programming a number and recording it.
bool SaveSerialCounter(const std::string& path, std::uint32_t serial, std::string* error);

}  // namespace kx::cli
