#include "cli/cli_commands.h"

#include <array>
#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <variant>

#include "cli/cli_inputs.h"
#include "cli/cli_serials.h"
#include "cli/cli_settings.h"
#include "cli/device_list.h"
#include "cli/gang.h"
#include "cli/interrupt_hold.h"
#include "cli/terminal_output.h"
#include "cli/update_hold.h"
#include "common/identification.h"
#include "devices/device_catalogue.h"
#include "image/load_report.h"
#include "image/outside_data.h"
#include "image/password_file.h"
#include "image/titxt_reader.h"
#include "image/titxt_writer.h"
#include "link/open_failure.h"
#include "link/port_paths.h"
#include "messages/text_catalogue.h"
#include "messages/ui_language.h"
#include "operations/operations.h"
#include "operations/product_info.h"
#include "operations/version_check.h"
#include "platform/serial_ports.h"
#include "platform/sound.h"
#include "platform/terminal.h"
#include "production/postgres_serial_source.h"
#include "production/production_log.h"
#include "production/run_attempt.h"
#include "settings/settings_file.h"
#include "sound/sound_player.h"

namespace kx::cli {
namespace {

constexpr std::uint32_t kNormalBaud = 115200;
constexpr std::string_view kOwnPrefix = "kxveldran-cli: ";

std::string PortLabel(const link::ProgrammerLink& link, unsigned index) {
    return link.PortName(index) + " (COM" + std::to_string(index + 1) + ")";
}

link::PortPaths PortsFromOptions(const std::vector<std::string>& ports) {
    link::PortPaths paths{};
    for (std::size_t i = 0; i < ports.size() && i < paths.size(); ++i) paths[i] = ports[i];
    return paths;
}

// Everything one command works on, owned here for the length of the command.
class Session {
  public:
    Session(const CliOptions& options, UiLanguage language)
        : options_(options),
          language_(language),
          tones_(TonePlayer(options)),
          output_(language, SystemClock(), MakeStreams(options), options.yes),
          ports_(options.ports.empty()
                     ? platform::MakePortProvider()
                     : platform::MakePortProvider(PortsFromOptions(options.ports))),
          link_(*ports_, SystemClock()),
          image_(std::make_unique<image::CodeImage>()),
          ctx_{link_, output_, SystemClock(), *image_, words_} {
        output_.SetTonePlayer(tones_.get());
    }

    int Run();

  private:
    static TerminalOutput::Streams MakeStreams(const CliOptions& options) {
        TerminalOutput::Streams s;
        // A read without -o gives its TI-TXT on stdout, so its report moves to stderr.
        const bool dataOnStdout = options.command == CommandKind::Read && !options.outputFile;
        s.pane = dataOnStdout ? stderr : stdout;
        s.status = stderr;
        s.answers = stdin;
        const bool stderrTty = platform::IsTerminal(platform::StandardStream::Err);
        s.progress = stderrTty;
        s.canBeep = stderrTty;
        s.canAsk = platform::IsTerminal(platform::StandardStream::In);
        return s;
    }

    // A --beep typed for a run without a terminal bell plays the tones; the beep option from
    // the settings file alone does not, so that a script never starts making sounds.
    static std::unique_ptr<sound::SoundPlayer> TonePlayer(const CliOptions& options) {
        if (options.beep != true || platform::IsTerminal(platform::StandardStream::Err))
            return nullptr;
        return platform::MakeSystemSoundPlayer();
    }

    int Finish(int code);
    bool LoadCodeFile();
    bool CheckLog();
    // Appends the unit's row; the exit status after it (the run's, unless its row is missing).
    int RecordUnit(int code, const production::UnitAttempt& attempt);
    bool AcceptOutsideData();
    bool LoadPassword();
    int Discover();
    int NoProgrammer();
    int Gang();
    int Find();
    int Program();
    int Read();
    int Download();
    int Update();
    int Vpp();

    const CliOptions& options_;
    UiLanguage language_;
    // Outlives output_, and plays its tones to the end before the program exits.
    std::unique_ptr<sound::SoundPlayer> tones_;
    TerminalOutput output_;
    std::unique_ptr<link::PortProvider> ports_;
    link::ProgrammerLink link_;
    std::unique_ptr<image::CodeImage> image_;
    security::SecurityWords words_;
    ops::OperationContext ctx_;
    CliSettings settings_;
    ResolvedInputs resolved_;
    ops::DiscoveryOutcome discovery_;
    std::string imageSha256_;  // of the code file as loaded
    std::string logPath_;      // the production log; empty for none
};

int Session::Finish(int code) {
    output_.Finish();
    link_.ClosePort();
    // A script with stdout in a file still sees why the command failed: the failing message
    // (the last warning, or the pane's last line when that came later), never an earlier
    // success line.
    if (code != kExitOk && !platform::IsTerminal(platform::StandardStream::Out)) {
        std::string last = output_.LastReportLine();
        if (last.starts_with(kOwnPrefix)) last.erase(0, kOwnPrefix.size());
        if (!last.empty()) {
            std::fprintf(stderr, "kxveldran-cli: %s: %s\n",
                         std::string(CommandName(options_.command)).c_str(), last.c_str());
        }
    }
    return code;
}

bool Session::LoadCodeFile() {
    image::TiTxtResult result = image::LoadTiTxtFile(options_.file);
    if (auto* refusal = std::get_if<image::TiTxtRefusal>(&result)) {
        std::string text = image::RefusalText(*refusal, language_);
        output_.ShowText(text);
        if (refusal->line != 0) {
            output_.Note(SayText(language_, Text::FileAndLine,
                                 {options_.file, std::to_string(refusal->line)}));
        }
        return false;
    }
    auto& load = std::get<image::TiTxtLoad>(result);
    // The context refers to our image; the load replaces its contents only on success.
    *image_ = *load.image;
    imageSha256_ = load.fileSha256;
    security::TakeLoadedVectors(words_, load.vectors);
    image::ReportLoad(output_, options_.file, load.byteCount);
    output_.ShowPending();
    return true;
}

// A log that cannot take the unit's row is found before the box is touched.
bool Session::CheckLog() {
    logPath_ = options_.logFile
                   ? *options_.logFile
                   : settings::ProductionLogPath(settings_.values.productionLog, settings_.path);
    if (logPath_.empty()) return true;
    const auto why = production::CheckLogWritable(logPath_, language_);
    if (!why) return true;
    output_.Warn("kxveldran-cli: " + *why);
    output_.Warn(SayText(language_, Text::ProductionLogNothingProgrammed));
    return false;
}

int Session::RecordUnit(int code, const production::UnitAttempt& attempt) {
    if (logPath_.empty()) return code;
    const auto why = production::RecordUnitAttempt(logPath_, attempt, language_);
    if (!why) return code;
    output_.Warn("kxveldran-cli: " + *why);
    output_.Warn(SayText(language_, Text::ProductionLogRowMissing));
    return code == kExitOk ? kExitLogNotWritten : code;
}

// A file with data the device cannot hold is refused, unless --allow-outside says to use
// what fits; the operation itself then repeats the warning in its report.
bool Session::AcceptOutsideData() {
    const devices::DeviceRecord& device = devices::DeviceAt(resolved_.inputs.deviceRow);
    const auto spans = image::DataOutsideDevice(*image_, device);
    if (spans.empty() || options_.allowOutside) return true;
    output_.AppendShownText(image::OutsideDataText(spans, device, language_));
    output_.Warn(SayText(language_, Text::OutsideDataRefusedNothingSent));
    return false;
}

bool Session::LoadPassword() {
    if (!options_.passwordFile) return true;
    const image::PasswordFileResult result =
        image::ReadPasswordFile(*options_.passwordFile, language_);
    if (const auto* refusal = std::get_if<image::PasswordFileRefusal>(&result)) {
        output_.Warn(*options_.passwordFile + ": " + refusal->message);
        output_.Warn(SayText(language_, Text::PasswordFileRefusedNothingSent));
        return false;
    }
    words_.bslPassword = std::get<image::Words16>(result);
    return true;
}

int Session::Discover() {
    discovery_ = ops::FindProgrammer(ctx_);
    if (discovery_.result == ops::Result::Succeeded) return kExitOk;
    return NoProgrammer();
}

// Says, port by port, why nothing answered, so the user knows what to change.
int Session::NoProgrammer() {
    bool anyPort = false;
    for (unsigned index = 0; index < link::kPortCount; ++index) {
        const std::string path = link_.PortName(index);
        if (path.empty()) continue;
        anyPort = true;
        if (link_.OpenPort(index, kNormalBaud) == link::kLinkOk) {
            output_.Warn(SayText(language_, Text::PortOpensNoProgrammerAnswers, {path}));
        } else if (link_.LastOpenFailure() != link::OpenFailure::AccessDenied) {
            // Permission problems are already in the report.
            output_.Warn(link::OpenFailureHint(link_.LastOpenFailure(), path, language_));
        }
        link_.ClosePort();
    }
    if (!anyPort) output_.Warn(SayText(language_, Text::NoSerialPortNameOne));
    return kExitNoProgrammer;
}

int Session::Gang() {
    std::vector<std::string> ports = options_.ports;
    if (ports.empty()) {
        ports = ops::FindAllProgrammers(ctx_);
        if (ports.empty()) {
            output_.Warn(SayText(language_, Text::GangNoBoxAnswered));
            return NoProgrammer();
        }
    }
    return RunGang({options_, language_, resolved_.inputs, *image_, words_, settings_.path,
                    settings_.counter, std::move(ports), logPath_, imageSha256_},
                   output_);
}

int Session::Find() {
    output_.Note(
        SayText(language_, Text::ProgrammerOnPort, {PortLabel(link_, discovery_.portIndex)}));
    if (discovery_.loaderOnly) {
        output_.Note(SayText(language_, Text::OnlyLoaderAnswersFinishUpdate));
        return kExitFailed;
    }
    std::array<std::uint8_t, link::kVersionReplySize> reply{};
    if (link_.GetVersion(reply) != link::kLinkOk) {
        output_.AppendMessage(Message::VersionReadFailed);
        return kExitFailed;
    }
    const std::string identification = link::VersionText(reply);
    // Whatever answers on the port may send terminal escape codes.
    output_.Note(
        SayText(language_, Text::FirmwareIdentification, {EscapeForTerminal(identification)}));
    const ops::FirmwareVerdict verdict = ops::JudgeIdentificationText(identification);
    if (verdict == ops::FirmwareVerdict::Newer) {
        output_.Note(SayText(language_, Text::FirmwareNewerGetNewestSoftware));
    } else if (verdict == ops::FirmwareVerdict::Foreign) {
        output_.Note(SayText(language_, Text::FirmwareNotKxVeldran));
    }
    if (discovery_.firmwareOlder) {
        output_.Note(SayText(language_, Text::FirmwareOlderRunUpdate, {kIdentification}));
    }
    return kExitOk;
}

int Session::Program() {
    ops::OperationInputs in = resolved_.inputs;
    const std::optional<std::uint32_t> typed =
        options_.serial ? std::optional(in.serial) : std::nullopt;
    std::unique_ptr<production::SerialSource> source;
    if (options_.serialSource) {
        source = std::make_unique<production::PostgresSerialSource>(
            *options_.serialSource, in.productName, typed, language_);
    } else {
        source = std::make_unique<production::FileSerialSource>(settings_.path, typed, language_);
    }
    CliSerials serials(output_, language_, *source, settings_.path, typed, options_.noSave);
    if (options_.serialSource) serials.CountInDatabase();
    enum Stage : int { kNothingSent, kRunning, kFinished };
    std::atomic<int> stage{kNothingSent};
    int code = kExitOk;
    bool stopRequested = false;
    {
        // A unit and its serial number belong together: a first signal waits for the unit.
        InterruptHold hold(
            {[this] { return "\n" + SayText(language_, Text::StoppingAfterThisUnit) + "\n"; },
             [this, &stage, &serials] {
                 const int now = stage.load();
                 const Text state = now == kNothingSent ? Text::NothingSentToChip
                                    : now == kRunning   ? Text::ChipMayBePartlyProgrammed
                                                        : Text::UnitFinished;
                 return "\nkxveldran-cli: " + SayText(language_, Text::StoppedAtOnce) +
                        SayText(language_, state) + serials.StateNow() + "\n";
             }},
            kExitCutShort);
        code = serials.Prepare(in, settings_.counter);
        if (code == kExitOk) {
            stage = kRunning;
            const production::AttemptClock clock;
            const ops::RunOutcome outcome = ops::RunProgramming(ctx_, in);
            stage = kFinished;
            production::UnitAttempt unit = production::AttemptOfRun(in, outcome);
            clock.Stamp(unit);
            unit.port = discovery_.portPath;
            unit.imageSha256 = imageSha256_;
            code = serials.Report(outcome, in.serialHex);
            if (code == kExitOk) code = ExitCodeOf(outcome.result);
            // Still under the hold: a first signal must not cost the unit its row.
            code = RecordUnit(code, unit);
        }
        stopRequested = hold.Release();
    }
    if (stopRequested && code == kExitOk) {
        output_.Warn(SayText(language_, Text::StoppedOnRequestAfterUnit));
        return kExitStopped;
    }
    return code;
}

int Session::Read() {
    const ops::ReadOutcome outcome = ops::ReadTarget(ctx_, resolved_.inputs);
    if (outcome.result != ops::Result::Succeeded) return ExitCodeOf(outcome.result);

    const std::string text = image::RenderImageText(*image_, resolved_.imageEnd);
    if (!options_.outputFile) {
        output_.Finish();
        const std::string bytes = image::ViewTextFileBytes(text);
        std::fwrite(bytes.data(), 1, bytes.size(), stdout);
        std::fflush(stdout);
        return std::ferror(stdout) != 0 ? kExitFailed : kExitOk;
    }
    std::string error;
    if (!image::SaveViewText(*options_.outputFile, text, language_, &error)) {
        output_.Warn(error);
        return kExitFailed;
    }
    output_.Note(SayText(language_, Text::SavedTo, {*options_.outputFile}));
    return kExitOk;
}

int Session::Download() {
    return ExitCodeOf(ops::DownloadOffline(ctx_, resolved_.inputs));
}

int Session::Update() {
    // Signals are held while the box is in its loader, from UpdateStart to UpdateFailed or
    // UpdateDone.
    UpdateHold hold(language_, kExitFailed);
    output_.SetWatch(
        {[&hold](bool busy) { hold.Busy(busy); },
         [&hold](std::uint32_t upper, std::uint32_t pos) { hold.Progress(upper, pos); }});
    const ops::UpdateOutcome outcome =
        ops::UpdateFirmware(ctx_, resolved_.inputs, discovery_.portPath);
    output_.SetWatch({});
    if (outcome.result == ops::Result::Succeeded && !outcome.portReopened) {
        output_.Warn(SayText(language_, Text::PortNotReopenedPowerUp));
    }
    return ExitCodeOf(outcome.result);
}

int Session::Vpp() {
    return ExitCodeOf(ops::VppTest(ctx_));
}

int Session::Run() {
    settings_.path = ChooseSettingsFile(options_.settingsFile);
    std::string error;
    auto loaded = LoadCliSettings(settings_.path, language_, &error);
    if (!loaded) {
        output_.Warn("kxveldran-cli: " + error);
        return Finish(kExitSettings);
    }
    settings_ = std::move(*loaded);

    auto resolved = BuildInputs(options_, settings_.values, language_, &error);
    if (!resolved) {
        output_.Warn("kxveldran-cli: " + error);
        return Finish(kExitUsage);
    }
    resolved_ = std::move(*resolved);
    output_.SetBeepOn(resolved_.inputs.beep);

    const CommandKind command = options_.command;
    if (command == CommandKind::Program || command == CommandKind::Download) {
        if (!LoadCodeFile() || !AcceptOutsideData()) return Finish(kExitFailed);
    }
    if (!LoadPassword()) return Finish(kExitFailed);
    if (command == CommandKind::Program && !CheckLog()) return Finish(kExitLogNotWritten);

    // The window asks when the fuse box is ticked, before anything is started.
    if (resolved_.inputs.burnFuse && !output_.ConfirmMessage(Message::ConfirmFuse)) {
        output_.Warn(SayText(language_, Text::FuseNotConfirmedNothingDone));
        return Finish(kExitCancelled);
    }

    // A build without real firmware cannot update any box: say so before the search.
    if (command == CommandKind::UpdateFirmware) {
        if (const std::string refusal = ops::CarriedFirmwareRefusal(language_); !refusal.empty()) {
            output_.ShowText(refusal);
            return Finish(kExitFailed);
        }
    }

    if (command == CommandKind::Program && options_.gang) return Finish(Gang());
    if (const int found = Discover(); found != kExitOk) return Finish(found);

    switch (command) {
        case CommandKind::Find:
            return Finish(Find());
        case CommandKind::Program:
            return Finish(Program());
        case CommandKind::Read:
            return Finish(Read());
        case CommandKind::Download:
            return Finish(Download());
        case CommandKind::UpdateFirmware:
            return Finish(Update());
        case CommandKind::VppTest:
            return Finish(Vpp());
        case CommandKind::Devices:
        case CommandKind::None:
            break;
    }
    return Finish(kExitUsage);
}

}  // namespace

int ExitCodeOf(ops::Result result) {
    switch (result) {
        case ops::Result::Succeeded:
        // A box that needs no update is no failure for a script updating a whole line.
        case ops::Result::UpToDate:
            return kExitOk;
        case ops::Result::Failed:
            return kExitFailed;
        case ops::Result::Cancelled:
            return kExitCancelled;
        case ops::Result::ConnectionLost:
            return kExitNoProgrammer;
    }
    return kExitFailed;
}

int RunCommand(const CliOptions& options) {
    const UiLanguage language = options.language.value_or(SystemUiLanguage());
    if (options.command == CommandKind::Devices) {
        const std::string text = DeviceListText(language);
        std::fwrite(text.data(), 1, text.size(), stdout);
        return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
    }
    Session session(options, language);
    return session.Run();
}

}  // namespace kx::cli
