#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "image/titxt_writer.h"
#include "operations/operations.h"
#include "ops_test_helpers.h"

namespace kx::ops {
namespace {

using testing::Bench;
using testing::Frame;
using testing::Msg;

constexpr int kF1101 = 0, kF149 = 13, kF2619 = 49;

struct ReadBench : Bench {
    explicit ReadBench(int row, int chipRow = -1, sim::BoxConfig config = {}) {
        AddBox(chipRow < 0 ? row : chipRow, 0, config);
        in.deviceRow = row;
    }
    ReadOutcome Read(std::string address, std::string length) {
        in.readAddressText = address;
        in.readLengthText = length;
        return ReadTarget(ctx, in);
    }
    std::vector<Frame> Blocks() {
        std::vector<Frame> blocks;
        for (auto& f : Frames()) {
            if (f.name == "TX_DATA_BLOCK") blocks.push_back(f);
        }
        return blocks;
    }
    OperationInputs in;
};

TEST(TargetReadTest, ByAddressChecksAndBlockSizes) {
    for (auto [address, length, msg] : {std::tuple{"1001", "0010", 36},
                                        {"F000", "0FFF", 37},
                                        {"FC00", "0402", 38},
                                        {"FFFE", "FFFFFFFE", 38}}) {
        ReadBench b(kF1101);
        b.image->Set(0x2000, 0x42);
        EXPECT_FALSE(b.Read(address, length).success);
        EXPECT_EQ(b.out.ShownText(), Msg(msg));
        EXPECT_TRUE(b.Names().empty());
        EXPECT_EQ(b.image->At(0x2000), 0x42);
    }
    ReadBench full(kF1101);
    ASSERT_TRUE(full.Read("FC00", "0400").success);  // ends exactly at ImageEnd
    EXPECT_EQ(full.Blocks().size(), 8U);

    ReadBench empty(kF1101);
    empty.image->Set(0x2000, 0x42);
    ASSERT_TRUE(empty.Read("FC00", "0").success);
    EXPECT_EQ(empty.Names(), std::vector<std::string>{"TARGET_CONNECT"});
    EXPECT_EQ(empty.out.ShownText(), Msg(10) + "Target chip:F11x,F11x1,F11x1A\r\n" + Msg(40) +
                                         Msg(42) + Msg(35) + "0 Sec\r\n");
    EXPECT_EQ(image::RenderImageText(*empty.image, 0x10000), "q\r\n");

    ReadBench part(kF1101);
    part.Box().Target()->Preload(0xFC0E, std::vector<std::uint8_t>{1, 2, 3});
    ASSERT_TRUE(part.Read("FC10", "0020").success);
    const auto blocks = part.Blocks();
    ASSERT_EQ(blocks.size(), 1U);
    EXPECT_EQ(blocks[0].Addr(), 0xFC10);
    EXPECT_EQ(blocks[0].payload[2], 32);
    EXPECT_EQ(part.image->At(0xFC0F), 0xFF);  // outside the range
    EXPECT_EQ(part.image->At(0xFC10), 3);
    EXPECT_EQ(part.out.busyOn, part.out.busyOff);
}

TEST(TargetReadTest, ByDeviceReadsInfoThenFlashWithOffsetsOnlyOnChange) {
    ReadBench b(kF149);
    b.in.readByDevice = true;
    b.Box().Target()->Preload(0x1001, std::vector<std::uint8_t>{0x22});
    b.image->Set(0x8000, 0x42);  // stale data must go
    ASSERT_TRUE(ReadTarget(b.ctx, b.in).success);
    const auto blocks = b.Blocks();
    ASSERT_EQ(blocks.size(), 2U + 478U);
    EXPECT_EQ(blocks[1].Addr(), 0x1080);
    for (std::size_t i = 2; i < blocks.size(); ++i) {
        ASSERT_EQ(blocks[i].Addr(), 0x1100 + (i - 2) * 128);
        ASSERT_EQ(blocks[i].payload[2], 128);
    }
    EXPECT_EQ(b.image->At(0x1001), 0x22);
    EXPECT_EQ(b.image->At(0x8000), 0xFF);
    EXPECT_EQ(b.out.ProgressPos(), 0xEF00U);

    ReadBench w(kF2619);
    w.in.readByDevice = true;
    w.Box().Target()->Preload(0x10000, std::vector<std::uint8_t>{0xAB});
    ASSERT_TRUE(ReadTarget(w.ctx, w.in).success);
    const auto frames = w.Frames();
    std::vector<std::size_t> at;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        if (frames[i].name == "SET_MEM_OFFSET") at.push_back(i);
    }
    ASSERT_EQ(at.size(), 2U);
    EXPECT_EQ(at[0], 1U);  // before the first information block, not again before 0x2100
    EXPECT_EQ(frames[at[0]].payload[2], 0);
    EXPECT_EQ(frames[at[1]].payload[2], 1);
    EXPECT_EQ(frames[at[1] - 1].Addr(), 0xFF80);
    EXPECT_EQ(frames[at[1] + 1].Addr(), 0x0000);
    EXPECT_EQ(w.image->At(0x10000), 0xAB);
}

TEST(TargetReadTest, BlocksStopAt64KiBBoundaries) {
    ReadBench b(kF2619);
    b.Box().Target()->Preload(0x10000, std::vector<std::uint8_t>{0x02});
    ASSERT_TRUE(b.Read("0FFC0", "00080").success);
    const auto f = b.Frames();  // connect, offset 0, block, offset 1, block
    ASSERT_EQ(f.size(), 5U);
    EXPECT_EQ(f[2].payload[2], 64);
    EXPECT_EQ(f[3].payload[2], 1);
    EXPECT_EQ(f[4].Addr(), 0x0000);
    EXPECT_EQ(f[4].payload[2], 64);
    EXPECT_EQ(b.image->At(0x10000), 0x02);
}

TEST(TargetReadTest, RefusingTargetsAndOtherChips) {
    sim::BoxConfig fused;
    fused.target.fused = true;
    ReadBench b(kF1101, kF1101, fused);
    b.image->Set(0x2000, 0x42);
    EXPECT_FALSE(b.Read("FC00", "0400").success);
    EXPECT_EQ(b.out.ShownText(), Msg(10) + Msg(39));
    EXPECT_EQ(b.Names(), std::vector<std::string>{"TARGET_CONNECT"});
    EXPECT_EQ(b.image->At(0x2000), 0x42);  // cleared only once the read starts

    ReadBench m(kF1101, kF149);  // a warning only; the selected row's range is read
    m.in.readByDevice = true;
    ASSERT_TRUE(ReadTarget(m.ctx, m.in).success);
    EXPECT_NE(m.out.ShownText().find("F14x1\r\n" + Msg(62)), std::string::npos);
    EXPECT_EQ(m.Blocks().size(), 2U + 8U);

    ReadBench bsl(kF149);  // the chip's vectors are erased: this password is refused
    bsl.in.mode = ProgrammingMode::Bsl;
    bsl.in.supplyPower = false;
    bsl.words.bslPassword[0] = 0x1234;
    EXPECT_FALSE(bsl.Read("1100", "0100").success);
    EXPECT_EQ(bsl.out.ShownText(), Msg(10) + Msg(12));
    const auto connect = bsl.Frames()[0].payload;
    EXPECT_EQ(connect[0], 0x05);  // BSL with 0x0004, no supply
    EXPECT_EQ(connect[4], 0x34);
    EXPECT_EQ(connect[5], 0x12);
}

}  // namespace
}  // namespace kx::ops
