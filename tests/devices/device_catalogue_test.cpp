#include "devices/device_catalogue.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace kx::devices {
namespace {

// Flags 1..9 of a row as a bit mask (bit n-1 = flag n), to compare whole flag sets at once.
unsigned FlagMask(const DeviceRecord& d) {
    const bool flags[] = {d.jtagCapable, d.bslCapable,      d.sbwCapable,
                          d.testPin,     d.extendedAddress, d.lockableSegA,
                          d.sbwPinsJtag, d.infoAt1800,      d.segAEraseChoice};
    unsigned mask = 0;
    for (unsigned i = 0; i < 9; ++i) {
        mask |= flags[i] ? 1u << i : 0u;
    }
    return mask;
}

constexpr unsigned F(std::initializer_list<int> numbers) {
    unsigned mask = 0;
    for (int n : numbers) mask |= 1u << (n - 1);
    return mask;
}

struct RowRange {
    int first;
    int last;
    unsigned value;
};

TEST(DeviceCatalogue, FlagSetsByRowRange) {
    const RowRange groups[] = {
        {0, 8, F({1, 2, 4})},
        {9, 22, F({1, 2})},
        {23, 28, F({1, 3, 4, 6, 7, 9})},
        {29, 32, F({1, 2, 4, 6, 9})},
        {33, 38, F({1, 2, 3, 4, 6, 7, 9})},
        {39, 45, F({1, 2, 6, 9})},
        {46, 49, F({1, 2, 5, 6, 9})},
        {50, 62, F({1, 3, 4, 6, 7})},
        {63, 64, F({1, 2, 3, 4, 6, 7, 9})},
        {65, 85, F({1, 2})},
        {86, 89, F({1, 2, 5, 6})},
        {90, 94, F({1, 2, 5, 6, 9})},
        {95, 99, F({1, 2, 6, 9})},
    };
    int covered = 0;
    for (const RowRange& g : groups) {
        for (int row = g.first; row <= g.last; ++row, ++covered) {
            EXPECT_EQ(FlagMask(DeviceAt(row)), g.value) << "row " << row;
        }
    }
    EXPECT_EQ(covered, kDeviceCount);
}

TEST(DeviceCatalogue, ChipIdsByRowRangeAndFamilyNames) {
    const RowRange groups[] = {
        {0, 2, 0xF112},   {3, 4, 0x1132},   {5, 6, 0x1232},   {7, 8, 0xF123},   {9, 13, 0xF149},
        {14, 19, 0xF169}, {20, 22, 0xF16C}, {23, 28, 0xF201}, {29, 35, 0xF213}, {36, 38, 0xF227},
        {39, 45, 0xF249}, {46, 49, 0xF26F}, {50, 62, 0xA200}, {63, 64, 0x4152}, {65, 66, 0xF413},
        {67, 77, 0xF427}, {78, 82, 0xF439}, {83, 85, 0xF449}, {86, 89, 0xF46F}, {90, 99, 0xF47F},
    };
    for (const RowRange& g : groups) {
        for (int row = g.first; row <= g.last; ++row) {
            const std::uint32_t id = DeviceAt(row).chipId;
            EXPECT_EQ(id, g.value) << "row " << row;
            // Every chip in the list but the G2xx is printed by its family name.
            EXPECT_EQ(FamilyName(static_cast<std::uint16_t>(id)).has_value(), id != 0xA200)
                << "row " << row;
        }
    }

    int named = 0;
    for (std::uint32_t id = 0; id <= 0xFFFF; ++id) {
        named += FamilyName(static_cast<std::uint16_t>(id)).has_value() ? 1 : 0;
    }
    EXPECT_EQ(named, 19);
    EXPECT_EQ(FamilyName(0xF449), "F43x,F43x1,F44x,F44x1");
    EXPECT_EQ(FamilyName(0xF112), "F11x,F11x1,F11x1A");
    EXPECT_EQ(FamilyName(0xF47F), "F47197");
}

TEST(DeviceCatalogue, FlashRangesAndNames) {
    std::set<std::string_view> names;
    for (int row = 0; row < kDeviceCount; ++row) {
        const DeviceRecord& d = DeviceAt(row);
        SCOPED_TRACE("row " + std::to_string(row));
        // Every flash holds the vectors at 0xFFE0..0xFFFF; only 20-bit parts go beyond.
        if (d.extendedAddress) {
            EXPECT_GE(d.FlashEnd(), 0x10000u);
            EXPECT_LE(d.FlashEnd(), 0x20000u);
        } else {
            EXPECT_EQ(d.FlashEnd(), 0x10000u);
        }
        EXPECT_GE(d.flashStart, 0x1100u);
        EXPECT_FALSE(d.name.empty());
        EXPECT_LE(d.name.size(), 15u);
        EXPECT_TRUE(names.insert(d.name).second) << d.name << " twice";
    }
    // Column sums of the table: rows not compared one by one below still count here.
    std::uint32_t flashStarts = 0, flashSizes = 0, ramSizes = 0;
    for (const DeviceRecord& d : DeviceCatalogue()) {
        flashStarts += d.flashStart;
        flashSizes += d.flashSize;
        ramSizes += d.ramSize;
    }
    EXPECT_EQ(flashStarts, 0x3C6400u);
    EXPECT_EQ(flashSizes, 0x312C00u);
    EXPECT_EQ(ramSizes, 0x2AF80u);

    EXPECT_EQ(DeviceCatalogue().size(), 100u);
    EXPECT_EQ(&DeviceAt(-1), &DeviceAt(0));
    EXPECT_EQ(&DeviceAt(100), &DeviceAt(0));
    EXPECT_EQ(&DeviceAt(99), &DeviceCatalogue()[99]);
}

void ExpectRow(int row, std::uint32_t chipId, std::uint32_t start, std::uint32_t size,
               std::uint32_t ram, std::string_view name) {
    const DeviceRecord& d = DeviceAt(row);
    SCOPED_TRACE("row " + std::to_string(row));
    EXPECT_EQ(d.chipId, chipId);
    EXPECT_EQ(d.flashStart, start);
    EXPECT_EQ(d.flashSize, size);
    EXPECT_EQ(d.ramSize, ram);
    EXPECT_EQ(d.name, name);
}

TEST(DeviceCatalogue, SelectedRowsFieldByField) {
    ExpectRow(0, 0xF112, 0xFC00, 0x400, 0x80, "F1101");
    ExpectRow(13, 0xF149, 0x1100, 0xEF00, 0x800, "F149(F1491)");
    ExpectRow(35, 0xF213, 0xE000, 0x2000, 0x200, "F2132");
    ExpectRow(49, 0xF26F, 0x2100, 0x1DF00, 0x1000, "F2419(F2619)");
    ExpectRow(50, 0xA200, 0xFE00, 0x200, 0x80, "G2001");
    ExpectRow(71, 0xF427, 0xC000, 0x4000, 0x200, "F425(E/W/G/2/A)");
    ExpectRow(88, 0xF46F, 0x3100, 0x1CF00, 0x2000, "F4618(1/G)");
    ExpectRow(99, 0xF47F, 0x1100, 0xEF00, 0xA00, "F4793/94");
}

TEST(DeviceCatalogue, DeviceOptionBits) {
    const DeviceRecord& f2132 = DeviceAt(35);
    EXPECT_EQ(DeviceOptionBits(f2132, 0x00), 0x0E00);
    EXPECT_EQ(DeviceOptionBits(f2132, 0x3E), 0x0E00);  // other low bits still mean JTAG
    EXPECT_EQ(DeviceOptionBits(f2132, 0x40), 0x0600);  // SBW
    EXPECT_EQ(DeviceOptionBits(f2132, 0x01), 0x0600);  // BSL
    EXPECT_EQ(DeviceOptionBits(DeviceAt(0), 0x00), 0x0200);
    EXPECT_EQ(DeviceOptionBits(DeviceAt(49), 0x00), 0x0500);
    EXPECT_EQ(DeviceOptionBits(DeviceAt(86), 0x01), 0x0500);

    // No row has flag 8; its bit must still follow the rule, and yield to flag 5.
    DeviceRecord info1800 = DeviceAt(13);
    info1800.infoAt1800 = true;
    EXPECT_EQ(DeviceOptionBits(info1800, 0x00), 0x2000);
    info1800.extendedAddress = true;
    EXPECT_EQ(DeviceOptionBits(info1800, 0x00), 0x0100);
}

}  // namespace
}  // namespace kx::devices
