#include "devices/device_selection.h"

#include <gtest/gtest.h>

#include "devices/target_chip_report.h"
#include "messages/text_output.h"

namespace kx::devices {
namespace {

// A window where the user had picked BSL (so the fuse box was off and disabled) and
// protected the information flash (so the segment-A box was off and disabled).
DeviceControls BslChosenBefore() {
    DeviceControls c;
    c.jtag = {.enabled = true, .selected = false};
    c.sbw = {.enabled = false, .selected = false};
    c.bsl = {.enabled = true, .selected = true};
    c.burnFuse = {.enabled = false, .shown = true, .on = true};
    c.eraseSegA = {.enabled = false, .shown = true, .on = false};
    return c;
}

TEST(SelectDevice, F1101HidesSegmentAAndUsesFourDigits) {
    const DeviceSelection s = SelectDevice(0, BslChosenBefore());
    EXPECT_EQ(s.row, 0);
    EXPECT_EQ(s.description, "MSP430F1101:\r\nFlash size = 0x400(Bytes)\r\nRam size = 0x80(Bytes)");
    EXPECT_EQ(s.readAddressText, "FC00");
    EXPECT_EQ(s.readLengthText, "0400");
    EXPECT_EQ(s.addressDigits, 4);
    EXPECT_EQ(s.imageEnd, 0x10000u);

    const DeviceControls& c = s.controls;
    EXPECT_TRUE(c.jtag.enabled && c.jtag.selected);
    EXPECT_FALSE(c.sbw.enabled || c.sbw.selected);
    EXPECT_TRUE(c.bsl.enabled);
    EXPECT_FALSE(c.bsl.selected);
    EXPECT_TRUE(c.burnFuse.enabled);
    EXPECT_FALSE(c.burnFuse.on);
    EXPECT_TRUE(c.eraseSegA.on);
    EXPECT_FALSE(c.eraseSegA.enabled || c.eraseSegA.shown);
}

TEST(SelectDevice, F2419UsesFiveDigitsAndKeepsSegmentAState) {
    DeviceControls before = BslChosenBefore();
    before.eraseSegA = {.enabled = false, .shown = false, .on = false};
    const DeviceSelection s = SelectDevice(49, before);
    EXPECT_EQ(s.description,
              "MSP430F2419(F2619):\r\nFlash size = 0x1DF00(Bytes)\r\nRam size = 0x1000(Bytes)");
    EXPECT_EQ(s.readAddressText, "2100");
    EXPECT_EQ(s.readLengthText, "1DF00");
    EXPECT_EQ(s.addressDigits, 5);
    EXPECT_EQ(s.imageEnd, 0x20000u);
    EXPECT_TRUE(s.controls.eraseSegA.enabled && s.controls.eraseSegA.shown);
    EXPECT_FALSE(s.controls.eraseSegA.on);

    before.eraseSegA.on = true;
    EXPECT_TRUE(SelectDevice(49, before).controls.eraseSegA.on);
}

TEST(SelectDevice, ImageEndAndFieldTextsOfOtherRows) {
    const DeviceSelection f149 = SelectDevice(13, {});
    EXPECT_EQ(f149.imageEnd, 0x10000u);
    EXPECT_EQ(f149.readAddressText, "1100");
    EXPECT_EQ(f149.readLengthText, "EF00");

    // A 20-bit device whose flash still fits below 0x10000 keeps 5-character fields.
    const DeviceSelection f47126 = SelectDevice(90, {});
    EXPECT_EQ(f47126.addressDigits, 5);
    EXPECT_EQ(f47126.readLengthText, "DF00");

    EXPECT_EQ(AddressFieldText(0x80), "0080");

    // A stored row outside the list selects the first device.
    const DeviceSelection outside = SelectDevice(100, {});
    EXPECT_EQ(outside.row, 0);
    EXPECT_EQ(outside.readAddressText, "FC00");
}

TEST(SelectDevice, G2001AfterBslLeavesJtagSelected) {
    const DeviceControls& c = SelectDevice(50, BslChosenBefore()).controls;
    EXPECT_FALSE(c.bsl.enabled || c.bsl.selected);
    EXPECT_TRUE(c.jtag.enabled && c.jtag.selected);
    EXPECT_TRUE(c.sbw.enabled);
    EXPECT_FALSE(c.sbw.selected);
    EXPECT_TRUE(c.burnFuse.enabled);
    EXPECT_FALSE(c.burnFuse.on);
}

TEST(TargetChipReport, FamilyOrHexAppendedWithoutRefresh) {
    TextOutput out(UiLanguage::English);
    ShowTargetChip(out, 0xA200);
    ShowTargetChip(out, 0xF427);
    ShowTargetChip(out, 0x0ABC);
    EXPECT_EQ(out.Text(),
              "Target chip:A200\r\n"
              "Target chip:F415,417,F42x0,FE42x,FW42x\r\n"
              "Target chip:ABC\r\n");
    EXPECT_EQ(out.RefreshCount(), 0);

    TextOutput zh(UiLanguage::Chinese);
    ShowTargetChip(zh, 0xF201);
    EXPECT_EQ(zh.Text(), "目标芯片类型：F20xx\r\n");
}

TEST(TargetChipReport, MismatchWarnsAndTheNextMessageShowsIt) {
    TextOutput out(UiLanguage::English);
    const DeviceRecord& f1101 = DeviceAt(0);
    ShowTargetChip(out, 0xF149);
    EXPECT_FALSE(CheckDeviceMatch(out, f1101, 0xF149));
    EXPECT_TRUE(out.ShownText().empty());
    out.AppendMessage(17);
    EXPECT_EQ(out.ShownText(),
              "Target chip:F13x,F13x1,F14x,F14x1\r\n"
              "Warnning: The target device do not match the one you selected!\r\n"
              "\r\nProgramming mode: JTAG.\r\n");

    TextOutput quiet(UiLanguage::English);
    EXPECT_TRUE(CheckDeviceMatch(quiet, f1101, 0xF112));
    // Only the low 16 bits of the catalogue id take part.
    DeviceRecord wide = f1101;
    wide.chipId = 0x3F112;
    EXPECT_TRUE(CheckDeviceMatch(quiet, wide, 0xF112));
    EXPECT_TRUE(quiet.Text().empty());
}

}  // namespace
}  // namespace kx::devices
