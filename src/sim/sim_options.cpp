#include "sim/sim_options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <functional>

#include "common/command_words.h"
#include "devices/device_catalogue.h"
#include "platform/atomic_file.h"

namespace kx::sim {
namespace {

std::string Upper(std::string_view s) {
    std::string out(s);
    for (auto& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::optional<std::uint32_t> Number(std::string_view text, int base) {
    if (base == 16 && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
    }
    if (base == 0) {
        if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
            return Number(text, 16);
        }
        base = 10;
    }
    std::uint32_t v = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v, base);
    if (text.empty() || ec != std::errc() || ptr != text.data() + text.size()) return std::nullopt;
    return v;
}

// A row number, or a device name with or without "MSP430": the whole list name, or one of
// the part numbers it names ("F149" and "F1491" both find "F149(F1491)", "F2619" finds
// "F2419(F2619)").
std::optional<int> FindDevice(std::string_view text) {
    if (const auto n = Number(text, 10)) {
        return *n < static_cast<std::uint32_t>(devices::kDeviceCount)
                   ? std::optional<int>(static_cast<int>(*n))
                   : std::nullopt;
    }
    std::string want = Upper(text);
    if (want.rfind("MSP430", 0) == 0) want.erase(0, 6);
    if (want.empty()) return std::nullopt;
    const auto& rows = devices::DeviceCatalogue();
    for (int row = 0; row < devices::kDeviceCount; ++row) {
        if (Upper(rows[static_cast<std::size_t>(row)].name) == want) return row;
    }
    for (int row = 0; row < devices::kDeviceCount; ++row) {
        const std::string name = Upper(rows[static_cast<std::size_t>(row)].name);
        std::size_t start = 0;
        while (start < name.size()) {
            const auto end = name.find_first_of("()/", start);
            const std::string part =
                name.substr(start, end == std::string::npos ? end : end - start);
            // Suffix-only parts such as "1A" in "F112(1/1A)" are not names of their own.
            if (!part.empty() && std::isalpha(static_cast<unsigned char>(part[0])) &&
                part == want) {
                return row;
            }
            if (end == std::string::npos) break;
            start = end + 1;
        }
    }
    return std::nullopt;
}

std::optional<std::vector<MemorySegment>> ReadTiTxtFile(const std::string& path,
                                                        std::string& error) {
    const auto bytes = ReadWholeFile(path);
    if (!bytes) {
        error = "cannot read " + path + "; check the path and its permissions";
        return std::nullopt;
    }
    const std::string text(bytes->begin(), bytes->end());
    auto segments = ParseTiTxt(text, error);
    if (!segments) error = path + ": " + error;
    return segments;
}

// 16 words for 0xFFE0..0xFFFE, separated by commas or blanks.
std::optional<link::PasswordBytes32> ParseVectors(std::string_view text) {
    link::PasswordBytes32 out{};
    std::size_t k = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ',' || text[i] == ' ') {
            ++i;
            continue;
        }
        const auto end = text.find_first_of(", ", i);
        const auto word = Number(text.substr(i, end == std::string_view::npos ? end : end - i), 16);
        if (!word || *word > 0xFFFF || k >= 16) return std::nullopt;
        out[2 * k] = static_cast<std::uint8_t>(*word & 0xFF);
        out[2 * k + 1] = static_cast<std::uint8_t>(*word >> 8);
        ++k;
        i = end == std::string_view::npos ? text.size() : end;
    }
    if (k != 16) return std::nullopt;
    return out;
}

// Takes an option's value; returns why it is refused, empty when it is taken.
using Take = std::function<std::string(const std::string&)>;

Take Set(bool& flag, bool value) {
    return [&flag, value](const std::string&) { return flag = value, std::string(); };
}

Take Keep(std::string& text) {
    return [&text](const std::string& value) { return text = value, std::string(); };
}

template <typename T>
Take Hex16(T& target, const std::string& name) {
    return [&target, name](const std::string& value) {
        const auto n = Number(value, 16);
        if (n && *n <= 0xFFFF) return target = static_cast<std::uint16_t>(*n), std::string();
        return name + " takes a hexadecimal value up to FFFF, not '" + value + "'";
    };
}

// The command line, declared once on CLI11. Every option is judged the moment it is read, so
// that the first fault on the line is the one reported.
class CommandLine {
  public:
    CommandLine() {
        app_.set_help_flag();  // --help is an option like the others
        app_.allow_extras();   // every word CLI11 does not take is an unknown option
        app_.description(
            "Simulates a KX_VELDRAN programmer box with a target MSP430 on a "
            "pseudo-terminal.\nPrints the terminal's path, then serves it until "
            "SIGINT or SIGTERM.\nSIGUSR1 power-cycles the box (as after a firmware "
            "update).");
        auto& box = o_.box;
        box.timing = true;
        box.keepTrace = false;
        Option("--device", "ROW|NAME", "target type from the device list (default 0, F1101)",
               [&box](const std::string& v) {
                   const auto row = FindDevice(v);
                   if (row) return box.target.row = *row, std::string();
                   return "unknown device '" + v + "'; give a row 0..99 or a name such as F149";
               });
        Option("--chip-id", "HEX", "chip id the target reports (default the device's)",
               Hex16(box.target.chipId, "--chip-id"));
        Option("--no-target", "", "nothing on the target cable", Set(box.target.present, false));
        Option("--fused", "", "the target's JTAG fuse is blown", Set(box.target.fused, true));
        Option("--password-file", "FILE",
               "TI-TXT file whose bytes at 0xFFE0 are the target's vectors",
               [&box](const std::string& path) {
                   std::string why;
                   const auto segments = ReadTiTxtFile(path, why);
                   const auto bytes = segments ? VectorBytes(*segments) : std::nullopt;
                   if (!bytes) return segments ? path + " holds no bytes at 0xFFE0..0xFFFF" : why;
                   box.target.vectors.emplace();
                   std::copy(bytes->begin(), bytes->end(), box.target.vectors->begin());
                   return std::string();
               });
        Option("--vectors", "W,W,...", "the 16 vector words 0xFFE0..0xFFFE in hex",
               [&box](const std::string& v) {
                   box.target.vectors = ParseVectors(v);
                   return box.target.vectors
                              ? std::string()
                              : "--vectors takes 16 hexadecimal words separated by commas";
               });
        Option("--image", "FILE", "TI-TXT image already in the target's flash", Keep(imageFile_));
        Option("--keep-on-bad-password", "",
               "the target's BSL does not erase itself on a wrong password",
               Set(box.bslEraseOnBadPassword, false));
        Option("--no-reply-checksum", "",
               "data replies carry zeros instead of their head and checksum",
               Set(box.replyChecksums, false));
        Option("--version", "TEXT",
               "firmware identification (default \"KX_VELDRAN V02.73A\");\n"
               "last and without TEXT: this program's name and version",
               [&box](const std::string& v) {
                   if (v.size() <= 18) return box.identification = v, std::string();
                   return std::string(
                       "--version takes at most 18 characters, as the box's flash holds them");
               });
        Option("--loader-version", "HEX", "the box's ROM loader version (default 0161)",
               Hex16(box.loaderVersion, "--loader-version"));
        Option("--store-size", "N", "offline store size in bytes (default 262144)",
               [&box](const std::string& v) {
                   const auto n = Number(v, 0);
                   if (n && *n <= 0x1000000) return box.storeSize = *n, std::string();
                   return "--store-size takes a byte count up to 16777216, not '" + v + "'";
               });
        Option("--no-timing", "", "answer at once instead of taking wire and flash times",
               Set(box.timing, false));
        Option("--fault", "RULE",
               "COMMAND:OCCURRENCE:ACTION, e.g. RX_DATA_BLOCK:3:nak;\n"
               "occurrence * means every; actions none, nak, short,\n"
               "corrupt, noise, late, vanish (repeatable)",
               [&box](const std::string& v) {
                   std::string why;
                   if (const auto rule = ParseFaultRule(v, why)) box.faults.push_back(*rule);
                   return why;
               });
        Option("--vpp-fail", "", "VPP_TEST and BURN_FUSE fail", Set(box.vppFails, true));
        Option("--trace", "FILE", "write every frame and reply as JSON lines", Keep(o_.traceFile));
        Option("--link", "PATH", "also make PATH a symlink to the terminal", Keep(o_.linkPath));
        Option("--help,-h", "", "this text", Set(o_.help, true));
    }

    std::optional<ProgramOptions> Parse(const std::vector<std::string>& args, std::string& error) {
        const std::vector<std::string_view> typed(args.begin(), args.end());
        std::vector<std::string> words = MarkWords(typed);
        std::reverse(words.begin(), words.end());  // CLI11 takes them from the back
        bool valueMissing = false;
        try {
            app_.parse(words);
        } catch (const CLI::ArgumentMismatch&) {
            valueMissing = true;  // only the last word can lack its value
        }
        if (!app_.remaining().empty() && !error_) {
            error_ = "unknown option '" + Unmark(app_.remaining().front()) + "'; see --help";
        }
        // Nothing after it: the program's version, as every program answers it.
        o_.version = valueMissing && args.back() == "--version";
        if (valueMissing && !o_.version) Refuse(args.back() + " needs a value; see --help");
        if (!imageFile_.empty() && !error_) {
            std::string why;
            auto segments = ReadTiTxtFile(imageFile_, why);
            if (segments) o_.preload = std::move(*segments);
            Refuse(why);
        }
        if (error_) error = *error_;
        return error_ ? std::nullopt : std::optional(std::move(o_));
    }

    std::string Help() const { return app_.help(); }

  private:
    // `typeName` empty: a flag.
    void Option(const std::string& names, std::string typeName, std::string help, Take take) {
        CLI::Option* option = typeName.empty() ? app_.add_flag(names) : app_.add_option(names);
        option->description(std::move(help))->type_name(std::move(typeName))->trigger_on_parse();
        option->each([this, option, take](const std::string& value) {
            // "--device=13" has never been an option here.
            if (CameAfterEquals(value)) {
                return Refuse("unknown option '--" + option->get_lnames().front() + "=" +
                              Unmark(value) + "'; see --help");
            }
            Refuse(take(Unmark(value)));
        });
    }

    // The first fault on the line counts; an unknown option may lie before it.
    void Refuse(std::string why) {
        if (!why.empty() && !error_ && app_.remaining().empty()) error_ = std::move(why);
    }

    CLI::App app_{"", "kxveldran-sim"};
    ProgramOptions o_;
    std::string imageFile_;
    std::optional<std::string> error_;
};

}  // namespace

std::string UsageText() {
    return CommandLine().Help();
}

std::optional<ProgramOptions> ParseProgramOptions(const std::vector<std::string>& args,
                                                  std::string& error) {
    return CommandLine().Parse(args, error);
}

}  // namespace kx::sim
