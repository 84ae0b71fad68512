#include "cli/cli_options.h"

#include <algorithm>
#include <array>
#include <utility>

#include "messages/text_catalogue.h"

namespace kx::cli {
namespace {

struct CommandEntry {
    std::string_view name;
    CommandKind kind;
};

constexpr std::array<CommandEntry, 7> kCommands{{
    {"devices", CommandKind::Devices},
    {"find", CommandKind::Find},
    {"program", CommandKind::Program},
    {"read", CommandKind::Read},
    {"download", CommandKind::Download},
    {"update-firmware", CommandKind::UpdateFirmware},
    {"vpp-test", CommandKind::VppTest},
}};

// A pair of switches that set one optional choice on or off.
struct Switch {
    std::string_view on;
    std::string_view off;
    std::optional<bool> CliOptions::*member;
};

constexpr std::array<Switch, 11> kSwitches{{
    {"--erase", "--no-erase", &CliOptions::erase},
    {"--protect-info", "--no-protect-info", &CliOptions::protectInfo},
    {"--erase-seg-a", "--no-erase-seg-a", &CliOptions::eraseSegA},
    {"--program", "--no-program", &CliOptions::program},
    {"--verify", "--no-verify", &CliOptions::verify},
    {"--run", "--no-run", &CliOptions::runAfter},
    {"--supply", "--no-supply", &CliOptions::supplyPower},
    {"--beep", "--no-beep", &CliOptions::beep},
    {"--product-info", "--no-product-info", &CliOptions::useProductInfo},
    {"--auto-increment", "--no-auto-increment", &CliOptions::autoIncrement},
    {"--by-device", "--by-address", &CliOptions::readByDevice},
}};

// Options that take one value.
struct Valued {
    std::string_view name;
    std::optional<std::string> CliOptions::*member;
};

constexpr std::array<Valued, 11> kValued{{
    {"--device", &CliOptions::device},
    {"--name", &CliOptions::productName},
    {"--serial", &CliOptions::serial},
    {"--info-address", &CliOptions::infoAddress},
    {"--address", &CliOptions::readAddress},
    {"--length", &CliOptions::readLength},
    {"--output", &CliOptions::outputFile},
    {"-o", &CliOptions::outputFile},
    {"--count-limit", &CliOptions::countLimit},
    {"--password-file", &CliOptions::passwordFile},
    {"--settings", &CliOptions::settingsFile},
}};

bool AllDigits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

class Parser {
  public:
    Parser(std::span<const std::string_view> args, UiLanguage language)
        : args_(args), language_(language) {}

    ParseResult Run() {
        bool optionsEnded = false;
        while (pos_ < args_.size()) {
            const std::string_view arg = args_[pos_++];
            if (!optionsEnded && arg == "--") {
                optionsEnded = true;
                continue;
            }
            if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
                if (!Option(arg)) return Fail();
                continue;
            }
            if (!Positional(arg)) return Fail();
        }
        if (!CheckCombination()) return Fail();
        ParseResult r;
        r.ok = true;
        r.options = std::move(o_);
        return r;
    }

  private:
    ParseResult Fail() {
        ParseResult r;
        r.error = std::move(error_);
        return r;
    }

    // In the language of a --lang read so far, else the one the caller gave.
    bool Error(Text text, std::initializer_list<std::string_view> args = {}) {
        error_ = SayText(o_.language.value_or(language_), text, args);
        return false;
    }

    bool Positional(std::string_view arg) {
        if (o_.command == CommandKind::None) {
            for (const auto& c : kCommands) {
                if (c.name == arg) {
                    o_.command = c.kind;
                    return true;
                }
            }
            if (arg == "help") {
                o_.help = true;
                return true;
            }
            return Error(Text::UnknownCommand, {arg});
        }
        const bool takesFile =
            o_.command == CommandKind::Program || o_.command == CommandKind::Download;
        if (takesFile && o_.file.empty()) {
            o_.file = std::string(arg);
            return true;
        }
        return Error(Text::UnexpectedArgument, {arg, CommandName(o_.command)});
    }

    // Value of an option: the text after "=", or the next argument.
    bool TakeValue(std::string_view name, const std::optional<std::string_view>& inline_,
                   std::string& value) {
        if (inline_) {
            value = std::string(*inline_);
            return true;
        }
        if (pos_ >= args_.size()) {
            return Error(Text::OptionNeedsValue, {name});
        }
        value = std::string(args_[pos_++]);
        return true;
    }

    bool Option(std::string_view arg) {
        std::string_view name = arg;
        std::optional<std::string_view> inlineValue;
        if (const auto eq = arg.find('='); eq != std::string_view::npos && arg.starts_with("--")) {
            name = arg.substr(0, eq);
            inlineValue = arg.substr(eq + 1);
        }

        if (name == "--help" || name == "-h") return NoValue(name, inlineValue, o_.help);
        if (name == "--version") return NoValue(name, inlineValue, o_.version);
        if (name == "--yes" || name == "-y") return NoValue(name, inlineValue, o_.yes);
        if (name == "--no-save") return NoValue(name, inlineValue, o_.noSave);
        if (name == "--fuse") return NoValue(name, inlineValue, o_.burnFuse);
        if (name == "--allow-outside") return NoValue(name, inlineValue, o_.allowOutside);
        if (name == "--serial-hex") return NoValue(name, inlineValue, o_.serialHex);

        for (const auto& s : kSwitches) {
            if (name == s.on || name == s.off) {
                if (inlineValue) return Error(Text::OptionTakesNoValue, {name});
                o_.*s.member = (name == s.on);
                return true;
            }
        }

        for (const auto& v : kValued) {
            if (name == v.name) {
                std::string value;
                if (!TakeValue(name, inlineValue, value)) return false;
                o_.*v.member = std::move(value);
                return true;
            }
        }

        if (name == "--mode") {
            std::string value;
            if (!TakeValue(name, inlineValue, value)) return false;
            if (value == "jtag") {
                o_.mode = ops::ProgrammingMode::Jtag;
            } else if (value == "bsl") {
                o_.mode = ops::ProgrammingMode::Bsl;
            } else if (value == "sbw") {
                o_.mode = ops::ProgrammingMode::Sbw;
            } else {
                return Error(Text::ModeTakesJtagBslSbw, {value});
            }
            return true;
        }
        if (name == "--lang") {
            std::string value;
            if (!TakeValue(name, inlineValue, value)) return false;
            if (value == "zh") {
                o_.language = UiLanguage::Chinese;
            } else if (value == "en") {
                o_.language = UiLanguage::English;
            } else {
                return Error(Text::LangTakesZhEn, {value});
            }
            return true;
        }
        if (name == "--port") {
            std::string value;
            if (!TakeValue(name, inlineValue, value)) return false;
            if (value.empty()) return Error(Text::PortNeedsDevicePath);
            if (o_.ports.size() == kMaxPorts) return Error(Text::AtMostEightPorts);
            o_.ports.push_back(std::move(value));
            return true;
        }
        return Error(Text::UnknownOption, {name});
    }

    bool NoValue(std::string_view name, const std::optional<std::string_view>& inlineValue,
                 bool& flag) {
        if (inlineValue) return Error(Text::OptionTakesNoValue, {name});
        flag = true;
        return true;
    }

    // Options that only make sense for one command are refused elsewhere, so that a typo in
    // a script is not silently ignored.
    bool CheckCombination() {
        if (o_.help || o_.version) return true;
        const CommandKind c = o_.command;
        if (c == CommandKind::None) return Error(Text::NoCommandGiven);
        const bool takesFile = c == CommandKind::Program || c == CommandKind::Download;
        if (takesFile && o_.file.empty()) {
            return Error(Text::CommandNeedsTiTxtFile, {CommandName(c)});
        }
        if (c != CommandKind::Read &&
            (o_.readAddress || o_.readLength || o_.readByDevice || o_.outputFile)) {
            return Error(Text::ReadOptionsOnlyForRead);
        }
        if (c != CommandKind::Download && o_.countLimit) {
            return Error(Text::CountLimitOnlyForDownload);
        }
        if (o_.countLimit && (!AllDigits(*o_.countLimit) || o_.countLimit->size() > 5)) {
            return Error(Text::CountLimitRange, {*o_.countLimit});
        }
        if (o_.serialHex && !o_.serial) return Error(Text::SerialHexNeedsSerial);
        if (o_.burnFuse && !takesFile) return Error(Text::FuseOnlyForProgramAndDownload);
        if (o_.allowOutside && !takesFile) {
            return Error(Text::AllowOutsideOnlyForProgramAndDownload);
        }
        if (o_.protectInfo.value_or(false) && o_.useProductInfo.value_or(false)) {
            return Error(Text::ProtectInfoExcludesProductInfo);
        }
        if (c == CommandKind::Read && o_.readByDevice.value_or(false) &&
            (o_.readAddress || o_.readLength)) {
            return Error(Text::ByDeviceReadsWholeDevice);
        }
        if (o_.outputFile && o_.outputFile->empty()) return Error(Text::OutputNeedsFileName);
        return true;
    }

    std::span<const std::string_view> args_;
    UiLanguage language_;
    std::size_t pos_ = 0;
    CliOptions o_;
    std::string error_;
};

}  // namespace

ParseResult ParseArguments(std::span<const std::string_view> args, UiLanguage language) {
    return Parser(args, language).Run();
}

std::string_view CommandName(CommandKind kind) {
    for (const auto& c : kCommands) {
        if (c.kind == kind) return c.name;
    }
    return {};
}

}  // namespace kx::cli
