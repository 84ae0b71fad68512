#pragma once
// The user's choices that persist between runs, and how they map onto the INI document.

#include <cstdint>
#include <string>
#include <string_view>

#include "settings/ini_document.h"

namespace kx::settings {

inline constexpr std::string_view kSettingsFileName = "KX_VELDRAN.ini";
// The box's record holds the name in 20 bytes, the last always 0x00.
inline constexpr std::size_t kProductNameMaxGbkBytes = 19;

enum class SerialStyle : std::uint8_t { Dec = 0, Hex = 1 };           // radios 1051 / 1052
enum class ReadStyle : std::uint8_t { ByAddress = 0, ByDevice = 1 };  // radios 1027 / 1026

struct Settings {
    // Named as the operation inputs they become; the INI keys keep their own names.
    bool autoIncrement = false;   // 1023, id_increase
    bool supplyPower = true;      // 1024, supply_vcc
    bool protectInfo = false;     // 1013, save_info_flash
    bool erase = true;            // 1015
    bool program = true;          // 1016, prog
    bool verify = true;           // 1017
    bool useProductInfo = false;  // 1019, product_id; also enables the product-information controls
    bool runAfter = true;         // 1025, run
    bool beep = false;            // 1031, Beep
    std::string productName = "KX_VELDRAN";      // UTF-8, at most 19 bytes once in GBK
    std::uint32_t serial = 12345;                // product_num, the serial counter
    std::uint16_t infoAddress = 0x1000;          // info_addr
    SerialStyle serialStyle = SerialStyle::Dec;  // product_num_style
    ReadStyle readStyle = ReadStyle::ByAddress;
    int deviceRow = 0;  // device: row of the device catalogue, 0..99
    // STRING production_log: the CSV file each programming run appends its row to; empty
    // for none. Set by editing the file: no control shows it, so it is never written, and
    // the document keeps it as it stands.
    std::string productionLog{};

    bool operator==(const Settings&) const = default;
};

// Reads every key with the profile-file rules; missing keys give the defaults above.
Settings SettingsFromDocument(const IniDocument& doc);

// Writes all fifteen keys into `doc`, keeping everything else it holds (production_log
// too). On a new document this gives sections BOOL, STRING, number in that order.
void WriteSettings(const Settings& s, IniDocument& doc);

// Profile-file integer: an optional sign and the leading decimal digits, as an unsigned
// 32-bit value (so "-1" reads as 0xFFFFFFFF, and digits past 0xFFFFFFFF stop there); a text
// with no digits reads as 0; a missing or empty value gives `fallback`.
std::uint32_t ReadProfileInt(const IniDocument& doc, std::string_view section, std::string_view key,
                             std::uint32_t fallback);

// The product name as it can be stored: up to the first NUL, line breaks dropped, cut to
// 19 GBK bytes between characters (and before any byte that is not UTF-8).
std::string StorableProductName(std::string_view name);

}  // namespace kx::settings
