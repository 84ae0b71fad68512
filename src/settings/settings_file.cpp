#include "settings/settings_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "common/atomic_file.h"
#include "messages/file_reasons.h"
#include "messages/text_catalogue.h"

namespace kx::settings {
namespace fs = std::filesystem;
namespace {

std::string EnvOrEmpty(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string Join(const std::string& folder, std::string_view name) {
    if (folder.empty()) return std::string(name);
    if (folder.back() == '/') return folder + std::string(name);
    return folder + "/" + std::string(name);
}

void Set(std::string* error, std::string text) {
    if (error) *error = std::move(text);
}

}  // namespace

std::string ProductionLogPath(const std::string& logSetting, const std::string& settingsPath) {
    if (logSetting.empty() || logSetting.front() == '/') return logSetting;
    return Join(fs::path(settingsPath).parent_path().string(), logSetting);
}

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
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        in.executableFolder = exe.parent_path().string();
        in.executableFolderWritable = ::access(in.executableFolder.c_str(), W_OK) == 0;
    }
    in.xdgConfigHome = EnvOrEmpty("XDG_CONFIG_HOME");
    in.home = EnvOrEmpty("HOME");
    return ChooseSettingsPath(in);
}

LoadedSettings LoadSettingsFile(const std::string& path, UiLanguage language) {
    LoadedSettings out;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno != ENOENT && errno != ENOTDIR) {
            out.error = SayText(language, Text::SettingsUnreadable, {path, std::strerror(errno)});
        }
        return out;
    }
    if (!S_ISREG(st.st_mode)) {
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
