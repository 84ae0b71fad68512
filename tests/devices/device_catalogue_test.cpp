#include "devices/device_catalogue.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace kx::devices {
namespace {

// The flags (1..9) a row sets, as "1 2 4".
std::string Flags(const DeviceRecord& d) {
    const bool set[] = {d.jtagCapable, d.bslCapable,      d.sbwCapable,
                        d.testPin,     d.extendedAddress, d.lockableSegA,
                        d.sbwPinsJtag, d.infoAt1800,      d.segAEraseChoice};
    std::string flags;
    for (int i = 0; i < 9; ++i) {
        if (set[i]) flags += (flags.empty() ? "" : " ") + std::to_string(i + 1);
    }
    return flags;
}

// Every cell against the device list in tests/data/devices/catalogue.tsv, so that a mistyped
// figure or two swapped rows are named by row and column.
TEST(DeviceCatalogue, EveryRowAndColumnMatchesTheDeviceList) {
    const char* dataDir = std::getenv("KX_TEST_DATA");
    ASSERT_NE(dataDir, nullptr);
    std::ifstream file(std::string(dataDir) + "/devices/catalogue.tsv");
    ASSERT_TRUE(file) << "cannot open the device list";
    const auto hex = [](const std::string& text) {
        return static_cast<std::uint32_t>(std::stoul(text, nullptr, 16));
    };
    int rows = 0;
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> cells;
        std::stringstream fields(line);
        for (std::string cell; std::getline(fields, cell, '\t');) cells.push_back(cell);
        ASSERT_EQ(cells.size(), 7u) << line;
        const int row = std::stoi(cells[0]);
        ASSERT_EQ(row, rows) << "the device list is out of order";
        const DeviceRecord& d = DeviceCatalogue()[static_cast<std::size_t>(row)];
        const std::string where = "row " + cells[0] + " (" + cells[1] + "), column ";
        EXPECT_EQ(d.name, cells[1]) << where << "name";
        EXPECT_EQ(d.chipId, hex(cells[2])) << where << "chip id";
        EXPECT_EQ(d.flashStart, hex(cells[3])) << where << "flash start";
        EXPECT_EQ(d.flashSize, hex(cells[4])) << where << "flash size";
        EXPECT_EQ(d.ramSize, hex(cells[5])) << where << "RAM size";
        EXPECT_EQ(Flags(d), cells[6]) << where << "set flags";
        ++rows;
    }
    EXPECT_EQ(rows, kDeviceCount);
    EXPECT_EQ(&DeviceAt(-1), &DeviceAt(0));
    EXPECT_EQ(&DeviceAt(100), &DeviceAt(0));
}

TEST(DeviceCatalogue, FamilyNames) {
    int named = 0;
    for (std::uint32_t id = 0; id <= 0xFFFF; ++id) named += FamilyName(std::uint16_t(id)) ? 1 : 0;
    EXPECT_EQ(named, 19);
    // Every chip in the list but the G2xx is printed by its family name.
    for (const DeviceRecord& d : DeviceCatalogue()) {
        EXPECT_EQ(FamilyName(std::uint16_t(d.chipId)).has_value(), d.chipId != 0xA200) << d.name;
    }
    EXPECT_EQ(FamilyName(0xF449), "F43x,F43x1,F44x,F44x1");
    EXPECT_EQ(FamilyName(0xF112), "F11x,F11x1,F11x1A");
    EXPECT_EQ(FamilyName(0xF47F), "F47197");
}

TEST(DeviceCatalogue, DeviceOptionBits) {
    // Row, low byte set by the operation (0x01 BSL, 0x40 SBW), device bits.
    const std::tuple<int, std::uint8_t, std::uint16_t> cases[] = {
        {35, 0x00, 0x0E00}, {35, 0x3E, 0x0E00},  // other low bits still mean JTAG
        {35, 0x40, 0x0600}, {35, 0x01, 0x0600}, {0, 0x00, 0x0200},
        {49, 0x00, 0x0500}, {86, 0x01, 0x0500}};
    for (const auto& [row, low, bits] : cases) {
        EXPECT_EQ(DeviceOptionBits(DeviceAt(row), low), bits) << row << " " << int(low);
    }
    // No row has flag 8; its bit must still follow the rule, and yield to flag 5.
    DeviceRecord info1800 = DeviceAt(13);
    info1800.infoAt1800 = true;
    EXPECT_EQ(DeviceOptionBits(info1800, 0x00), 0x2000);
    info1800.extendedAddress = true;
    EXPECT_EQ(DeviceOptionBits(info1800, 0x00), 0x0100);
}

}  // namespace
}  // namespace kx::devices
