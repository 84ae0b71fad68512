#include "cli/cli_settings.h"

#include "messages/text_catalogue.h"
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
            *error = SayText(language, Text::SettingsUnreadableUseAnother, {path, loaded.error});
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
