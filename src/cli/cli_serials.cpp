#include "cli/cli_serials.h"

#include "cli/cli_options.h"
#include "operations/product_info.h"

namespace kx::cli {

CliSerials::CliSerials(TerminalOutput& output, UiLanguage language, std::string settingsPath,
                       std::optional<std::uint32_t> typed, bool noSave)
    : output_(output),
      language_(language),
      path_(std::move(settingsPath)),
      typed_(typed),
      noSave_(noSave) {}

std::string CliSerials::Say(std::string_view english, std::string_view chinese) const {
    return std::string(language_ == UiLanguage::Chinese ? chinese : english);
}

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
            output_.Warn(Say("Nothing was programmed: the serial number could not be recorded.",
                             "未进行编程：序列号无法保存。"));
            return kExitSettings;
        }
    }
    if (!typed_ && now.state == settings::CounterState::Unreadable) {
        const std::string what = now.keyFound ? "product_num=" + now.raw
                                              : Say("the file holds no settings", "文件中没有设置");
        output_.Warn("kxveldran-cli: " +
                     Say("the serial counter in " + path_ + " cannot be read (" + what +
                             "). Nothing was programmed: give the next serial number with "
                             "--serial N.",
                         "设置文件 " + path_ + " 中的序列号无法读取（" + what +
                             "）。未进行编程：请用 --serial N 指定下一个序列号。"));
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
        output_.Warn("kxveldran-cli: " + Say("SERIAL NUMBER NOT TAKEN: ", "未取得序列号：") +
                     r.error);
        output_.Warn(Say("The product record was not written; program this chip again.",
                         "产品信息未写入，请重新编程此芯片。"));
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
        output_.Warn(Say("--no-save: the next serial number ", "--no-save：下一个序列号 ") + next +
                     Say(" was not written to the settings file.", " 未写入设置文件。"));
        return 0;
    }
    if (outcome.result != ops::Result::Succeeded) {
        const std::string used = ops::SerialText(outcome.usedSerial, hex);
        output_.Warn(
            Say("Serial number " + used +
                    " went out to this chip before the run failed; it is not used "
                    "again, which leaves a gap in the numbering.",
                "序列号 " + used + " 在运行失败前已写往此芯片，不再使用，编号将出现空缺。"));
    }
    output_.Note(Say("Next serial number: ", "下一个序列号：") + next);
    return 0;
}

std::string CliSerials::StateNow() const {
    if (!counting_ || noSave_) return {};
    const std::string n = std::to_string(taken_.load());
    const std::string after = std::to_string(taken_.load() + 1u);
    switch (phase_.load()) {
        case kTaken:
            return Say("Serial number " + n + " may be in the chip; the settings file already " +
                           "counts on from " + after + ", so " + n + " is never used again.",
                       "序列号 " + n + " 可能已写入芯片；设置文件已从 " + after + " 继续计数，" +
                           n + " 不会再被使用。");
        case kDone:
            return Say("The chip holds serial number " + n + "; the settings file counts on from " +
                           after + ".",
                       "芯片已写入序列号 " + n + "；设置文件从 " + after + " 继续计数。");
        default:
            return Say("No serial number was taken; the counter in the settings file is unchanged.",
                       "未取用序列号，设置文件中的计数未改变。");
    }
}

}  // namespace kx::cli
