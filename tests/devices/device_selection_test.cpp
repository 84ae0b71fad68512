#include "devices/device_selection.h"

#include <gtest/gtest.h>

#include <tuple>

#include "devices/target_chip_report.h"
#include "messages/text_output.h"

namespace kx::devices {
namespace {

// Radios as enabled/selected ("ES", "E-", "--"), check boxes as enabled/shown/on ("EVX"), in
// the order JTAG, SBW, BSL, burn fuse, erase segment A.
std::string Describe(const DeviceControls& c) {
    const auto radio = [](RadioChoice r) {
        return std::string{r.enabled ? 'E' : '-', r.selected ? 'S' : '-', ' '};
    };
    const auto check = [](CheckChoice k) {
        return std::string{k.enabled ? 'E' : '-', k.shown ? 'V' : '-', k.on ? 'X' : '-'};
    };
    return radio(c.jtag) + radio(c.sbw) + radio(c.bsl) + check(c.burnFuse) + " " +
           check(c.eraseSegA);
}

TEST(SelectDevice, ControlsFieldTextsAndImageEnd) {
    // The user had picked BSL (so the fuse box was on but disabled) on a device without the
    // segment-A choice, then protected the information flash (segment-A box off).
    DeviceControls before;
    before.jtag = {.enabled = true, .selected = false};
    before.bsl = {.enabled = true, .selected = true};
    before.burnFuse = {.enabled = false, .shown = true, .on = true};
    before.eraseSegA = {.enabled = false, .shown = false, .on = false};

    // Row, controls after, read address and length texts, field digits, image end.
    const std::tuple<int, std::string, std::string, std::string, int, std::uint32_t> cases[] = {
        {0, "ES -- E- EV- --X", "FC00", "0400", 4, 0x10000},
        {49, "ES -- E- EV- EV-", "2100", "1DF00", 5, 0x20000},
        {50, "ES E- -- EV- --X", "FE00", "0200", 4, 0x10000},  // G2001: no BSL
        // A 20-bit part whose flash still fits below 0x10000 keeps 5-character fields.
        {90, "ES -- E- EV- EV-", "2100", "DF00", 5, 0x10000},
        {100, "ES -- E- EV- --X", "FC00", "0400", 4, 0x10000},  // outside: the first device
    };
    for (const auto& [row, controls, address, length, digits, imageEnd] : cases) {
        const DeviceSelection s = SelectDevice(row, before);
        EXPECT_EQ(s.row, row < kDeviceCount ? row : 0);
        EXPECT_EQ(Describe(s.controls), controls) << row;
        EXPECT_EQ(s.readAddressText + " " + s.readLengthText, address + " " + length) << row;
        EXPECT_EQ(s.addressDigits, digits) << row;
        EXPECT_EQ(s.imageEnd, imageEnd) << row;
    }
    EXPECT_EQ(SelectDevice(0, before).description,
              "MSP430F1101:\r\nFlash size = 0x400(Bytes)\r\nRam size = 0x80(Bytes)");
    EXPECT_EQ(SelectDevice(49, before).description,
              "MSP430F2419(F2619):\r\nFlash size = 0x1DF00(Bytes)\r\nRam size = 0x1000(Bytes)");
    // A device with the choice keeps the user's segment-A setting.
    before.eraseSegA.on = true;
    EXPECT_EQ(Describe(SelectDevice(49, before).controls), "ES -- E- EV- EVX");
}

TEST(TargetChipReport, FamilyOrHexAndMismatchShownByTheNextMessage) {
    TextOutput out(UiLanguage::English);
    ShowTargetChip(out, 0xA200);
    ShowTargetChip(out, 0x0ABC);
    ShowTargetChip(out, 0xF149);
    EXPECT_FALSE(CheckDeviceMatch(out, DeviceAt(0), 0xF149));
    EXPECT_EQ(out.RefreshCount(), 0);
    out.AppendMessage(Message::ModeJtag);
    EXPECT_EQ(out.ShownText(),
              "Target chip:A200\r\nTarget chip:ABC\r\nTarget chip:F13x,F13x1,F14x,F14x1\r\n"
              "Warnning: The target device do not match the one you selected!\r\n"
              "\r\nProgramming mode: JTAG.\r\n");

    TextOutput zh(UiLanguage::Chinese);
    ShowTargetChip(zh, 0xF201);
    EXPECT_TRUE(CheckDeviceMatch(zh, DeviceAt(0), 0xF112));
    // Only the low 16 bits of the catalogue id take part.
    DeviceRecord wide = DeviceAt(0);
    wide.chipId = 0x3F112;
    EXPECT_TRUE(CheckDeviceMatch(zh, wide, 0xF112));
    EXPECT_EQ(zh.Text(), "目标芯片类型：F20xx\r\n");  // and no warning
}

}  // namespace
}  // namespace kx::devices
