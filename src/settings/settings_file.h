#pragma once
// Where the settings file lives, and reading and writing it whole.

#include <cstdint>
#include <optional>
#include <string>

#include "messages/message_catalogue.h"
#include "settings/ini_document.h"
#include "settings/serial_counter.h"
#include "settings/settings.h"

namespace kx::settings {

// Full path of the settings file: $KX_VELDRAN_SETTINGS when set; else KX_VELDRAN.ini beside
// the executable when that folder is writable (the portable layout); else
// $XDG_CONFIG_HOME/KX_VELDRAN/KX_VELDRAN.ini (~/.config when unset).
std::string SettingsPath();

// The decision behind SettingsPath, on explicit inputs. Empty strings stand for unset
// variables; a relative XDG_CONFIG_HOME is ignored, as the XDG rules say.
struct PathInputs {
    std::string overridePath;      // KX_VELDRAN_SETTINGS
    std::string executableFolder;  // empty when unknown
    bool executableFolderWritable = false;
    std::string xdgConfigHome;
    std::string home;
};
std::string ChooseSettingsPath(const PathInputs& in);

struct LoadedSettings {
    Settings settings;
    IniDocument document;  // hand back to SaveSettingsFile so unknown content survives
    bool fileFound = false;
    CounterReading counter;  // what product_num holds, beyond the number in `settings`
    // Set, in the language asked for, when a file exists but could not be read; the defaults
    // are used.
    std::string error;
};

// A missing file gives the defaults without an error.
LoadedSettings LoadSettingsFile(const std::string& path, UiLanguage language);

// Writes `settings` into `document` and the result to `path` in one atomic replace,
// creating the folder when missing. On failure the old file is left as it was, and the
// function returns false with a message in `language` that says what to do.
bool SaveSettingsFile(const std::string& path, IniDocument& document, const Settings& settings,
                      UiLanguage language, std::string* error = nullptr);

// The production log a settings file names: empty when it names none; a relative name is
// taken beside the settings file, so it means the same whoever starts the program and where.
std::string ProductionLogPath(const std::string& logSetting, const std::string& settingsPath);

// The file a write lands in: `path`, or where it points when it is a symbolic link, so a
// settings file kept elsewhere through a link stays where it is.
std::string ResolvedSettingsPath(const std::string& path);

// Writes the document in one atomic replace (through a link, creating the folder when
// missing). A file the user may not write is refused. False with `why` set, in `language`,
// on failure.
bool WriteSettingsDocument(const std::string& path, const IniDocument& doc, UiLanguage language,
                           std::string* why);

}  // namespace kx::settings
