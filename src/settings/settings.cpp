#include "settings/settings.h"

#include "common/gbk.h"

namespace kx::settings {
namespace {

constexpr std::string_view kBool = "BOOL";
constexpr std::string_view kString = "STRING";
constexpr std::string_view kNumber = "number";

constexpr int kDeviceRows = 100;

bool ReadFlag(const IniDocument& doc, std::string_view key, bool fallback) {
    return ReadProfileInt(doc, kBool, key, fallback ? 1 : 0) != 0;
}

void WriteFlag(IniDocument& doc, std::string_view key, bool on) {
    doc.Set(kBool, key, on ? "1" : "0");
}

}  // namespace

std::uint32_t ReadProfileInt(const IniDocument& doc, std::string_view section, std::string_view key,
                             std::uint32_t fallback) {
    const auto value = doc.Get(section, key);
    if (!value || value->empty()) return fallback;
    std::string_view v = *value;
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
    bool negative = false;
    if (!v.empty() && (v.front() == '+' || v.front() == '-')) {
        negative = v.front() == '-';
        v.remove_prefix(1);
    }
    std::uint32_t result = 0;
    for (char c : v) {
        if (c < '0' || c > '9') break;
        const std::uint64_t next = std::uint64_t{result} * 10u + static_cast<unsigned>(c - '0');
        // Saturate rather than wrap: an overlong number must not turn into a small valid one.
        result = next > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(next);
    }
    return negative ? 0u - result : result;
}

std::string StorableProductName(std::string_view name) {
    name = name.substr(0, name.find('\0'));
    std::string clean;
    clean.reserve(name.size());
    for (char c : name) {
        if (c != '\r' && c != '\n') clean.push_back(c);
    }
    return TruncateGbk(clean, kProductNameMaxGbkBytes);
}

Settings SettingsFromDocument(const IniDocument& doc) {
    const Settings defaults;
    Settings s;
    s.autoIncrement = ReadFlag(doc, "id_increase", defaults.autoIncrement);
    s.supplyPower = ReadFlag(doc, "supply_vcc", defaults.supplyPower);
    s.protectInfo = ReadFlag(doc, "save_info_flash", defaults.protectInfo);
    s.erase = ReadFlag(doc, "erase", defaults.erase);
    s.program = ReadFlag(doc, "prog", defaults.program);
    s.verify = ReadFlag(doc, "verify", defaults.verify);
    s.useProductInfo = ReadFlag(doc, "product_id", defaults.useProductInfo);
    s.runAfter = ReadFlag(doc, "run", defaults.runAfter);
    s.beep = ReadFlag(doc, "Beep", defaults.beep);

    s.productName =
        StorableProductName(doc.Get(kString, "product_name").value_or(defaults.productName));
    s.serial = ReadProfileInt(doc, kNumber, "product_num", defaults.serial);
    s.infoAddress =
        static_cast<std::uint16_t>(ReadProfileInt(doc, kNumber, "info_addr", defaults.infoAddress));

    s.serialStyle = ReadFlag(doc, "product_num_style", false) ? SerialStyle::Hex : SerialStyle::Dec;
    s.readStyle = ReadFlag(doc, "read_style", false) ? ReadStyle::ByDevice : ReadStyle::ByAddress;

    // Stored as the platform's signed integer: -1 and 100 alike fall back to the first row.
    const auto device = static_cast<std::int32_t>(ReadProfileInt(doc, kNumber, "device", 0));
    s.deviceRow = device >= 0 && device < kDeviceRows ? device : 0;
    s.productionLog = doc.Get(kString, "production_log").value_or("");
    return s;
}

void WriteSettings(const Settings& s, IniDocument& doc) {
    WriteFlag(doc, "id_increase", s.autoIncrement);
    WriteFlag(doc, "supply_vcc", s.supplyPower);
    WriteFlag(doc, "save_info_flash", s.protectInfo);
    WriteFlag(doc, "erase", s.erase);
    WriteFlag(doc, "prog", s.program);
    WriteFlag(doc, "verify", s.verify);
    WriteFlag(doc, "product_id", s.useProductInfo);
    WriteFlag(doc, "run", s.runAfter);
    WriteFlag(doc, "Beep", s.beep);
    doc.Set(kString, "product_name", StorableProductName(s.productName));
    doc.Set(kNumber, "product_num", std::to_string(s.serial));
    doc.Set(kNumber, "info_addr", std::to_string(s.infoAddress));
    WriteFlag(doc, "product_num_style", s.serialStyle != SerialStyle::Dec);
    WriteFlag(doc, "read_style", s.readStyle != ReadStyle::ByAddress);
    doc.Set(kNumber, "device", std::to_string(s.deviceRow));
}

}  // namespace kx::settings
