#pragma once
// The serial counter (product_num) as every process that stamps units shares it. Each change
// is one read, one decision and one write under a lock across processes, with the counter
// read afresh under the lock: two boxes on one PC never take the same number, and a window
// open for hours never writes an old counter back over newer ones.

#include <cstdint>
#include <optional>
#include <string>

#include "messages/message_catalogue.h"
#include "platform/file_lock.h"
#include "settings/ini_document.h"
#include "settings/settings.h"

namespace kx::settings {

// What product_num holds.
enum class CounterState : std::uint8_t {
    Readable,    // 1..10 decimal digits, at most 4294967295
    Missing,     // no such key (or no file): the default 12345 applies
    Unreadable,  // anything else; or missing from a file that holds no settings at all
};

struct CounterReading {
    CounterState state = CounterState::Missing;
    std::uint32_t value = Settings{}.serial;  // meaningful unless Unreadable
    bool keyFound = false;
    std::string raw;  // the stored text, for messages
};

// `fileBytes`: the file the document was read from, to tell an empty file from junk.
CounterReading ReadCounter(const IniDocument& doc, std::string_view fileBytes);

// The lock file beside the settings file (a symbolic link is followed first, so every name
// of one file shares one lock). Held while the object lives; the kernel drops it when the
// process dies, however it dies.
class CounterLock {
  public:
    // Waits up to `waitMs` for the lock. nullopt with `error` set (in `language`) when the
    // lock file cannot be opened or another process holds the lock longer than that.
    static std::optional<CounterLock> Take(const std::string& settingsPath, UiLanguage language,
                                           std::string* error, int waitMs = 10000);

  private:
    explicit CounterLock(platform::LockFile file) : file_(std::move(file)) {}
    platform::LockFile file_;
};

struct CounterResult {
    bool ok = false;
    std::uint32_t number = 0;  // Reserve: the number to stamp
    CounterReading before;     // what the file held when the lock was taken
    std::string error;         // set when !ok: why, and what to do, in the language asked for
};

// Takes the next number and durably stores number + 1 before returning: `typed` when the
// user gave a number, else the file's counter. An unreadable counter is refused unless
// `typed`: guessing would restart the line's numbering.
CounterResult ReserveSerial(const std::string& path, std::optional<std::uint32_t> typed,
                            UiLanguage language);

// Gives back a number that never reached a chip: only when the file still holds number + 1,
// since a later number taken meanwhile means giving it back would hand out that one twice.
// True when the counter was put back.
bool ReleaseSerial(const std::string& path, std::uint32_t number);

// Before any unit is touched: under the lock, the file is read and written back unchanged,
// so an unwritable file or a full disk shows now. An unreadable counter is refused unless
// `typed`.
CounterResult CheckCounterWritable(const std::string& path, std::optional<std::uint32_t> typed,
                                   UiLanguage language);

// The window's save: writes `s` into the file as it is now, under the lock. The counter is
// written only when `writeCounter` (the user typed a number since the window last took the
// counter); otherwise the file's own counter stays. `before` receives what the file held.
bool SaveSettingsUnderLock(const std::string& path, const Settings& s, bool writeCounter,
                           UiLanguage language, CounterReading* before, std::string* error);

}  // namespace kx::settings
