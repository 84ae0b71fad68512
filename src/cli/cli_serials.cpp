#include "cli/cli_serials.h"

#include "cli/cli_options.h"
#include "messages/text_catalogue.h"
#include "operations/product_info.h"

namespace kx::cli {

static_assert(production::kSourceRefusedStatus == kExitSettings);

CliSerials::CliSerials(ReportLines& output, UiLanguage language, production::SerialSource& source,
                       std::string settingsPath, std::optional<std::uint32_t> typed, bool noSave)
    : output_(output),
      language_(language),
      source_(source),
      path_(std::move(settingsPath)),
      typed_(typed),
      noSave_(noSave) {}

void CliSerials::Refused(const production::SourceRefusal& refusal) {
    for (std::size_t i = 0; i < refusal.lines.size(); ++i) {
        output_.Warn(i == 0 ? "kxveldran-cli: " + refusal.lines[i] : refusal.lines[i]);
    }
}

int CliSerials::Check(const ops::OperationInputs& in, const settings::CounterReading& loaded) {
    counting_ = in.autoIncrement && in.useProductInfo;
    if (!counting_) return 0;
    if (!noSave_) {
        // Find out now, not after a chip got a number that cannot be recorded.
        if (const auto refusal = source_.Check()) {
            Refused(*refusal);
            return refusal->exitStatus;
        }
        return 0;
    }
    if (!typed_ && loaded.state == settings::CounterState::Unreadable) {
        const std::string what = loaded.keyFound ? "product_num=" + loaded.raw
                                                 : SayText(language_, Text::FileHoldsNoSettings);
        output_.Warn("kxveldran-cli: " +
                     SayText(language_, Text::SerialCounterUnreadableGiveSerial, {path_, what}));
        return kExitSettings;
    }
    return 0;
}

void CliSerials::Hook(ops::OperationInputs& in) {
    counting_ = in.autoIncrement && in.useProductInfo;
    if (!counting_ || noSave_) return;
    in.reserveSerial = [this](std::uint32_t) { return Reserve(); };
    in.releaseSerial = [this](std::uint32_t number) {
        source_.GiveBack(number);
        phase_ = kBefore;
    };
}

int CliSerials::Prepare(ops::OperationInputs& in, const settings::CounterReading& loaded) {
    if (const int code = Check(in, loaded); code != 0) return code;
    Hook(in);
    return 0;
}

std::optional<std::uint32_t> CliSerials::Reserve() {
    const production::SourceTake take = source_.Take();
    if (!take.number) {
        Refused(take.refusal);
        return std::nullopt;
    }
    taken_ = *take.number;
    phase_ = kTaken;
    return take.number;
}

int CliSerials::Report(const ops::RunOutcome& outcome, bool hex, bool sayNext) {
    if (outcome.serialRefused) return kExitSettings;
    if (!outcome.serialAdvanced) return 0;
    phase_ = kDone;
    const std::string next = ops::SerialText(outcome.newSerial, hex);
    if (noSave_) {
        if (sayNext) output_.Warn(SayText(language_, Text::NoSaveNextSerialNotWritten, {next}));
        return 0;
    }
    if (outcome.result != ops::Result::Succeeded) {
        const std::string used = ops::SerialText(outcome.usedSerial, hex);
        output_.Warn(SayText(language_, Text::SerialGapAfterFailedRun, {used}));
    }
    if (database_ && outcome.result == ops::Result::Succeeded) {
        output_.Note(SayText(language_, Text::SerialWrittenFromDatabase,
                             {ops::SerialText(outcome.usedSerial, hex)}));
    } else if (sayNext && !database_) {
        output_.Note(SayText(language_, Text::NextSerialNumber, {next}));
    }
    return 0;
}

std::string CliSerials::StateNow() const {
    if (!counting_ || noSave_) return {};
    const std::string n = std::to_string(taken_.load());
    const std::string after = std::to_string(taken_.load() + 1u);
    switch (phase_.load()) {
        case kTaken:
            return database_ ? SayText(language_, Text::SerialMayBeInChipDatabase, {n})
                             : SayText(language_, Text::SerialMayBeInChip, {n, after});
        case kDone:
            return database_ ? SayText(language_, Text::ChipHoldsSerialDatabase, {n})
                             : SayText(language_, Text::ChipHoldsSerial, {n, after});
        default:
            return database_ ? SayText(language_, Text::NoSerialTakenFromDatabase)
                             : SayText(language_, Text::NoSerialTakenCounterUnchanged);
    }
}

}  // namespace kx::cli
