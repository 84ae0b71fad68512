#include "cli/cli_settings.h"

#include <csignal>

#include "settings/settings_file.h"

namespace kx::cli {

std::string ChooseSettingsFile(const std::optional<std::string>& option) {
    return option ? *option : settings::SettingsPath();
}

std::optional<CliSettings> LoadCliSettings(const std::string& path, std::string* error) {
    settings::LoadedSettings loaded = settings::LoadSettingsFile(path);
    if (!loaded.error.empty()) {
        if (error != nullptr) {
            *error = "cannot read the settings file " + path + ": " + loaded.error +
                     " Fix its permissions, or pick another file with --settings FILE.";
        }
        return std::nullopt;
    }
    CliSettings s;
    s.path = path;
    s.values = std::move(loaded.settings);
    s.fileFound = loaded.fileFound;
    return s;
}

bool SaveSerialCounter(const std::string& path, std::uint32_t serial, std::string* error) {
    sigset_t hold;
    sigset_t previous;
    sigemptyset(&hold);
    sigaddset(&hold, SIGINT);
    sigaddset(&hold, SIGTERM);
    sigaddset(&hold, SIGHUP);
    sigaddset(&hold, SIGQUIT);
    const bool masked = sigprocmask(SIG_BLOCK, &hold, &previous) == 0;
    const bool saved = settings::SaveProductNum(path, serial, error);
    if (masked) sigprocmask(SIG_SETMASK, &previous, nullptr);
    return saved;
}

}  // namespace kx::cli
