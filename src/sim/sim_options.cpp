#include "sim/sim_options.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "common/atomic_file.h"
#include "devices/device_catalogue.h"

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

}  // namespace

std::string UsageText() {
    return "Usage: kxveldran-sim [options]\n"
           "Simulates a KX_VELDRAN programmer box with a target MSP430 on a pseudo-terminal.\n"
           "Prints the terminal's path, then serves it until SIGINT or SIGTERM.\n"
           "SIGUSR1 power-cycles the box (as after a firmware update).\n"
           "\n"
           "  --device ROW|NAME     target type from the device list (default 0, F1101)\n"
           "  --chip-id HEX         chip id the target reports (default the device's)\n"
           "  --no-target           nothing on the target cable\n"
           "  --fused               the target's JTAG fuse is blown\n"
           "  --password-file FILE  TI-TXT file whose bytes at 0xFFE0 are the target's vectors\n"
           "  --vectors W,W,...     the 16 vector words 0xFFE0..0xFFFE in hex\n"
           "  --image FILE          TI-TXT image already in the target's flash\n"
           "  --keep-on-bad-password  the target's BSL does not erase itself on a wrong password\n"
           "  --no-reply-checksum   data replies carry zeros instead of their head and checksum\n"
           "  --version TEXT        firmware identification (default \"KX_VELDRAN V02.73A\")\n"
           "  --version             (last, without TEXT) this program's name and version\n"
           "  --loader-version HEX  the box's ROM loader version (default 0161)\n"
           "  --store-size N        offline store size in bytes (default 262144)\n"
           "  --no-timing           answer at once instead of taking wire and flash times\n"
           "  --fault RULE          COMMAND:OCCURRENCE:ACTION, e.g. RX_DATA_BLOCK:3:nak;\n"
           "                        occurrence * means every; actions none, nak, short,\n"
           "                        corrupt, noise, late, vanish (repeatable)\n"
           "  --vpp-fail            VPP_TEST and BURN_FUSE fail\n"
           "  --trace FILE          write every frame and reply as JSON lines\n"
           "  --link PATH           also make PATH a symlink to the terminal\n"
           "  --help                this text\n";
}

std::optional<ProgramOptions> ParseProgramOptions(const std::vector<std::string>& args,
                                                  std::string& error) {
    ProgramOptions o;
    o.box.timing = true;
    o.box.keepTrace = false;
    std::optional<std::string> imageFile;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> const std::string* {
            if (i + 1 >= args.size()) {
                error = a + " needs a value; see --help";
                return nullptr;
            }
            return &args[++i];
        };
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--no-target") {
            o.box.target.present = false;
        } else if (a == "--fused") {
            o.box.target.fused = true;
        } else if (a == "--no-timing") {
            o.box.timing = false;
        } else if (a == "--vpp-fail") {
            o.box.vppFails = true;
        } else if (a == "--keep-on-bad-password") {
            o.box.bslEraseOnBadPassword = false;
        } else if (a == "--no-reply-checksum") {
            o.box.replyChecksums = false;
        } else if (a == "--device") {
            const auto* v = value();
            if (v == nullptr) return std::nullopt;
            const auto row = FindDevice(*v);
            if (!row) {
                error = "unknown device '" + *v + "'; give a row 0..99 or a name such as F149";
                return std::nullopt;
            }
            o.box.target.row = *row;
        } else if (a == "--chip-id" || a == "--loader-version") {
            const auto* v = value();
            if (v == nullptr) return std::nullopt;
            const auto n = Number(*v, 16);
            if (!n || *n > 0xFFFF) {
                error = a + " takes a hexadecimal value up to FFFF, not '" + *v + "'";
                return std::nullopt;
            }
            if (a == "--chip-id") {
                o.box.target.chipId = static_cast<std::uint16_t>(*n);
            } else {
                o.box.loaderVersion = static_cast<std::uint16_t>(*n);
            }
        } else if (a == "--store-size") {
            const auto* v = value();
            if (v == nullptr) return std::nullopt;
            const auto n = Number(*v, 0);
            if (!n || *n > 0x1000000) {
                error = "--store-size takes a byte count up to 16777216, not '" + *v + "'";
                return std::nullopt;
            }
            o.box.storeSize = *n;
        } else if (a == "--version" && i + 1 == args.size()) {
            // Nothing after it: the program's version, as every program answers it.
            o.version = true;
        } else if (a == "--version") {
            const auto* v = value();
            if (v == nullptr) return std::nullopt;
            if (v->size() > 18) {
                error = "--version takes at most 18 characters, as the box's flash holds them";
                return std::nullopt;
            }
            o.box.identification = *v;
        } else if (a == "--fault") {
            const auto* v = value();
            if (v == nullptr) return std::nullopt;
            const auto rule = ParseFaultRule(*v, error);
            if (!rule) return std::nullopt;
            o.box.faults.push_back(*rule);
        } else if (a == "--vectors") {
            const auto* v = value();
            if (v == nullptr) return std::nullopt;
            const auto vectors = ParseVectors(*v);
            if (!vectors) {
                error = "--vectors takes 16 hexadecimal words separated by commas";
                return std::nullopt;
            }
            o.box.target.vectors = *vectors;
        } else if (a == "--password-file") {
            const auto* v = value();
            if (v == nullptr) return std::nullopt;
            const auto segments = ReadTiTxtFile(*v, error);
            if (!segments) return std::nullopt;
            const auto bytes = VectorBytes(*segments);
            if (!bytes) {
                error = *v + " holds no bytes at 0xFFE0..0xFFFF";
                return std::nullopt;
            }
            link::PasswordBytes32 p{};
            std::copy(bytes->begin(), bytes->end(), p.begin());
            o.box.target.vectors = p;
        } else if (a == "--image" || a == "--trace" || a == "--link") {
            const auto* v = value();
            if (v == nullptr) return std::nullopt;
            if (a == "--image") imageFile = *v;
            if (a == "--trace") o.traceFile = *v;
            if (a == "--link") o.linkPath = *v;
        } else {
            error = "unknown option '" + a + "'; see --help";
            return std::nullopt;
        }
    }
    if (imageFile) {
        auto segments = ReadTiTxtFile(*imageFile, error);
        if (!segments) return std::nullopt;
        o.preload = std::move(*segments);
    }
    return o;
}

}  // namespace kx::sim
