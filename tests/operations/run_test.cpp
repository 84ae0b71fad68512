#include <gtest/gtest.h>

#include "operations/operations.h"
#include "operations/run_blocks.h"
#include "operations/target_options.h"
#include "ops_test_helpers.h"

namespace kx::ops {
namespace {

using testing::Bench;
using testing::FillImage;
using testing::Msg;
using testing::RunInputs;
using Names = std::vector<std::string>;
using Bytes = std::vector<std::uint8_t>;
constexpr int kF112 = 2, kF2132 = 35, kF2619 = 49;

// Block commands and offsets in order: "O1", "RX:F000/32", "TX:...".
Names Walk(Bench& b) {
    Names out;
    char buf[32];
    for (const auto& f : b.Frames()) {
        if (f.name == "SET_MEM_OFFSET") out.push_back("O" + std::to_string(f.payload[2]));
        if (f.name != "RX_DATA_BLOCK" && f.name != "TX_DATA_BLOCK") continue;
        std::snprintf(buf, sizeof buf, "%.2s:%X/%u", f.name.c_str(), f.Addr(), f.payload[2]);
        out.push_back(buf);
    }
    return out;
}

TEST(RunBlocks, Up128BytesWithinOneBankSkippingEmptyLines) {
    image::CodeImage img;
    FillImage(img, 0xE000, 0xE0C8);  // 200 bytes: 13 lines
    FillImage(img, 0xE0E0, 0xE0E1);  // after one empty line
    FillImage(img, 0xFFC0, 0x10040);
    img.Set(0x0FF0, 0);  // below 0x1000: never sent
    std::vector<std::pair<std::uint32_t, std::uint32_t>> got;
    for (const auto& blk : RunBlocks(img, 0x20000)) got.emplace_back(blk.address, blk.length);
    EXPECT_EQ(got, (decltype(got){
                       {0xE000, 128}, {0xE080, 80}, {0xE0E0, 16}, {0xFFC0, 64}, {0x10000, 64}}));
    EXPECT_EQ(RunBlocks(img, 0x20000)[1].progress, 13u);
    EXPECT_EQ(RunBlocks(img, 0x10000).size(), 4u);
}

TEST(RunTest, FullRunFramesAndPane) {
    Bench b;
    b.AddBox(kF112);
    FillImage(*b.image, 0xF000, 0xF014);  // second line: 4 bytes, sent whole
    OperationInputs in = RunInputs(kF112);
    in.autoIncrement = in.beep = true;  // without product information nothing counts
    const RunOutcome r = RunProgramming(b.ctx, in);
    EXPECT_TRUE(r.success);
    EXPECT_FALSE(r.serialAdvanced);
    EXPECT_EQ(b.Names(), (Names{"GET_VERSION", "TARGET_CONNECT", "MASS_ERASE", "RX_DATA_BLOCK",
                                "TX_DATA_BLOCK", "TARGET_RUN"}));
    const auto frames = b.Frames();
    EXPECT_EQ(frames[1].Addr(), 0x422A);  // supply, verify, run, segment A, TEST pin
    EXPECT_EQ(Bytes(frames[1].payload.begin() + 4, frames[1].payload.end()), Bytes(32, 0xFF));
    EXPECT_EQ(Walk(b), (Names{"RX:F000/32", "TX:F000/32"}));
    EXPECT_EQ(frames[3].payload[4 + 20], 0xFF);
    EXPECT_EQ(b.Box().Target()->ByteAt(0xF013), b.image->At(0xF013));
    EXPECT_EQ(b.out.ShownText(), Msg(10) + "Target chip:F11x,F11x1,F11x1A\r\n" + Msg(17) + Msg(20) +
                                     Msg(22) + Msg(24) + Msg(25) + Msg(27) + Msg(34) +
                                     "Time escaped:0 Sec\r\n");
    EXPECT_EQ(b.out.busyOn, b.out.busyOff);
    EXPECT_EQ(b.out.ProgressPos(), 2u);
    EXPECT_EQ(b.out.BeepCount(), 1);
}

TEST(RunTest, WideDeviceSendsTheOffsetWhenTheBankChangesAndBeforeTheRecord) {
    Bench b;
    b.AddBox(kF2619);
    FillImage(*b.image, 0x3100, 0x3110);
    FillImage(*b.image, 0xFFF0, 0x10010);
    OperationInputs in = RunInputs(kF2619);
    in.useProductInfo = in.autoIncrement = true;
    in.productName = "ABC";
    in.serial = 0xFFFFFFFF;
    in.infoAddressText = "1010";
    const RunOutcome r = RunProgramming(b.ctx, in);
    ASSERT_TRUE(r.success) << b.out.Text();
    EXPECT_EQ(Walk(b), (Names{"O0", "RX:3100/16", "RX:FFF0/16", "O1", "RX:0/16", "O0", "TX:3100/16",
                              "TX:FFF0/16", "O1", "TX:0/16", "O0", "RX:1010/24", "TX:1010/24"}));
    EXPECT_EQ(b.Box().Target()->ByteAt(0x10000), b.image->At(0x10000));
    const Bytes record{'A', 'B', 'C', 0, 0, 0, 0, 0, 0,    0,    0,    0,
                       0,   0,   0,   0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    for (std::uint32_t k = 0; k < 24; ++k)
        EXPECT_EQ(b.Box().Target()->ByteAt(0x1010 + k), record[k]);
    EXPECT_TRUE(r.serialAdvanced);
    EXPECT_EQ(r.newSerial, 0u);  // wraps
}

TEST(RunTest, EraseAndFuseFollowModeAndOptions) {
    const struct {
        int row;
        ProgrammingMode mode;
        bool erase, protect;
        Names frames;
        Bytes payload;
    } cases[] = {
        {kF112, ProgrammingMode::Bsl, true, false, {}, {}},
        {kF112, ProgrammingMode::Bsl, true, true, {"ERASE_SEGMENT"}, {0x00, 0xFF, 0x04, 0xA5}},
        {kF2619, ProgrammingMode::Jtag, true, true, {"ERASE_SEGMENT"}, {0x00, 0xFF, 0x0C, 0xA5}},
        {kF112, ProgrammingMode::Jtag, true, false, {"MASS_ERASE"}, {0x00, 0xFF, 0x00, 0x00}},
        {kF112, ProgrammingMode::Jtag, false, false, {}, {}},
    };
    for (const auto& c : cases) {
        Bench b;
        b.AddBox(c.row);
        OperationInputs in = RunInputs(c.row);
        in.mode = c.mode;
        in.erase = c.erase;
        in.protectInfo = c.protect;
        in.burnFuse = true;
        EXPECT_TRUE(RunProgramming(b.ctx, in).success) << b.out.Text();
        const bool jtag = c.mode == ProgrammingMode::Jtag;  // the fuse needs JTAG
        EXPECT_EQ(b.Box().Target()->Fused(), jtag);
        EXPECT_EQ(b.out.BeepCount(), 0);  // sound prompt not ticked
        EXPECT_EQ(b.out.Text().find(Msg(33)) != std::string::npos, jtag);
        Names erases;
        for (const auto& f : b.Frames()) {
            if (f.name != "ERASE_SEGMENT" && f.name != "MASS_ERASE") continue;
            erases.push_back(f.name);
            EXPECT_EQ(f.payload, c.payload);
        }
        EXPECT_EQ(erases, c.frames);
        EXPECT_EQ(b.out.Text().find(Msg(20)) != std::string::npos, !c.frames.empty());
        EXPECT_EQ((b.Frames()[1].Addr() & kOptKeepInfo) != 0, c.protect || !c.erase);
    }
}

TEST(RunTest, TargetStatusChipAndProductInfoChecks) {
    sim::ChipConfig absent, fused, noId, other, locked;
    absent.present = false;
    fused.fused = true;
    noId.chipId = 0;
    other.chipId = 0xF149;
    locked.vectors = link::PasswordBytes32{0x12};
    const struct {
        ProgrammingMode mode;
        sim::ChipConfig chip;
        const char* infoAddress;  // product information when set
        std::string tail;
        Names sent;  // the last command sent
    } cases[] = {
        {ProgrammingMode::Jtag, absent, nullptr, Msg(10) + Msg(11), {"TARGET_CONNECT"}},
        {ProgrammingMode::Jtag, fused, nullptr, Msg(13), {"TARGET_CONNECT"}},
        {ProgrammingMode::Sbw, noId, nullptr, Msg(14), {"TARGET_CONNECT"}},
        {ProgrammingMode::Bsl, locked, nullptr, Msg(12), {"TARGET_CONNECT"}},
        {ProgrammingMode::Bsl, noId, nullptr, "Target chip:0\r\n" + Msg(62) + Msg(18), {}},
        {ProgrammingMode::Jtag, other, nullptr, "F14x,F14x1\r\n" + Msg(62) + Msg(17), {}},
        {ProgrammingMode::Jtag, {}, "F000", Msg(58), {"GET_VERSION"}},  // before range
        {ProgrammingMode::Jtag, {}, "10EA", Msg(3), {"GET_VERSION"}},
        {ProgrammingMode::Jtag, {}, "1001", Msg(4), {"GET_VERSION"}},
        {ProgrammingMode::Jtag, {}, "11000", Msg(3), {"GET_VERSION"}},
    };
    for (const auto& c : cases) {
        Bench b;
        sim::BoxConfig cfg;
        cfg.target = c.chip;
        const int row = c.mode == ProgrammingMode::Sbw ? kF2132 : kF112;
        b.AddBox(row, 0, cfg);
        FillImage(*b.image, 0xF000, 0xF010);
        OperationInputs in = RunInputs(row);
        in.mode = c.mode;
        in.protectInfo = c.mode == ProgrammingMode::Bsl;  // the BSL password is checked
        in.useProductInfo = in.autoIncrement = c.infoAddress != nullptr;
        in.infoAddressText = c.infoAddress ? c.infoAddress : "";
        const RunOutcome r = RunProgramming(b.ctx, in);
        EXPECT_EQ(r.success, c.sent.empty()) << b.out.Text();
        EXPECT_FALSE(r.serialAdvanced);
        const std::string& text = b.out.Text();
        if (c.sent.empty()) {
            EXPECT_NE(text.find(c.tail), std::string::npos) << text;
        } else {
            EXPECT_EQ(text.substr(text.size() - std::min(text.size(), c.tail.size())), c.tail);
            EXPECT_EQ(b.Names().back(), c.sent[0]);
        }
    }
}

TEST(RunTest, VerifyOnlyNamesTheFirstDifference) {
    Bench b;
    b.AddBox(kF112);
    FillImage(*b.image, 0xF000, 0xF020);
    b.image->Set(0xF012, 0x3C);
    Bytes on(b.image->Data() + 0xF000, b.image->Data() + 0xF020);
    on[0x12] = on[0x15] = 0xFF;
    b.Box().Target()->Preload(0xF000, on);
    OperationInputs in = RunInputs(kF112);
    in.erase = in.program = in.runAfter = false;
    in.beep = true;
    EXPECT_FALSE(RunProgramming(b.ctx, in).success);
    EXPECT_EQ(Walk(b), (Names{"TX:F000/32"}));
    const std::string tail =
        Msg(26) +
        "First difference at 0xF012: wrote 3C, read FF (2 bytes differ in this block)\r\n";
    EXPECT_EQ(b.out.ShownText().substr(b.out.ShownText().size() - tail.size()), tail);
    EXPECT_EQ(b.out.ProgressUpper(), 2u);
    EXPECT_EQ(b.out.BeepCount(), 0);
}

TEST(TargetOptions, RunReadAndDownloadWords) {
    OperationInputs in = RunInputs(kF2132);
    EXPECT_EQ(RunTargetOptions(in), 0x4E2A);  // device bits 0x0E00 in JTAG
    in.mode = ProgrammingMode::Sbw;
    EXPECT_EQ(RunTargetOptions(in), 0x466A);  // 0x0800 only in JTAG
    EXPECT_EQ(ReadTargetOptions(in), 0x0642);
    in.mode = ProgrammingMode::Bsl;
    in.protectInfo = in.burnFuse = true;
    EXPECT_EQ(RunTargetOptions(in), 0x463F);
    EXPECT_EQ(ReadTargetOptions(in), 0x0607);
    in.mode = ProgrammingMode::Jtag;
    in.protectInfo = in.burnFuse = in.erase = false;
    EXPECT_EQ(RunTargetOptions(in), 0x4E2E);  // no erase keeps the information flash
    in.useProductInfo = true;
    EXPECT_EQ(DownloadTargetOptions(in), 0x4EAA);  // erase plays no part, 0x0080 does
    EXPECT_EQ(RunTargetOptions(RunInputs(kF2619)), 0x452A);
}

}  // namespace
}  // namespace kx::ops
