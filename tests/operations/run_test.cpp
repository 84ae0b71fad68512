#include <gtest/gtest.h>

#include "operations/operations.h"
#include "operations/product_info.h"
#include "operations/run_blocks.h"
#include "operations/target_options.h"
#include "ops_test_helpers.h"

namespace kx::ops {
namespace {

using testing::Bench;
using testing::FillImage;
using testing::Frame;
using testing::Msg;
using testing::RunInputs;
using Bytes = std::vector<std::uint8_t>;

constexpr int kF112 = 2, kF1132 = 4, kF2132 = 35, kF2619 = 49;

using SpanList = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

SpanList Spans(const image::CodeImage& img, std::uint32_t end) {
    SpanList out;
    for (const auto& b : RunBlocks(img, end)) out.emplace_back(b.address, b.length);
    return out;
}

// Frames named `name` as (address, length byte) pairs.
std::vector<std::pair<std::uint16_t, std::uint8_t>> Blocks(const std::vector<Frame>& frames,
                                                           const std::string& name) {
    std::vector<std::pair<std::uint16_t, std::uint8_t>> out;
    for (const auto& f : frames) {
        if (f.name == name) out.emplace_back(f.Addr(), f.payload[2]);
    }
    return out;
}

std::uint16_t ConnectOptions(Bench& b) {
    for (const auto& f : b.Frames()) {
        if (f.name == "TARGET_CONNECT") return f.Addr();
    }
    return 0xFFFF;
}

TEST(RunBlocks, JoinsLinesUpTo128BytesWithinOneBank) {
    image::CodeImage img;
    FillImage(img, 0xF000, 0xF014);  // the second line holds 4 bytes: sent whole
    img.Set(0x0FF0, 0x00);           // below 0x1000: never sent
    EXPECT_EQ(Spans(img, 0x10000), (SpanList{{0xF000, 32}}));
    const auto blocks = RunBlocks(img, 0x10000);
    EXPECT_EQ(blocks[0].progress, 2u);

    image::CodeImage run;
    FillImage(run, 0xE000, 0xE0C8);  // 200 bytes = 13 lines
    FillImage(run, 0xE0E0, 0xE0F0);  // after one empty line
    EXPECT_EQ(Spans(run, 0x10000), (SpanList{{0xE000, 128}, {0xE080, 80}, {0xE0E0, 16}}));

    image::CodeImage wide;
    FillImage(wide, 0xFFC0, 0x10040);
    EXPECT_EQ(Spans(wide, 0x20000), (SpanList{{0xFFC0, 64}, {0x10000, 64}}));
    EXPECT_EQ(Spans(wide, 0x10000), (SpanList{{0xFFC0, 64}}));
}

TEST(RunTest, ProgramsVerifiesAndRunsWithTheExpectedFramesAndPane) {
    Bench b;
    b.AddBox(kF112);
    FillImage(*b.image, 0xF000, 0xF014);
    OperationInputs in = RunInputs(kF112);
    in.autoIncrement = true;  // without product information nothing counts
    const RunOutcome r = RunProgramming(b.ctx, in);
    EXPECT_TRUE(r.success);
    EXPECT_FALSE(r.serialAdvanced);
    EXPECT_EQ(b.Names(),
              (std::vector<std::string>{"GET_VERSION", "TARGET_CONNECT", "MASS_ERASE",
                                        "RX_DATA_BLOCK", "TX_DATA_BLOCK", "TARGET_RUN"}));
    const auto frames = b.Frames();
    EXPECT_EQ(frames[1].payload.size(), 36u);
    EXPECT_EQ(ConnectOptions(b), 0x422A);  // supply, verify, run, segment A, TEST pin
    const Bytes& rx = frames[3].payload;
    ASSERT_EQ(rx.size(), 36u);
    EXPECT_EQ(Bytes(rx.begin(), rx.begin() + 4), (Bytes{0x00, 0xF0, 32, 0}));
    EXPECT_EQ(rx[4 + 19], b.image->At(0xF013));
    EXPECT_EQ(rx[4 + 20], 0xFF);
    for (std::uint32_t a = 0xF000; a < 0xF020; ++a) {
        ASSERT_EQ(b.Box().Target()->ByteAt(a), b.image->At(a)) << a;
    }
    EXPECT_EQ(b.out.ShownText(), Msg(10) + "Target chip:F11x,F11x1,F11x1A\r\n" + Msg(17) + Msg(20) +
                                     Msg(22) + Msg(24) + Msg(25) + Msg(27) + Msg(34) +
                                     "Time escaped:0 Sec\r\n");
    EXPECT_EQ(b.out.busyOn, b.out.busyOff);
    EXPECT_FALSE(b.out.Busy());
    EXPECT_EQ(b.out.ProgressUpper(), 2u);
    EXPECT_EQ(b.out.ProgressPos(), 2u);
    EXPECT_EQ(b.out.BeepCount(), 0);

    in.beep = true;
    EXPECT_TRUE(RunProgramming(b.ctx, in).success);
    EXPECT_EQ(b.out.BeepCount(), 1);

    Bench big;
    big.AddBox(kF1132);
    FillImage(*big.image, 0xE000, 0xE0C8);
    EXPECT_TRUE(RunProgramming(big.ctx, RunInputs(kF1132)).success);
    const auto sent = Blocks(big.Frames(), "RX_DATA_BLOCK");
    const decltype(sent) expected{{0xE000, 128}, {0xE080, 80}};
    EXPECT_EQ(sent, expected);
}

TEST(RunTest, WideDeviceSendsTheOffsetOnlyWhenTheBankChanges) {
    Bench b;
    b.AddBox(kF2619);
    FillImage(*b.image, 0x3100, 0x3110);
    FillImage(*b.image, 0xFFE0, 0x10020);
    FillImage(*b.image, 0x12000, 0x12010);
    ASSERT_TRUE(RunProgramming(b.ctx, RunInputs(kF2619)).success);
    std::vector<std::string> seq;
    for (const auto& f : b.Frames()) {
        if (f.name == "SET_MEM_OFFSET") {
            EXPECT_EQ(f.payload, (Bytes{0, 0, f.payload[2], 0}));
            seq.push_back("O" + std::to_string(f.payload[2]));
        } else if (f.name == "RX_DATA_BLOCK" || f.name == "TX_DATA_BLOCK") {
            seq.push_back(f.name.substr(0, 2) + std::to_string(f.Addr()));
        }
    }
    EXPECT_EQ(seq, (std::vector<std::string>{"O0", "RX12544", "RX65504", "O1", "RX0", "RX8192",
                                             "O0", "TX12544", "TX65504", "O1", "TX0", "TX8192"}));
    EXPECT_EQ(b.Box().Target()->ByteAt(0x10010), b.image->At(0x10010));
    EXPECT_EQ(b.Box().Target()->ByteAt(0x12000), b.image->At(0x12000));
}

TEST(RunTest, EraseChoiceFollowsModeAndOptions) {
    struct Case {
        int row;
        ProgrammingMode mode;
        bool erase, protect;
        std::vector<std::string> eraseFrames;
        Bytes payload;
    } cases[] = {
        {kF112, ProgrammingMode::Bsl, true, false, {}, {}},
        {kF112, ProgrammingMode::Bsl, true, true, {"ERASE_SEGMENT"}, {0x00, 0xFF, 0x04, 0xA5}},
        {kF2619, ProgrammingMode::Jtag, true, true, {"ERASE_SEGMENT"}, {0x00, 0xFF, 0x0C, 0xA5}},
        {kF112, ProgrammingMode::Jtag, true, false, {"MASS_ERASE"}, {0x00, 0xFF, 0x00, 0x00}},
        {kF112, ProgrammingMode::Jtag, false, false, {}, {}},
    };
    for (const Case& c : cases) {
        Bench b;
        b.AddBox(c.row);
        FillImage(*b.image, 0xF000, 0xF010);
        OperationInputs in = RunInputs(c.row);
        in.mode = c.mode;
        in.erase = c.erase;
        in.protectInfo = c.protect;
        EXPECT_TRUE(RunProgramming(b.ctx, in).success) << b.out.Text();
        std::vector<std::string> erases;
        for (const auto& f : b.Frames()) {
            if (f.name == "ERASE_SEGMENT" || f.name == "MASS_ERASE") {
                erases.push_back(f.name);
                EXPECT_EQ(f.payload, c.payload);
            }
        }
        EXPECT_EQ(erases, c.eraseFrames) << c.row << c.erase << c.protect;
        const bool printed = b.out.Text().find(Msg(20)) != std::string::npos;
        EXPECT_EQ(printed, !c.eraseFrames.empty());
        EXPECT_EQ((ConnectOptions(b) & kOptKeepInfo) != 0, c.protect || !c.erase);
    }
}

TEST(RunTest, TargetStatusAndChipChecks) {
    struct Case {
        ProgrammingMode mode;
        sim::ChipConfig chip;
        std::string tail;  // how the pane ends
        bool success;
    };
    sim::ChipConfig absent, fused, noId, otherChip, locked;
    absent.present = false;
    fused.fused = true;
    noId.chipId = 0;
    otherChip.chipId = 0xF149;
    link::PasswordBytes32 vectors;
    vectors.fill(0x12);
    locked.vectors = vectors;
    const Case cases[] = {
        {ProgrammingMode::Jtag, absent, Msg(10) + Msg(11), false},
        {ProgrammingMode::Jtag, fused, Msg(13), false},
        {ProgrammingMode::Sbw, noId, Msg(14), false},
        {ProgrammingMode::Bsl, locked, Msg(12), false},
        {ProgrammingMode::Bsl, noId, "Target chip:0\r\n" + Msg(62) + Msg(18), true},
        {ProgrammingMode::Jtag, otherChip,
         "Target chip:F13x,F13x1,F14x,F14x1\r\n" + Msg(62) + Msg(17), true},
    };
    for (const Case& c : cases) {
        Bench b;
        sim::BoxConfig cfg;
        cfg.target = c.chip;
        const int row = c.mode == ProgrammingMode::Sbw ? kF2132 : kF112;
        b.AddBox(row, 0, cfg);
        OperationInputs in = RunInputs(row);
        in.mode = c.mode;
        in.protectInfo = c.mode == ProgrammingMode::Bsl;  // the password is checked
        in.runAfter = false;
        const RunOutcome r = RunProgramming(b.ctx, in);
        EXPECT_EQ(r.success, c.success) << b.out.Text();
        const std::string& text = b.out.ShownText();
        if (c.success) {
            EXPECT_NE(text.find(c.tail), std::string::npos) << text;
        } else {
            EXPECT_EQ(text.substr(text.size() - std::min(text.size(), c.tail.size())), c.tail);
            EXPECT_EQ(b.Names().back(), "TARGET_CONNECT");
        }
    }
}

TEST(RunTest, ProductInfoChecksComeFirstAndInOrder) {
    const struct {
        const char* address;
        int msg;
    } cases[] = {{"F000", 58}, {"10EA", 3}, {"1001", 4}, {"11000", 3}};
    for (const auto& c : cases) {
        Bench b;
        b.AddBox(kF112);
        FillImage(*b.image, 0xF000, 0xF010);
        OperationInputs in = RunInputs(kF112);
        in.useProductInfo = true;
        in.autoIncrement = true;
        in.infoAddressText = c.address;
        const RunOutcome r = RunProgramming(b.ctx, in);
        EXPECT_FALSE(r.serialAdvanced);
        EXPECT_EQ(b.out.ShownText(), Msg(c.msg)) << c.address;
        EXPECT_EQ(b.Names(), std::vector<std::string>{"GET_VERSION"});
    }
}

TEST(RunTest, ProductInfoRecordIsWrittenVerifiedAndTheSerialAdvances) {
    Bench b;
    b.AddBox(kF2619);
    FillImage(*b.image, 0xF000, 0xF010);
    OperationInputs in = RunInputs(kF2619);
    in.useProductInfo = true;
    in.autoIncrement = true;
    in.productName = "ABC";
    in.serial = 1;
    in.infoAddressText = "1010";
    RunOutcome r = RunProgramming(b.ctx, in);
    ASSERT_TRUE(r.success) << b.out.Text();
    EXPECT_TRUE(r.serialAdvanced);
    EXPECT_EQ(r.newSerial, 2u);
    const auto frames = b.Frames();
    std::size_t i = 0;
    while (i < frames.size() && !(frames[i].name == "RX_DATA_BLOCK" && frames[i].Addr() == 0x1010))
        ++i;
    ASSERT_LT(i, frames.size());
    EXPECT_EQ(frames[i - 1].name, "SET_MEM_OFFSET");  // sent again although already 0
    const Bytes record{0x10, 0x10, 24, 0, 'A', 'B', 'C', 0, 0, 0, 0, 0, 0, 0,
                       0,    0,    0,  0, 0,   0,   0,   0, 0, 0, 1, 0, 0, 0};
    EXPECT_EQ(frames[i].payload, record);
    EXPECT_EQ(frames[i + 1].name, "TX_DATA_BLOCK");
    for (std::uint32_t k = 0; k < 24; ++k) {
        EXPECT_EQ(b.Box().Target()->ByteAt(0x1010 + k), record[4 + k]);
    }
    EXPECT_NE(b.out.Text().find(Msg(27) + Msg(31) + Msg(34)), std::string::npos);

    // Protected information flash: nothing written, the serial still advances; and it wraps.
    Bench p;
    p.AddBox(kF112);
    in.deviceRow = kF112;
    in.protectInfo = true;
    in.serial = 0xFFFFFFFFu;
    in.serialHex = true;
    r = RunProgramming(p.ctx, in);
    EXPECT_TRUE(r.success);
    EXPECT_NE(p.out.Text().find(Msg(28)), std::string::npos);
    EXPECT_TRUE(Blocks(p.Frames(), "RX_DATA_BLOCK").empty());
    EXPECT_TRUE(r.serialAdvanced);
    EXPECT_EQ(r.newSerial, 0u);
    EXPECT_EQ(SerialText(r.newSerial, in.serialHex), "0");
}

TEST(RunTest, FirmwareVersionGate) {
    const struct {
        const char* id;
        int msg;  // 0: accepted
    } cases[] = {{"KX_VELDRAN V02.72A", 8},
                 {"KX_VELDRAN V02.73B", 0},
                 {"KX_VELDRAN V02.80A", 60},
                 {"KX-VELDRAN V02.73A", 7}};
    for (const auto& c : cases) {
        Bench b;
        sim::BoxConfig cfg;
        cfg.identification = c.id;
        b.AddBox(kF112, 0, cfg);
        FillImage(*b.image, 0xF000, 0xF010);
        const RunOutcome r = RunProgramming(b.ctx, RunInputs(kF112));
        EXPECT_EQ(r.success, c.msg == 0) << c.id;
        if (c.msg != 0) {
            EXPECT_EQ(b.out.ShownText(), Msg(c.msg));
            EXPECT_EQ(b.Names(), std::vector<std::string>{"GET_VERSION"});
        }
    }
}

TEST(RunTest, VerifyOnlyComparesAndNamesTheFirstDifference) {
    Bench b;
    b.AddBox(kF112);
    FillImage(*b.image, 0xF000, 0xF020);
    b.image->Set(0xF012, 0x3C);
    b.image->Set(0xF015, 0x00);
    Bytes on(b.image->Data() + 0xF000, b.image->Data() + 0xF020);
    on[0x12] = 0xFF;
    on[0x15] = 0xFF;
    b.Box().Target()->Preload(0xF000, on);
    OperationInputs in = RunInputs(kF112);
    in.erase = in.program = in.runAfter = false;
    in.beep = true;
    EXPECT_FALSE(RunProgramming(b.ctx, in).success);
    EXPECT_TRUE(Blocks(b.Frames(), "RX_DATA_BLOCK").empty());
    const std::string tail =
        Msg(26) +
        "First difference at 0xF012: wrote 3C, read FF (2 bytes differ in this block)\r\n";
    EXPECT_EQ(b.out.ShownText().substr(b.out.ShownText().size() - tail.size()), tail);
    EXPECT_EQ(b.out.ProgressUpper(), 2u);
    EXPECT_EQ(b.out.BeepCount(), 0);
    EXPECT_EQ(b.out.Text().find("Time escaped"), std::string::npos);
    EXPECT_EQ(b.out.busyOn, b.out.busyOff);

    b.Box().Target()->Preload(0xF000, Bytes(b.image->Data() + 0xF000, b.image->Data() + 0xF020));
    EXPECT_TRUE(RunProgramming(b.ctx, in).success);
}

TEST(RunTest, FuseOnlyOverJtagAndLostLinkEndsSilently) {
    for (auto mode : {ProgrammingMode::Jtag, ProgrammingMode::Bsl}) {
        Bench b;
        b.AddBox(kF112);
        OperationInputs in = RunInputs(kF112);
        in.mode = mode;
        in.burnFuse = true;
        in.runAfter = false;
        EXPECT_TRUE(RunProgramming(b.ctx, in).success);
        const bool jtag = mode == ProgrammingMode::Jtag;
        EXPECT_EQ(b.Box().Target()->Fused(), jtag);
        EXPECT_EQ(b.out.Text().find(Msg(33)) != std::string::npos, jtag);
    }
    Bench gone;
    gone.AddBox(kF112).Vanish(0);
    const RunOutcome r = RunProgramming(gone.ctx, RunInputs(kF112));
    EXPECT_TRUE(r.connectionLost);
    EXPECT_EQ(gone.out.ShownText(), Msg(9));
    EXPECT_TRUE(gone.Frames().empty());
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
    EXPECT_EQ(ReadTargetOptions(in), 0x0E02);
    EXPECT_EQ(RunTargetOptions(RunInputs(kF2619)), 0x452A);
}

}  // namespace
}  // namespace kx::ops
