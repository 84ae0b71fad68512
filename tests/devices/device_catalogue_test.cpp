#include "devices/device_catalogue.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

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

TEST(DeviceCatalogue, ChipIdsFlagsAndNamesByBlock) {
    // The rows after the previous block up to `last` share chip id and flags; `name` is
    // row `last`'s.
    // clang-format off
    const std::tuple<int, std::uint32_t, std::string_view, std::string_view> blocks[] = {
        {2, 0xF112, "1 2 4", "F112(1/1A)"}, {4, 0x1132, "1 2 4", "F1132"},
        {6, 0x1232, "1 2 4", "F1232"}, {8, 0xF123, "1 2 4", "F123"},
        {13, 0xF149, "1 2", "F149(F1491)"}, {19, 0xF169, "1 2", "F169"},
        {22, 0xF16C, "1 2", "F1612"}, {28, 0xF201, "1 3 4 6 7 9", "F2013"},
        {32, 0xF213, "1 2 4 6 9", "F2131"}, {35, 0xF213, "1 2 3 4 6 7 9", "F2132"},
        {38, 0xF227, "1 2 3 4 6 7 9", "F2272/F2274"}, {45, 0xF249, "1 2 6 9", "F2410"},
        {49, 0xF26F, "1 2 5 6 9", "F2419(F2619)"}, {62, 0xA200, "1 3 4 6 7", "G2452(12)"},
        {64, 0x4152, "1 2 3 4 6 7 9", "F4152"}, {66, 0xF413, "1 2", "F413"},
        {77, 0xF427, "1 2", "F429(W)"}, {82, 0xF439, "1 2", "F439(1/G)"},
        {85, 0xF449, "1 2", "F449(1)"}, {89, 0xF46F, "1 2 5 6", "F4619(1/G)"},
        {94, 0xF47F, "1 2 5 6 9", "F47193(6/7)"}, {99, 0xF47F, "1 2 6 9", "F4793/94"},
    };
    // clang-format on
    int row = 0;
    for (const auto& [last, chipId, flags, name] : blocks) {
        for (; row <= last; ++row) {
            EXPECT_EQ(DeviceAt(row).chipId, chipId) << "row " << row;
            EXPECT_EQ(Flags(DeviceAt(row)), flags) << "row " << row;
        }
        EXPECT_EQ(DeviceAt(last).name, name);
        // Every chip in the list but the G2xx is printed by its family name.
        EXPECT_EQ(FamilyName(std::uint16_t(chipId)).has_value(), chipId != 0xA200) << name;
    }
    EXPECT_EQ(row, kDeviceCount);

    int named = 0;
    for (std::uint32_t id = 0; id <= 0xFFFF; ++id) named += FamilyName(std::uint16_t(id)) ? 1 : 0;
    EXPECT_EQ(named, 19);
    EXPECT_EQ(FamilyName(0xF449), "F43x,F43x1,F44x,F44x1");
    EXPECT_EQ(FamilyName(0xF112), "F11x,F11x1,F11x1A");
    EXPECT_EQ(FamilyName(0xF47F), "F47197");
}

TEST(DeviceCatalogue, FlashRangesColumnSumsAndNames) {
    std::uint32_t flashStarts = 0, flashSizes = 0, ramSizes = 0, nameHash = 2166136261u;
    for (const DeviceRecord& d : DeviceCatalogue()) {
        SCOPED_TRACE(std::string(d.name));
        // Every flash holds the vectors at 0xFFE0..0xFFFF; only 20-bit parts go beyond.
        EXPECT_GE(d.FlashEnd(), 0x10000u);
        EXPECT_LE(d.FlashEnd(), d.extendedAddress ? 0x20000u : 0x10000u);
        EXPECT_GE(d.flashStart, 0x1100u);
        flashStarts += d.flashStart;
        flashSizes += d.flashSize;
        ramSizes += d.ramSize;
        for (const char c : std::string(d.name) + "|")
            nameHash = (nameHash ^ std::uint8_t(c)) * 16777619u;
    }
    // Column sums and an FNV-1a hash of the names ("name|" in list order), worked out from
    // the supported device list: a mistyped figure or name in any row shows here.
    EXPECT_EQ(flashStarts, 0x3C6400u);
    EXPECT_EQ(flashSizes, 0x312C00u);
    EXPECT_EQ(ramSizes, 0x2AF80u);
    EXPECT_EQ(nameHash, 0x3FA7CC91u);

    EXPECT_EQ(&DeviceAt(-1), &DeviceAt(0));
    EXPECT_EQ(&DeviceAt(100), &DeviceAt(0));
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
