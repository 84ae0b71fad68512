#include "cli/cli_options.h"

#include <algorithm>
#include <set>

#include "cli/command_line.h"
#include "common/command_words.h"
#include "production/database_address.h"

namespace kx::cli {
namespace {

bool AllDigits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool TakesFile(CommandKind c) {
    return c == CommandKind::Program || c == CommandKind::Download;
}

// "--name=value" is refused as "--name"; any other word as typed.
std::string OptionName(std::string word) {
    if (word.starts_with("--")) word.resize(std::min(word.size(), word.find('=')));
    return word;
}

}  // namespace

CommandLine::CommandLine(UiLanguage language) : language_(language) {
    // --help is an option like the others, so that a fault elsewhere on the line still counts.
    app_.set_help_flag();
    // Unknown options stay with the extras and are named where they stand (FirstUnknown).
    app_.allow_extras();
    // Words are judged as they come, then left with the extras, so that CLI11 neither keeps
    // nor judges them a second time.
    app_.validate_positionals();
    app_.add_option("words")->group("")->check([this](const std::string& word) {
        Word(Unmark(word));
        return std::string("judged");
    });
    DeclareOptions(*this);
}

ParseResult CommandLine::Parse(std::span<const std::string_view> args) {
    std::vector<std::string> words = MarkWords(args);
    std::reverse(words.begin(), words.end());  // CLI11 takes them from the back
    bool valueMissing = false;
    try {
        app_.parse(words);
    } catch (const CLI::ArgumentMismatch&) {
        valueMissing = true;  // only the last word can lack its value
    } catch (const CLI::ExcludesError&) {
        // Judged in its turn by CheckCombination.
    } catch (const CLI::RequiresError&) {
    }
    if (const auto unknown = FirstUnknown(); unknown && !refusal_) {
        refusal_ = SayText(language_, Text::UnknownOption, {*unknown});
    }
    if (valueMissing) Refuse(Text::OptionNeedsValue, {args.back()});
    if (!o_.help && !o_.version) CheckCombination();

    ParseResult r;
    if (refusal_) {
        r.error = std::move(*refusal_);
    } else {
        r.ok = true;
        r.options = std::move(o_);
    }
    return r;
}

void CommandLine::Group(std::string_view heading) {
    app_.option_defaults()->group(std::string(heading));
}

CLI::Option* CommandLine::Flag(const std::string& names, bool CliOptions::*member,
                               std::string help) {
    return Judged(app_.add_flag(names)->description(std::move(help)),
                  [this, member](const std::string&) { o_.*member = true; });
}

CLI::Option* CommandLine::Switch(const std::string& on, const std::string& off,
                                 std::optional<bool> CliOptions::*member, std::string help,
                                 std::string offHelp) {
    CLI::Option* onSwitch = app_.add_flag(on)->description(std::move(help));
    CLI::Option* offSwitch = app_.add_flag(off)->description(offHelp);
    if (offHelp.empty()) offSwitch->group("");
    // The one given last counts alone, for CLI11's excludes and needs too.
    Judged(onSwitch, [this, member, offSwitch](const std::string&) {
        o_.*member = true;
        offSwitch->clear();
    });
    Judged(offSwitch, [this, member, onSwitch](const std::string&) {
        o_.*member = false;
        onSwitch->clear();
    });
    return onSwitch;
}

CLI::Option* CommandLine::Value(const std::string& names, std::string typeName,
                                std::optional<std::string> CliOptions::*member, std::string help) {
    return Judged(Valued(names, std::move(typeName), std::move(help)),
                  [this, member](const std::string& value) { o_.*member = value; });
}

CLI::Option* CommandLine::Mode(const std::string& names, std::string help) {
    return Choice<ops::ProgrammingMode>(names,
                                        {{"jtag", ops::ProgrammingMode::Jtag},
                                         {"bsl", ops::ProgrammingMode::Bsl},
                                         {"sbw", ops::ProgrammingMode::Sbw}},
                                        &CliOptions::mode, Text::ModeTakesJtagBslSbw,
                                        std::move(help));
}

CLI::Option* CommandLine::Language(const std::string& names, std::string help) {
    CLI::Option* option =
        Choice<UiLanguage>(names, {{"zh", UiLanguage::Chinese}, {"en", UiLanguage::English}},
                           &CliOptions::language, Text::LangTakesZhEn, std::move(help));
    // An unknown option read before stays in the language it was read in.
    return option->each([this](const std::string&) {
        if (o_.language && !FirstUnknown()) language_ = *o_.language;
    });
}

CLI::Option* CommandLine::Port(const std::string& names, std::string typeName, std::string help) {
    return Judged(Valued(names, std::move(typeName), std::move(help)),
                  [this](const std::string& path) {
                      if (path.empty()) return Refuse(Text::PortNeedsDevicePath);
                      if (o_.ports.size() == kMaxPorts) return Refuse(Text::AtMostEightPorts);
                      o_.ports.push_back(path);
                  });
}

template <typename T>
CLI::Option* CommandLine::Choice(const std::string& names,
                                 std::vector<std::pair<std::string_view, T>> choices,
                                 std::optional<T> CliOptions::*member, Text refusal,
                                 std::string help) {
    std::string typeName;
    for (const auto& [name, value] : choices)
        typeName += (typeName.empty() ? "" : "|") + std::string(name);
    return Judged(Valued(names, typeName, std::move(help)),
                  [this, choices, member, refusal](const std::string& typed) {
                      const auto it = std::find_if(choices.begin(), choices.end(),
                                                   [&](const auto& c) { return c.first == typed; });
                      if (it == choices.end()) return Refuse(refusal, {typed});
                      o_.*member = it->second;
                  });
}

CLI::Option* CommandLine::Valued(const std::string& names, std::string typeName, std::string help) {
    return app_.add_option(names)->description(std::move(help))->type_name(std::move(typeName));
}

// Each option is judged the moment it is read, so that the first fault on the line is the one
// reported, in the language of a --lang read before it.
CLI::Option* CommandLine::Judged(CLI::Option* option,
                                 std::function<void(const std::string&)> take) {
    const bool flag = option->get_expected_max() == 0;
    return option->trigger_on_parse()->each([this, option, flag, take](const std::string& value) {
        if (flag && CameAfterEquals(value)) {
            return Refuse(Text::OptionTakesNoValue, {"--" + option->get_lnames().front()});
        }
        take(Unmark(value));
    });
}

// A command, "help", or the command's file.
void CommandLine::Word(const std::string& word) {
    const auto& rest = app_.remaining();
    const bool optionsEnded = std::find(rest.begin(), rest.end(), "--") != rest.end();
    if (word.size() > 1 && word[0] == '-' && !optionsEnded) return;  // FirstUnknown names it
    if (o_.command == CommandKind::None) {
        const auto commands = Commands();
        const auto it = std::find_if(commands.begin(), commands.end(),
                                     [&](const CommandSpec& c) { return c.name == word; });
        if (it == commands.end()) return Refuse(Text::UnknownCommand, {word});
        o_.command = it->kind;
        if (it->kind == CommandKind::None) o_.help = true;
    } else if (TakesFile(o_.command) && o_.file.empty()) {
        o_.file = word;
    } else {
        Refuse(Text::UnexpectedArgument, {word, CommandName(o_.command)});
    }
}

// Options that only make sense for one command are refused elsewhere, so that a typo in a
// script is not silently ignored.
void CommandLine::CheckCombination() {
    const CommandKind c = o_.command;
    const bool takesFile = TakesFile(c);
    if (c == CommandKind::None) return Refuse(Text::NoCommandGiven);
    if (takesFile && o_.file.empty()) {
        return Refuse(Text::CommandNeedsTiTxtFile, {CommandName(c)});
    }
    if (c != CommandKind::Read &&
        (o_.readAddress || o_.readLength || o_.readByDevice || o_.outputFile)) {
        return Refuse(Text::ReadOptionsOnlyForRead);
    }
    if (c != CommandKind::Download && o_.countLimit) {
        return Refuse(Text::CountLimitOnlyForDownload);
    }
    if (o_.countLimit && (!AllDigits(*o_.countLimit) || o_.countLimit->size() > 5)) {
        return Refuse(Text::CountLimitRange, {*o_.countLimit});
    }
    if (Unmet("--serial-hex")) return Refuse(Text::SerialHexNeedsSerial);
    if (o_.serialSource && c != CommandKind::Program) {
        return Refuse(Text::SerialSourceOnlyForProgram);
    }
    // Said without the address: it may hold a password.
    if (o_.serialSource && !production::IsPostgresAddress(*o_.serialSource)) {
        return Refuse(Text::SerialSourceNeedsPostgresAddress);
    }
    if (Unmet("--serial-source")) return Refuse(Text::SerialSourceExcludesNoSave);
    if (o_.burnFuse && !takesFile) return Refuse(Text::FuseOnlyForProgramAndDownload);
    if (o_.allowOutside && !takesFile) {
        return Refuse(Text::AllowOutsideOnlyForProgramAndDownload);
    }
    if (o_.logFile && c != CommandKind::Program) return Refuse(Text::LogOnlyForProgram);
    if (o_.logFile && o_.logFile->empty()) return Refuse(Text::LogNeedsFileName);
    if (Unmet("--protect-info")) return Refuse(Text::ProtectInfoExcludesProductInfo);
    if (Unmet("--by-device")) return Refuse(Text::ByDeviceReadsWholeDevice);
    if (o_.outputFile && o_.outputFile->empty()) Refuse(Text::OutputNeedsFileName);
    if (o_.gang && c != CommandKind::Program) return Refuse(Text::GangOnlyForProgram);
    if (o_.repeat && !o_.gang) return Refuse(Text::RepeatNeedsGang);
    if (o_.gang) {
        // Two threads on one box would interleave their frames.
        for (std::size_t i = 0; i < o_.ports.size(); ++i) {
            if (std::find(o_.ports.begin(), o_.ports.begin() + i, o_.ports[i]) !=
                o_.ports.begin() + i) {
                return Refuse(Text::PortGivenTwice, {o_.ports[i]});
            }
        }
    }
}

// Whether the option was given without one it needs or with one it excludes (as declared).
bool CommandLine::Unmet(const std::string& name) const {
    const CLI::Option* option = app_.get_option(name);
    const auto given = [](const CLI::Option* o) { return o->count() > 0; };
    const std::set<CLI::Option*> needs = option->get_needs();
    const std::set<CLI::Option*> excludes = option->get_excludes();
    return given(option) && (!std::all_of(needs.begin(), needs.end(), given) ||
                             std::any_of(excludes.begin(), excludes.end(), given));
}

// The first unknown option read so far; after "--" there are only words.
std::optional<std::string> CommandLine::FirstUnknown() const {
    for (const std::string& word : app_.remaining()) {
        if (word == "--") break;
        if (word.size() > 1 && word[0] == '-') return OptionName(Unmark(word));
    }
    return std::nullopt;
}

void CommandLine::Refuse(Text text, std::initializer_list<std::string_view> args) {
    if (!refusal_ && !FirstUnknown()) refusal_ = SayText(language_, text, args);
}

ParseResult ParseArguments(std::span<const std::string_view> args, UiLanguage language) {
    return CommandLine(language).Parse(args);
}

std::string_view CommandName(CommandKind kind) {
    for (const auto& c : Commands()) {
        if (c.kind == kind && kind != CommandKind::None) return c.name;
    }
    return {};
}

}  // namespace kx::cli
