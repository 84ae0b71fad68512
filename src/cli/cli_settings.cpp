#include "cli/cli_settings.h"

#include "settings/settings_file.h"

namespace kx::cli {

std::string ChooseSettingsFile(const std::optional<std::string>& option) {
    return option ? *option : settings::SettingsPath();
}

std::optional<CliSettings> LoadCliSettings(const std::string& path, UiLanguage language,
                                           std::string* error) {
    settings::LoadedSettings loaded = settings::LoadSettingsFile(path, language);
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
    s.counter = std::move(loaded.counter);
    return s;
}

}  // namespace kx::cli
