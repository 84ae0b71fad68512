// The target chip as the box presents it: flash that only clears bits, erase rules,
// information-memory protection, segment A, entry requirements, fuse and BSL password.

#include <gtest/gtest.h>

#include <tuple>

#include "sim/flash_array.h"
#include "sim_rig.h"

namespace kx::sim::test {
namespace {

constexpr int kF149 = 13;
constexpr int kF2132 = 35;
constexpr int kF2619 = 49;
constexpr int kG2001 = 50;

BoxConfig Chip(int row) {
    BoxConfig c;
    c.target.row = row;
    return c;
}

TEST(FlashArray, ProgrammingClearsBitsOnlyAndEraseWorksPerSegment) {
    FlashArray f(0xF000, 0x1000, 512);
    const std::vector<std::uint8_t> a{0xF0, 0x3C};
    const std::vector<std::uint8_t> b{0x0F, 0xFF};
    f.Program(0xF1FF, a);
    f.Program(0xF1FF, b);
    EXPECT_EQ(std::tuple(f.Byte(0xF1FF), f.Byte(0xF200)), std::tuple(0x00, 0x3C));  // 1 on 0: 0
    f.EraseSegmentAt(0xF1FF);  // segment 0xF000..0xF1FF only
    EXPECT_EQ(std::tuple(f.Byte(0xF1FF), f.Byte(0xF200)), std::tuple(0xFF, 0x3C));
    EXPECT_TRUE(f.Contains(0xFFFE, 2) && !f.Contains(0xFFFF, 2));
}

TEST(TargetModel, WritesReadsAndRefusalsOverTheLink) {
    Rig rig(Chip(kF149));
    const auto reply = rig.Connect(rig.Options(0));
    ASSERT_EQ(rig.status, link::kLinkOk);
    EXPECT_EQ(std::tuple(reply.status, reply.chipId), std::tuple(1, 0xF149));

    const std::vector<std::uint8_t> first{0x12, 0x34, 0xFF};
    ASSERT_EQ(rig.link.RxDataBlock(0xF000, first), link::kLinkOk);
    const std::vector<std::uint8_t> second{0xFF, 0x0F, 0x00};
    ASSERT_EQ(rig.link.RxDataBlock(0xF000, second), link::kLinkOk);
    EXPECT_EQ(rig.Read(0xF000, 3), (std::vector<std::uint8_t>{0x12, 0x04, 0x00}));

    // Outside flash and information memory: refused, nothing written.
    EXPECT_EQ(rig.link.RxDataBlock(0x0200, first), link::kLinkCommandFailed);
    EXPECT_EQ(rig.link.RxDataBlock(0xFFFE, first), link::kLinkCommandFailed);
    EXPECT_EQ(rig.box->Target()->ByteAt(0xFFFE), 0xFF);
    EXPECT_TRUE(rig.Read(0x0300, 2).empty());
    // The boot ROM shows the chip id, high byte first.
    EXPECT_EQ(rig.Read(0x0FF0, 2), (std::vector<std::uint8_t>{0xF1, 0x49}));

    ASSERT_EQ(rig.link.MassErase(), link::kLinkOk);
    EXPECT_EQ(rig.Read(0xF000, 3), (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF}));
    // After TARGET_RUN the target is released: no more memory access.
    EXPECT_EQ(rig.link.TargetRun(), link::kLinkCommandFailed);
    EXPECT_TRUE(rig.Read(0xF000, 2).empty());
}

TEST(TargetModel, InformationMemoryProtectionAndSegmentALock) {
    Rig rig(Chip(kF2132));
    auto& chip = *rig.box->Target();
    const std::uint8_t calibration = chip.ByteAt(0x10FF);
    ASSERT_NE(calibration, 0xFF);  // factory constants in segment A

    const std::vector<std::uint8_t> data{0x11, 0x22};
    rig.Connect(rig.Options(0));
    ASSERT_EQ(rig.link.RxDataBlock(0x1000, data), link::kLinkOk);
    ASSERT_EQ(rig.link.RxDataBlock(0x10C2, data), link::kLinkOk);  // segment A is locked
    EXPECT_EQ(std::tuple(chip.ByteAt(0x1000), chip.ByteAt(0x10C2)), std::tuple(0x11, 0xFF));
    ASSERT_EQ(rig.link.RxDataBlock(0xE000, data), link::kLinkOk);

    rig.Connect(rig.Options(0, 0x0004));  // protect information flash
    ASSERT_EQ(rig.link.MassErase(), link::kLinkOk);
    EXPECT_EQ(std::tuple(chip.ByteAt(0xE000), chip.ByteAt(0x1000)), std::tuple(0xFF, 0x11));

    rig.Connect(rig.Options(0));
    ASSERT_EQ(rig.link.MassErase(), link::kLinkOk);
    // Segment A survives without 0x4000.
    EXPECT_EQ(std::tuple(chip.ByteAt(0x1000), chip.ByteAt(0x10FF)), std::tuple(0xFF, calibration));

    rig.Connect(rig.Options(0, 0x4000));  // erase segment A
    ASSERT_EQ(rig.link.RxDataBlock(0x10C2, data), link::kLinkOk);
    EXPECT_EQ(chip.ByteAt(0x10C2), 0x11);
    ASSERT_EQ(rig.link.MassErase(), link::kLinkOk);
    EXPECT_EQ(std::tuple(chip.ByteAt(0x10FF), chip.ByteAt(0x10C2)), std::tuple(0xFF, 0xFF));
}

TEST(TargetModel, ConnectStatusFollowsTheChipAndTheEntryOptions) {
    {
        Rig rig(Chip(kF2132));
        // Missing TEST-pin or shared-pin bits: the chip never enters JTAG.
        EXPECT_EQ(rig.Connect(0x0600).status, 0);
        EXPECT_EQ(rig.Connect(0x0C00).status, 0);
        EXPECT_TRUE(rig.Read(0xE000, 2).empty());
        EXPECT_EQ(rig.Connect(rig.Options(0x40)).status, 1);  // SBW
        EXPECT_EQ(rig.Connect(rig.Options(0)).chipId, 0xF213);
    }
    {
        Rig rig(Chip(kG2001));  // no BSL on this chip
        EXPECT_EQ(rig.Connect(rig.Options(0x01)).status, 0);
        EXPECT_EQ(rig.Connect(rig.Options(0x40)).status, 1);
    }
}

TEST(TargetModel, FuseLocksJtagAndSbwButNotTheBsl) {
    BoxConfig c = Chip(kF2132);
    c.target.vectors = kBlank;
    Rig rig(c);
    rig.Connect(rig.Options(0x01, 0x0004));
    EXPECT_EQ(rig.link.BurnFuse(), link::kLinkCommandFailed);  // not through the BSL
    rig.Connect(rig.Options(0));
    EXPECT_EQ(rig.link.VppTest(), link::kLinkOk);
    ASSERT_EQ(rig.link.BurnFuse(), link::kLinkOk);
    EXPECT_TRUE(rig.box->Target()->Fused());

    EXPECT_EQ(rig.Connect(rig.Options(0)).status, link::kTargetFused);
    EXPECT_TRUE(rig.Read(0xE000, 2).empty());
    EXPECT_EQ(rig.Connect(rig.Options(0x40)).status, link::kTargetFused);
    const auto bsl = rig.Connect(rig.Options(0x01, 0x0004));
    EXPECT_EQ(std::tuple(bsl.status, bsl.chipId), std::tuple(1, 0xF213));
    EXPECT_EQ(rig.Read(0xE000, 2).size(), 2u);

    BoxConfig noVpp = Chip(kF149);
    noVpp.vppFails = true;
    Rig weak(noVpp);
    weak.Connect(0);
    EXPECT_EQ(std::tuple(weak.link.VppTest(), weak.link.BurnFuse(), weak.box->Target()->Fused()),
              std::tuple(link::kLinkCommandFailed, link::kLinkCommandFailed, false));
}

TEST(TargetModel, BslPasswordRefusalAndTheEraseItCauses) {
    link::PasswordBytes32 vectors{};
    for (std::size_t i = 0; i < vectors.size(); ++i) vectors[i] = static_cast<std::uint8_t>(i);
    const std::vector<std::uint8_t> code{0xAB, 0xCD};
    auto withCode = [&](bool eraseOnBadPassword) {
        BoxConfig c = Chip(kF149);
        c.target.vectors = vectors;
        c.bslEraseOnBadPassword = eraseOnBadPassword;
        return c;
    };
    const std::uint16_t readOptions = 0x0001 | 0x0004;
    {
        Rig rig(withCode(true));
        rig.box->Target()->Preload(0x1100, code);
        EXPECT_EQ(rig.Connect(readOptions, vectors).status, 1);
        EXPECT_EQ(rig.Read(0x1100, 2), code);

        EXPECT_EQ(rig.Connect(readOptions, kBlank).status, link::kTargetPasswordRefused);
        EXPECT_TRUE(rig.Read(0x1100, 2).empty());
        EXPECT_EQ(rig.link.RxDataBlock(0x1100, code), link::kLinkCommandFailed);
        // The chip wiped itself: its password is now the erased one.
        EXPECT_EQ(rig.box->Target()->ByteAt(0x1100), 0xFF);
        EXPECT_EQ(rig.Connect(readOptions, kBlank).status, 1);
    }
    {
        Rig rig(withCode(false));
        rig.box->Target()->Preload(0x1100, code);
        EXPECT_EQ(rig.Connect(readOptions, kBlank).status, link::kTargetPasswordRefused);
        EXPECT_EQ(rig.box->Target()->ByteAt(0x1100), 0xAB);
        // Erase requested without information protection: the box mass-erases first and
        // gets in with the erased password, whatever password it was given.
        EXPECT_EQ(rig.Connect(0x0001, kBlank).status, 1);
        EXPECT_EQ(rig.box->Target()->ByteAt(0x1100), 0xFF);
    }
}

TEST(TargetModel, WideDeviceOffsetAndBankErase) {
    Rig rig(Chip(kF2619));
    rig.Connect(rig.Options(0));
    const std::vector<std::uint8_t> high{0x5A, 0xA5};
    ASSERT_EQ(rig.link.SetMemOffset(1), link::kLinkOk);
    ASSERT_EQ(rig.link.RxDataBlock(0x0000, high), link::kLinkOk);
    EXPECT_EQ(rig.Read(0x0000, 2), high);
    ASSERT_EQ(rig.link.SetMemOffset(0), link::kLinkOk);
    EXPECT_TRUE(rig.Read(0x0000, 2).empty());  // 0x00000 is not memory
    ASSERT_EQ(rig.link.RxDataBlock(0xF000, high), link::kLinkOk);

    ASSERT_EQ(rig.link.EraseSegment(0xFF00, 0xA504), link::kLinkOk);  // lower bank only
    EXPECT_EQ(std::tuple(rig.box->Target()->ByteAt(0xF000), rig.box->Target()->ByteAt(0x10000)),
              std::tuple(0xFF, 0x5A));
    ASSERT_EQ(rig.link.EraseSegment(0xFF00, 0xA50C), link::kLinkOk);  // every bank
    EXPECT_EQ(rig.box->Target()->ByteAt(0x10000), 0xFF);
    EXPECT_EQ(
        std::tuple(rig.link.EraseSegment(0xFF00, 0x1234), rig.link.EraseSegment(0x0400, 0xA502)),
        std::tuple(link::kLinkCommandFailed, link::kLinkCommandFailed));
}

}  // namespace
}  // namespace kx::sim::test
