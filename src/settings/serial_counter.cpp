#include "settings/serial_counter.h"

#include <chrono>
#include <filesystem>
#include <system_error>
#include <thread>

#include "messages/text_catalogue.h"
#include "settings/settings_file.h"

namespace kx::settings {
namespace {

constexpr std::string_view kNumber = "number";
constexpr std::string_view kCounterKey = "product_num";

// The file as it is now, with its counter; `error` set when it exists but cannot be read.
struct Fresh {
    LoadedSettings loaded;
    bool ok = false;
};

Fresh LoadFresh(const std::string& path, UiLanguage language, std::string* error) {
    Fresh f{LoadSettingsFile(path, language), false};
    if (!f.loaded.error.empty()) {
        *error = f.loaded.error;
        return f;
    }
    f.ok = true;
    return f;
}

std::string UnreadableText(const CounterReading& r, UiLanguage language) {
    const std::string what = r.keyFound ? std::string(kCounterKey) + "=" + r.raw
                                        : SayText(language, Text::FileHoldsNoSettings);
    return SayText(language, Text::SerialCounterUnreadable, {what});
}

}  // namespace

CounterReading ReadCounter(const IniDocument& doc, std::string_view fileBytes) {
    CounterReading r;
    const auto value = doc.Get(kNumber, kCounterKey);
    if (!value) {
        // No counter in a file that holds no settings at all (binary, or text of another
        // kind) is no fresh start: the real file was lost or replaced.
        const bool blank = fileBytes.find_first_not_of(" \t\r\n") == std::string_view::npos;
        const bool notText = fileBytes.find('\0') != std::string_view::npos;
        if (!blank && (notText || !doc.HasSection())) r.state = CounterState::Unreadable;
        return r;
    }
    r.keyFound = true;
    r.raw = *value;
    std::string_view v = *value;
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
    while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
    std::uint64_t n = 0;
    bool digits = !v.empty() && v.size() <= 10;
    for (char c : v) {
        if (c < '0' || c > '9') digits = false;
        if (!digits) break;
        n = n * 10 + static_cast<unsigned>(c - '0');
    }
    if (!digits || n > 0xFFFFFFFFu) {
        r.state = CounterState::Unreadable;
        return r;
    }
    r.state = CounterState::Readable;
    r.value = static_cast<std::uint32_t>(n);
    return r;
}

std::optional<CounterLock> CounterLock::Take(const std::string& settingsPath, UiLanguage language,
                                             std::string* error, int waitMs) {
    const std::string target = ResolvedSettingsPath(settingsPath);
    // A fresh account has no settings folder yet (~/.config/KX_VELDRAN); if it cannot be made,
    // the open below says why.
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::path(target).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder, ec);
    const std::string lockPath = target + ".lock";
    std::string reason;
    std::optional<platform::LockFile> file = platform::LockFile::Open(lockPath, &reason);
    if (!file) {
        *error = SayText(language, Text::LockFileNotOpened, {lockPath, reason});
        return std::nullopt;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        const auto attempt = file->TryLock(&reason);
        if (attempt == platform::LockFile::Attempt::Taken) break;
        if (attempt == platform::LockFile::Attempt::Failed) {
            *error = SayText(language, Text::LockFailed, {lockPath, reason});
            return std::nullopt;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            *error = SayText(language, Text::LockHeldElsewhere,
                             {lockPath, std::to_string(waitMs / 1000)});
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return CounterLock(std::move(*file));
}

namespace {

// The file read afresh under the lock, with a counter to take from: the typed number, or a
// readable stored one. False (and r.error set) otherwise.
bool ReadCounterUnderLock(const std::string& path, std::optional<std::uint32_t> typed,
                          UiLanguage language, CounterResult& r, Fresh& fresh) {
    fresh = LoadFresh(path, language, &r.error);
    if (!fresh.ok) return false;
    r.before = fresh.loaded.counter;
    if (!typed && r.before.state == CounterState::Unreadable) {
        r.error = UnreadableText(r.before, language);
        return false;
    }
    return true;
}

}  // namespace

CounterResult ReserveSerial(const std::string& path, std::optional<std::uint32_t> typed,
                            UiLanguage language) {
    CounterResult r;
    const auto lock = CounterLock::Take(path, language, &r.error);
    Fresh fresh;
    if (!lock || !ReadCounterUnderLock(path, typed, language, r, fresh)) return r;
    r.number = typed.value_or(r.before.value);
    IniDocument& doc = fresh.loaded.document;
    doc.Set(kNumber, kCounterKey, std::to_string(r.number + 1u));
    std::string why;
    if (!WriteSettingsDocument(path, doc, language, &why)) {
        r.error = SayText(language, Text::SerialNotTaken, {std::to_string(r.number), path, why});
        return r;
    }
    r.ok = true;
    return r;
}

bool ReleaseSerial(const std::string& path, std::uint32_t number) {
    // Nobody is told why a number was not given back, so the reasons' language is moot.
    constexpr UiLanguage kUnsaid = UiLanguage::English;
    std::string error;
    const auto lock = CounterLock::Take(path, kUnsaid, &error);
    if (!lock) return false;
    Fresh fresh = LoadFresh(path, kUnsaid, &error);
    const CounterReading& now = fresh.loaded.counter;
    if (!fresh.ok || now.state != CounterState::Readable || now.value != number + 1u) return false;
    fresh.loaded.document.Set(kNumber, kCounterKey, std::to_string(number));
    return WriteSettingsDocument(path, fresh.loaded.document, kUnsaid, &error);
}

CounterResult CheckCounterWritable(const std::string& path, std::optional<std::uint32_t> typed,
                                   UiLanguage language) {
    CounterResult r;
    const auto lock = CounterLock::Take(path, language, &r.error);
    Fresh fresh;
    if (!lock || !ReadCounterUnderLock(path, typed, language, r, fresh)) return r;
    std::string why;
    if (!WriteSettingsDocument(path, fresh.loaded.document, language, &why)) {
        r.error = SayText(language, Text::SettingsNotWritable, {path, why});
        return r;
    }
    r.ok = true;
    return r;
}

bool SaveSettingsUnderLock(const std::string& path, const Settings& s, bool writeCounter,
                           UiLanguage language, CounterReading* before, std::string* error) {
    std::string why;
    const auto lock = CounterLock::Take(path, language, &why);
    Fresh fresh;
    if (lock) fresh = LoadFresh(path, language, &why);
    if (!lock || !fresh.ok) {
        *error = SayText(language, Text::SettingsNotSaved, {path, why});
        return false;
    }
    *before = fresh.loaded.counter;
    Settings toWrite = s;
    if (!writeCounter && before->state == CounterState::Readable) toWrite.serial = before->value;
    IniDocument& doc = fresh.loaded.document;
    WriteSettings(toWrite, doc);
    // An unreadable counter nobody replaced stays unreadable, for the next start to refuse.
    if (!writeCounter && before->state == CounterState::Unreadable) {
        doc.Set(kNumber, kCounterKey, before->raw);
    }
    if (WriteSettingsDocument(path, doc, language, &why)) return true;
    *error = SayText(language, Text::SettingsNotSaved, {path, why});
    return false;
}

}  // namespace kx::settings
