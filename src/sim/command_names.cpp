#include "sim/command_names.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cstdio>

namespace kx::sim {
namespace {

struct NamedCode {
    int code;
    std::string_view name;
};

constexpr std::array<NamedCode, 17> kNames{{
    {0x10, "RX_PASSWORD"},
    {0x12, "RX_DATA_BLOCK"},
    {0x14, "TX_DATA_BLOCK"},
    {0x16, "ERASE_SEGMENT"},
    {0x18, "MASS_ERASE"},
    {0x1A, "LOAD_PC"},
    {0x21, "SET_MEM_OFFSET"},
    {0x70, "TARGET_CONNECT"},
    {0x71, "TARGET_RUN"},
    {0x72, "GET_VERSION"},
    {0x73, "BURN_FUSE"},
    {0x74, "STORE_READ"},
    {0x75, "OFFLINE_SETUP"},
    {0x76, "STORE_WRITE"},
    {0x77, "ENTER_LOADER"},
    {0x7A, "VPP_TEST"},
    {kSyncCode, "SYNC"},
}};

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string CommandName(int code) {
    for (const auto& n : kNames) {
        if (n.code == code) return std::string(n.name);
    }
    char buf[16];
    std::snprintf(buf, sizeof buf, "CMD_0x%02X", static_cast<unsigned>(code) & 0xFFu);
    return buf;
}

std::optional<int> CommandCode(std::string_view name) {
    for (const auto& n : kNames) {
        if (EqualsIgnoreCase(n.name, name)) return n.code;
    }
    if (name.size() > 2 && name[0] == '0' && (name[1] == 'x' || name[1] == 'X')) {
        unsigned value = 0;
        const auto* first = name.data() + 2;
        const auto* last = name.data() + name.size();
        const auto [ptr, ec] = std::from_chars(first, last, value, 16);
        if (ec == std::errc() && ptr == last && value <= 0xFF) return static_cast<int>(value);
    }
    return std::nullopt;
}

}  // namespace kx::sim
