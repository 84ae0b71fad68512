#include "production/serial_source.h"

#include "messages/text_catalogue.h"
#include "settings/serial_counter.h"

namespace kx::production {

FileSerialSource::FileSerialSource(std::string settingsPath, std::optional<std::uint32_t> typed,
                                   UiLanguage language)
    : path_(std::move(settingsPath)), typed_(typed), language_(language) {}

std::optional<SourceRefusal> FileSerialSource::Check() {
    const std::lock_guard lock(mutex_);
    const settings::CounterResult check = settings::CheckCounterWritable(path_, typed_, language_);
    const settings::CounterReading& now = check.before;
    const bool unreadable = now.state == settings::CounterState::Unreadable;
    // Without a typed number an unreadable counter is said on its own below; any other
    // failure means a number could not be stored.
    if (!check.ok && (typed_ || !unreadable)) {
        return SourceRefusal{
            {check.error, SayText(language_, Text::SerialNotRecordedNothingProgrammed)}};
    }
    if (!typed_ && unreadable) {
        const std::string what =
            now.keyFound ? "product_num=" + now.raw : SayText(language_, Text::FileHoldsNoSettings);
        return SourceRefusal{
            {SayText(language_, Text::SerialCounterUnreadableGiveSerial, {path_, what})}};
    }
    return std::nullopt;
}

SourceTake FileSerialSource::Take() {
    const std::lock_guard lock(mutex_);
    const settings::CounterResult r = settings::ReserveSerial(path_, typed_, language_);
    if (!r.ok) {
        return {std::nullopt,
                {{SayText(language_, Text::SerialNumberNotTakenBecause, {r.error}),
                  SayText(language_, Text::ProductRecordNotWrittenProgramAgain)}}};
    }
    typed_.reset();
    return {r.number, {}};
}

bool FileSerialSource::GiveBack(std::uint32_t number) {
    const std::lock_guard lock(mutex_);
    return settings::ReleaseSerial(path_, number);
}

SourceTake MemorySerialSource::Take() {
    const std::lock_guard lock(mutex_);
    return {next_++, {}};
}

bool MemorySerialSource::GiveBack(std::uint32_t number) {
    const std::lock_guard lock(mutex_);
    if (next_ != number + 1u) return false;
    next_ = number;
    return true;
}

std::uint32_t MemorySerialSource::Next() {
    const std::lock_guard lock(mutex_);
    return next_;
}

}  // namespace kx::production
