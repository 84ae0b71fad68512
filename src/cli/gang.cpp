#include "cli/gang.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "cli/box_output.h"
#include "cli/cli_commands.h"
#include "cli/cli_serials.h"
#include "cli/gang_board.h"
#include "cli/interrupt_hold.h"
#include "devices/device_catalogue.h"
#include "link/open_failure.h"
#include "link/port_paths.h"
#include "messages/text_catalogue.h"
#include "messages/text_format.h"
#include "operations/product_info.h"
#include "platform/serial_ports.h"
#include "platform/terminal.h"
#include "production/postgres_serial_source.h"
#include "production/run_attempt.h"
#include "production/serial_source.h"

namespace kx::cli {
namespace {

constexpr std::uint32_t kNormalBaud = 115200;

enum Stage : int { kNothingSent, kRunning, kFinished };

struct Box {
    std::string port;
    std::unique_ptr<BoxOutput> output;
    std::unique_ptr<CliSerials> serials;
    std::atomic<int> stage{kNothingSent};
    UnitRecord record;
};

unsigned TerminalWidth() {
    const unsigned columns = platform::TerminalColumns(platform::StandardStream::Err);
    return columns > 0 ? columns : 80;
}

bool Counts(const ops::OperationInputs& in) {
    return in.autoIncrement && in.useProductInfo;
}

std::string WithoutLineEnd(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    return std::string(text);
}

// The box's own port, link, pane and context; what it shares is read only (the job) or
// thread-safe (the serial source behind `box.serials`, the log).
void RunUnit(Box& box, const GangJob& job) {
    BoxOutput& out = *box.output;
    const production::AttemptClock clock;
    UnitRecord r;
    box.stage = kNothingSent;

    link::PortPaths paths{};
    paths[0] = box.port;
    const auto ports = platform::MakePortProvider(paths);
    link::ProgrammerLink link(*ports, SystemClock());
    if (link.OpenPort(0, kNormalBaud) != link::kLinkOk) {
        out.Warn(link::OpenFailureHint(link.LastOpenFailure(), box.port, job.language));
        r.attempt.device = std::string(devices::DeviceAt(job.inputs.deviceRow).name);
        r.attempt.mode = production::ModeName(job.inputs.mode);
        r.status = kExitNoProgrammer;
    } else {
        // The run only reads the image and the words today, but nothing promises that, and a
        // copy each costs little beside a unit's time.
        const auto image = std::make_unique<image::CodeImage>(job.image);
        security::SecurityWords words = job.words;
        ops::OperationContext ctx{link, out, SystemClock(), *image, words};
        ops::OperationInputs in = job.inputs;
        in.beep = false;  // one signal for the panel, not one per box
        box.serials->Hook(in);
        box.stage = kRunning;
        const ops::RunOutcome outcome = ops::RunProgramming(ctx, in);
        box.stage = kFinished;
        out.Finish();
        // Why the unit failed, before the serial number's own lines come after it.
        r.messageText = out.LastReportLine();
        r.attempt = production::AttemptOfRun(in, outcome);
        r.attempt.box = EscapeForTerminal(r.attempt.box);
        r.status = box.serials->Report(outcome, in.serialHex, false);
        if (r.status == kExitOk) r.status = ExitCodeOf(outcome.result);
        link.ClosePort();
    }
    out.Finish();
    if (r.status == kExitOk) {
        r.messageText = WithoutLineEnd(MessageText(r.attempt.result, job.language));
    } else if (r.messageText.empty()) {
        r.messageText = out.LastReportLine();
    }
    r.attempt.port = box.port;
    r.attempt.imageSha256 = job.imageSha256;
    clock.Stamp(r.attempt);
    // Written while the signals are still held, so that a first Ctrl-C costs no row.
    if (!job.logPath.empty()) {
        if (const auto why = production::RecordUnitAttempt(job.logPath, r.attempt, job.language)) {
            out.Warn("kxveldran-cli: " + *why);
            out.Warn(SayText(job.language, Text::ProductionLogRowMissing));
            if (r.status == kExitOk) r.status = kExitLogNotWritten;
        }
    }
    box.record = std::move(r);
}

// Enter for the next panel; q, or the end of the input, ends. A signal while waiting ends
// too, as a stop on request (`stopped`): no unit is in flight then.
bool NextPanelWanted(TerminalOutput& output, UiLanguage language, bool& stopped) {
    output.Finish();
    const std::string prompt = SayText(language, Text::GangNextPanel) + " ";
    std::fputs(prompt.c_str(), stderr);
    std::fflush(stderr);
    {
        InterruptHold hold({[] { return std::string("\n"); }, [] { return std::string(); }},
                           kExitCutShort);
        for (;;) {
            const bool ready = platform::WaitForInput(100);
            if (hold.Requested()) {
                stopped = true;
                return false;
            }
            if (ready) break;
        }
    }
    std::array<char, 64> line{};
    if (std::fgets(line.data(), static_cast<int>(line.size()), stdin) == nullptr) {
        std::fputs("\n", stderr);
        return false;
    }
    return line[0] != 'q' && line[0] != 'Q';
}

}  // namespace

std::string UnitTable(const std::vector<UnitRecord>& units, UiLanguage language) {
    const std::string heads = SayText(language, Text::GangTableHeads);
    std::vector<std::vector<std::string>> rows(1);
    for (std::size_t from = 0; from <= heads.size();) {
        const std::size_t bar = std::min(heads.find('|', from), heads.size());
        rows[0].push_back(heads.substr(from, bar - from));
        from = bar + 1;
    }
    for (const UnitRecord& u : units) {
        const production::UnitAttempt& a = u.attempt;
        const auto family = devices::FamilyName(a.chipId);
        std::string chip = a.chipId == 0 ? "-" : FormatHex(a.chipId, 4);
        if (a.chipId != 0 && family) chip += " " + std::string(*family);
        const std::uint32_t tenths = (a.durationMs + 50) / 100;
        rows.push_back(
            {a.port, a.box.empty() ? "-" : a.box, chip, a.serial ? std::to_string(*a.serial) : "-",
             u.status == kExitOk ? SayText(language, Text::GangUnitSucceeded) : u.messageText,
             std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " s"});
    }
    std::vector<std::size_t> widths(rows[0].size(), 0);
    for (const auto& row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            widths[c] = std::max<std::size_t>(widths[c], DisplayColumns(row[c]));
        }
    }
    std::string text;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            line += row[c];
            if (c + 1 < row.size()) line.append(widths[c] - DisplayColumns(row[c]) + 2, ' ');
        }
        text += line + "\n";
    }
    return text;
}

int RunGang(const GangJob& job, TerminalOutput& output) {
    const UiLanguage language = job.language;
    const ops::OperationInputs& in = job.inputs;
    const std::optional<std::uint32_t> typed =
        job.options.serial ? std::optional(in.serial) : std::nullopt;
    // --no-save still gives every box its own number; they are only not kept.
    production::FileSerialSource fileSource(job.settingsPath, typed, language);
    production::MemorySerialSource memorySource(in.serial);
    // Numbers shared with other stations: one connection, which the boxes take turns on.
    std::unique_ptr<production::SerialSource> database;
    if (job.options.serialSource) {
        database = std::make_unique<production::PostgresSerialSource>(
            *job.options.serialSource, in.productName, typed, language);
    }
    production::SerialSource& kept = database ? *database : fileSource;
    production::SerialSource& source =
        job.options.noSave ? static_cast<production::SerialSource&>(memorySource) : kept;
    CliSerials panelCheck(output, language, kept, job.settingsPath, typed, job.options.noSave);

    const bool live = platform::IsTerminal(platform::StandardStream::Err);
    GangBoard board(job.ports, {stdout, stderr, live,
                                !live || !platform::IsTerminal(platform::StandardStream::Out),
                                live ? TerminalWidth() : 80u});
    std::vector<std::unique_ptr<Box>> boxes;
    for (std::size_t i = 0; i < job.ports.size(); ++i) {
        auto box = std::make_unique<Box>();
        box->port = job.ports[i];
        box->output = std::make_unique<BoxOutput>(board, i, language, SystemClock());
        box->serials = std::make_unique<CliSerials>(*box->output, language, source,
                                                    job.settingsPath, typed, false);
        if (database) box->serials->CountInDatabase();
        boxes.push_back(std::move(box));
    }
    std::string portList;
    for (const auto& port : job.ports) portList += (portList.empty() ? "" : " ") + port;
    output.Note(
        SayText(language, Text::GangBoxesFound, {std::to_string(job.ports.size()), portList}));

    bool anyFailed = false;
    bool stopRequested = false;
    for (int panel = 0;; ++panel) {
        if (panel > 0) {
            if (!job.options.repeat || !NextPanelWanted(output, language, stopRequested)) break;
            if (in.burnFuse && !output.ConfirmMessage(Message::ConfirmFuse)) {
                output.Warn(SayText(language, Text::FuseNotConfirmedNothingDone));
                return anyFailed ? kExitSomeFailed : kExitCancelled;
            }
        }
        if (const int code = panelCheck.Check(in, job.counter); code != kExitOk) {
            return anyFailed ? kExitSomeFailed : code;
        }
        std::vector<UnitRecord> units;
        {
            // The units in flight and their numbers belong together: a first signal waits
            // for all of them, a second says where each box stands.
            InterruptHold hold(
                {[language] {
                     return "\n" + SayText(language, Text::GangStoppingAfterUnits) + "\n";
                 },
                 [&boxes, &board, language] {
                     board.Clear();
                     std::string text =
                         "\nkxveldran-cli: " + SayText(language, Text::StoppedAtOnce);
                     for (const auto& box : boxes) {
                         const int now = box->stage.load();
                         const Text state = now == kNothingSent ? Text::NothingSentToChip
                                            : now == kRunning   ? Text::ChipMayBePartlyProgrammed
                                                                : Text::UnitFinished;
                         text += "\n" + box->port + ": " + SayText(language, state) +
                                 box->serials->StateNow();
                     }
                     return text + "\n";
                 }},
                kExitCutShort);
            // Threads started now inherit the held signals.
            std::vector<std::jthread> threads;
            for (auto& box : boxes) {
                threads.emplace_back([&box, &job] { RunUnit(*box, job); });
            }
            threads.clear();  // joins
            stopRequested = hold.Release();
        }
        board.Clear();
        std::uint32_t succeeded = 0;
        std::optional<std::uint32_t> lastUsed;
        for (const auto& box : boxes) {
            const UnitRecord& r = box->record;
            units.push_back(r);
            if (r.status == kExitOk) ++succeeded;
            const auto& serial = r.attempt.serial;
            if (serial && Counts(in) && (!lastUsed || *serial > *lastUsed)) lastUsed = serial;
        }
        anyFailed = anyFailed || succeeded != boxes.size();
        output.Note(UnitTable(units, language));
        // In the pane, so that a failed run's closing line on stderr quotes it.
        output.AppendShownText(SayText(language, Text::GangSummary,
                                       {std::to_string(succeeded), std::to_string(boxes.size())}) +
                               "\r\n");
        if (Counts(in)) {
            const std::string next = ops::SerialText(
                job.options.noSave ? memorySource.Next() : lastUsed.value_or(0) + 1u, in.serialHex);
            if (job.options.noSave) {
                output.Warn(SayText(language, Text::NoSaveNextSerialNotWritten, {next}));
            } else if (lastUsed && !database) {
                // Other stations take from a database meanwhile: no next number to promise.
                output.Note(SayText(language, Text::NextSerialNumber, {next}));
            }
        }
        if (in.beep) output.CompletionBeep();
        if (stopRequested) break;
    }
    if (stopRequested) output.Warn(SayText(language, Text::GangStoppedOnRequest));
    if (anyFailed) return kExitSomeFailed;
    return stopRequested ? kExitStopped : kExitOk;
}

}  // namespace kx::cli
