#include "settings/settings_file.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "messages/file_reasons.h"
#include "messages/text_catalogue.h"
#include "platform/atomic_file.h"
#include "platform/system_info.h"

namespace kx::settings {
namespace fs = std::filesystem;
namespace {

std::string EnvOrEmpty(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string Join(const std::string& folder, std::string_view name) {
    if (folder.empty()) return std::string(name);
    // A Windows folder ("C:\Program Files\KX") goes on with its own separator.
    const char separator =
        folder.find('/') == std::string::npos && folder.find('\\') != std::string::npos ? '\\'
                                                                                        : '/';
    if (folder.back() == separator) return folder + std::string(name);
    return folder + separator + std::string(name);
}

void Set(std::string* error, std::string text) {
    if (error) *error = std::move(text);
}

}  // namespace

std::string ResolvedSettingsPath(const std::string& path) {
    std::error_code ec;
    if (fs::is_symlink(path, ec)) {
        const fs::path resolved = fs::weakly_canonical(path, ec);
        if (!ec) return resolved.string();
    }
    return path;
}

bool WriteSettingsDocument(const std::string& path, const IniDocument& doc, UiLanguage language,
                           std::string* why) {
    const std::string target = ResolvedSettingsPath(path);
    const fs::path folder = fs::path(target).parent_path();
    std::error_code ec;
    if (!folder.empty()) {
        fs::create_directories(folder, ec);
        if (ec) {
            Set(why, SayText(language, Text::FolderNotCreated, {folder.string(), ec.message()}));
            return false;
        }
    }
    WriteFailure failure;
    if (WriteFileAtomically(target, doc.Serialize(), &failure)) return true;
    Set(why, WriteFailureText(failure, language));
    return false;
}

std::string ChooseSettingsPath(const PathInputs& in) {
    if (!in.overridePath.empty()) return in.overridePath;
    if (!in.executableFolder.empty() && in.executableFolderWritable) {
        return Join(in.executableFolder, kSettingsFileName);
    }
    // Windows keeps per-user settings under %APPDATA%.
    if (!in.appData.empty()) return Join(Join(in.appData, "KX_VELDRAN"), kSettingsFileName);
    std::string config;
    if (!in.xdgConfigHome.empty() && in.xdgConfigHome.front() == '/') {
        config = in.xdgConfigHome;
    } else if (!in.home.empty()) {
        config = Join(in.home, ".config");
    }
    // With no usable home either, beside the executable is the only place left; a write
    // there fails with a message rather than landing somewhere unexpected.
    if (config.empty()) return Join(in.executableFolder, kSettingsFileName);
    return Join(Join(config, "KX_VELDRAN"), kSettingsFileName);
}

std::string SettingsPath() {
    PathInputs in;
    in.overridePath = EnvOrEmpty("KX_VELDRAN_SETTINGS");
    in.executableFolder = platform::ExecutableFolder();
    in.executableFolderWritable =
        !in.executableFolder.empty() && platform::FolderWritable(in.executableFolder);
    in.xdgConfigHome = EnvOrEmpty("XDG_CONFIG_HOME");
    in.home = EnvOrEmpty("HOME");
    in.appData = platform::AppDataFolder();
    return ChooseSettingsPath(in);
}

LoadedSettings LoadSettingsFile(const std::string& path, UiLanguage language) {
    LoadedSettings out;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (ec) {
        if (ec != std::errc::no_such_file_or_directory && ec != std::errc::not_a_directory) {
            out.error = SayText(language, Text::SettingsUnreadable, {path, ec.message()});
        }
        return out;
    }
    if (!fs::is_regular_file(status)) {
        out.error = SayText(language, Text::SettingsNotRegular, {path});
        return out;
    }
    ReadFailure failure;
    const auto bytes = ReadWholeFile(path, &failure);
    if (!bytes) {
        out.error =
            SayText(language, Text::SettingsReadFailed, {ReadFailureText(path, failure, language)});
        return out;
    }
    out.fileFound = true;
    const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    out.document = IniDocument::Parse(text);
    out.settings = SettingsFromDocument(out.document);
    out.counter = ReadCounter(out.document, text);
    return out;
}

bool SaveSettingsFile(const std::string& path, IniDocument& document, const Settings& settings,
                      UiLanguage language, std::string* error) {
    WriteSettings(settings, document);
    std::string why;
    if (WriteSettingsDocument(path, document, language, &why)) return true;
    Set(error, SayText(language, Text::SettingsNotSavedNoteSerial,
                       {path, why, std::to_string(settings.serial)}));
    return false;
}

}  // namespace kx::settings
