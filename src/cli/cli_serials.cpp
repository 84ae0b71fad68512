#include "cli/cli_serials.h"

#include "cli/cli_options.h"
#include "messages/text_catalogue.h"
#include "operations/product_info.h"

namespace kx::cli {

CliSerials::CliSerials(TerminalOutput& output, UiLanguage language, std::string settingsPath,
                       std::optional<std::uint32_t> typed, bool noSave)
    : output_(output),
      language_(language),
      path_(std::move(settingsPath)),
      typed_(typed),
      noSave_(noSave) {}

int CliSerials::Prepare(ops::OperationInputs& in, const settings::CounterReading& loaded) {
    counting_ = in.autoIncrement && in.useProductInfo;
    if (!counting_) return 0;
    settings::CounterReading now = loaded;
    if (!noSave_) {
        // Find out now, not after a chip got a number that cannot be recorded.
        const settings::CounterResult check =
            settings::CheckCounterWritable(path_, typed_, language_);
        now = check.before;
        // Without a typed number an unreadable counter is said below; any other failure,
        // and every failure with one, means the number could not be stored.
        if (!check.ok && (typed_ || now.state != settings::CounterState::Unreadable)) {
            output_.Warn("kxveldran-cli: " + check.error);
            output_.Warn(SayText(language_, Text::SerialNotRecordedNothingProgrammed));
            return kExitSettings;
        }
    }
    if (!typed_ && now.state == settings::CounterState::Unreadable) {
        const std::string what = now.keyFound
                                     ? "product_num=" + now.raw
                                     : SayText(language_, Text::FileHoldsNoSettings);
        output_.Warn("kxveldran-cli: " +
                     SayText(language_, Text::SerialCounterUnreadableGiveSerial, {path_, what}));
        return kExitSettings;
    }
    if (noSave_) return 0;
    in.reserveSerial = [this](std::uint32_t) { return Reserve(); };
    in.releaseSerial = [this](std::uint32_t number) {
        settings::ReleaseSerial(path_, number);
        phase_ = kBefore;
    };
    return 0;
}

std::optional<std::uint32_t> CliSerials::Reserve() {
    const settings::CounterResult r = settings::ReserveSerial(path_, typed_, language_);
    if (!r.ok) {
        output_.Warn("kxveldran-cli: " +
                     SayText(language_, Text::SerialNumberNotTakenBecause, {r.error}));
        output_.Warn(SayText(language_, Text::ProductRecordNotWrittenProgramAgain));
        return std::nullopt;
    }
    taken_ = r.number;
    phase_ = kTaken;
    return r.number;
}

int CliSerials::Report(const ops::RunOutcome& outcome, bool hex) {
    if (outcome.serialRefused) return kExitSettings;
    if (!outcome.serialAdvanced) return 0;
    phase_ = kDone;
    const std::string next = ops::SerialText(outcome.newSerial, hex);
    if (noSave_) {
        output_.Warn(SayText(language_, Text::NoSaveNextSerialNotWritten, {next}));
        return 0;
    }
    if (outcome.result != ops::Result::Succeeded) {
        const std::string used = ops::SerialText(outcome.usedSerial, hex);
        output_.Warn(SayText(language_, Text::SerialGapAfterFailedRun, {used}));
    }
    output_.Note(SayText(language_, Text::NextSerialNumber, {next}));
    return 0;
}

std::string CliSerials::StateNow() const {
    if (!counting_ || noSave_) return {};
    const std::string n = std::to_string(taken_.load());
    const std::string after = std::to_string(taken_.load() + 1u);
    switch (phase_.load()) {
        case kTaken:
            return SayText(language_, Text::SerialMayBeInChip, {n, after});
        case kDone:
            return SayText(language_, Text::ChipHoldsSerial, {n, after});
        default:
            return SayText(language_, Text::NoSerialTakenCounterUnchanged);
    }
}

}  // namespace kx::cli
