#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "image/titxt_writer.h"
#include "operations/operations.h"
#include "ops_test_helpers.h"

namespace kx::ops {
namespace {

using testing::Bench;
using testing::Frame;
using testing::Msg;

constexpr int kF1101 = 0;
constexpr int kF149 = 13;
constexpr int kF2619 = 49;

std::vector<Frame> FramesNamed(Bench& b, const std::string& name) {
    std::vector<Frame> out;
    for (auto& f : b.Frames()) {
        if (f.name == name) out.push_back(f);
    }
    return out;
}

void Preload(Bench& b, std::uint32_t address, std::vector<std::uint8_t> bytes) {
    b.Box().Target()->Preload(address, bytes);
}

OperationInputs ByAddress(int row, std::string address, std::string length) {
    OperationInputs in;
    in.deviceRow = row;
    in.readAddressText = std::move(address);
    in.readLengthText = std::move(length);
    return in;
}

OperationInputs ByDevice(int row) {
    OperationInputs in;
    in.deviceRow = row;
    in.readByDevice = true;
    return in;
}

TEST(TargetReadTest, AddressChecksStopBeforeAnythingIsSent) {
    struct Case {
        const char* address;
        const char* length;
        int message;
    };
    for (const Case c : {Case{"1001", "0010", 36}, Case{"F000", "0FFF", 37},
                         Case{"FC00", "0402", 38}, Case{"FFFE", "FFFFFFFE", 38}}) {
        Bench b;
        b.AddBox(kF1101);
        b.image->Set(0x2000, 0x42);
        EXPECT_FALSE(ReadTarget(b.ctx, ByAddress(kF1101, c.address, c.length)).success);
        EXPECT_EQ(b.out.ShownText(), Msg(c.message)) << c.address << "+" << c.length;
        EXPECT_TRUE(b.Names().empty());
        EXPECT_EQ(b.image->At(0x2000), 0x42);  // the image is left alone
    }

    // Ending exactly at ImageEnd is allowed.
    Bench b;
    b.AddBox(kF1101);
    ASSERT_TRUE(ReadTarget(b.ctx, ByAddress(kF1101, "FC00", "0400")).success);
    EXPECT_EQ(FramesNamed(b, "TX_DATA_BLOCK").size(), 8U);
}

TEST(TargetReadTest, ZeroLengthAndShortReads) {
    Bench b;
    b.AddBox(kF1101);
    b.image->Set(0x2000, 0x42);
    ASSERT_TRUE(ReadTarget(b.ctx, ByAddress(kF1101, "FC00", "0")).success);
    EXPECT_EQ(b.Names(), std::vector<std::string>{"TARGET_CONNECT"});
    EXPECT_EQ(b.out.ShownText(),
              "Connect the programmer successful!\r\nTarget chip:F11x,F11x1,F11x1A\r\n"
              "\r\nStart reading...\r\nreading data successful!\r\nTime escaped:0 Sec\r\n");
    EXPECT_EQ(image::RenderImageText(*b.image, 0x10000), "q\r\n");
    EXPECT_EQ(b.out.BeepCount(), 1);

    // 32 bytes from FC10: one block of exactly the remaining length.
    Bench s;
    s.AddBox(kF1101);
    std::vector<std::uint8_t> data(48);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i);
    Preload(s, 0xFC00, data);
    ASSERT_TRUE(ReadTarget(s.ctx, ByAddress(kF1101, "FC10", "0020")).success);
    const auto frames = FramesNamed(s, "TX_DATA_BLOCK");
    ASSERT_EQ(frames.size(), 1U);
    EXPECT_EQ(frames[0].Addr(), 0xFC10);
    EXPECT_EQ(frames[0].payload[2], 32);
    EXPECT_EQ(s.image->At(0xFC0F), 0xFF);  // not read
    EXPECT_EQ(s.image->At(0xFC10), 0x10);
    EXPECT_EQ(s.image->At(0xFC2F), 0x2F);
    EXPECT_EQ(s.image->At(0xFC30), 0xFF);
    EXPECT_EQ(s.out.ProgressPos(), 32U);
    EXPECT_EQ(s.out.busyOn, 1);
    EXPECT_EQ(s.out.busyOff, 1);
}

TEST(TargetReadTest, ByDeviceOnF149ReadsInfoThenWholeFlash) {
    Bench b;
    b.AddBox(kF149);
    Preload(b, 0x1000, {0x11, 0x22});
    Preload(b, 0x1100, {0x33});
    Preload(b, 0xFFFE, {0x00, 0x11});
    b.image->Set(0x8000, 0x42);  // stale data must go
    ASSERT_TRUE(ReadTarget(b.ctx, ByDevice(kF149)).success);

    const auto frames = FramesNamed(b, "TX_DATA_BLOCK");
    ASSERT_EQ(frames.size(), 2U + 478U);
    EXPECT_EQ(frames[0].Addr(), 0x1000);
    EXPECT_EQ(frames[1].Addr(), 0x1080);
    for (std::size_t i = 2; i < frames.size(); ++i) {
        ASSERT_EQ(frames[i].Addr(), 0x1100 + (i - 2) * 128) << i;
        ASSERT_EQ(frames[i].payload[2], 128) << i;
    }
    EXPECT_TRUE(FramesNamed(b, "SET_MEM_OFFSET").empty());
    EXPECT_EQ(b.image->At(0x1001), 0x22);
    EXPECT_EQ(b.image->At(0x1100), 0x33);
    EXPECT_EQ(b.image->At(0xFFFF), 0x11);
    EXPECT_EQ(b.image->At(0x8000), 0xFF);
    EXPECT_EQ(b.out.ProgressUpper(), 0xEF00U);
    EXPECT_EQ(b.out.ProgressPos(), 0xEF00U);
}

TEST(TargetReadTest, WideDeviceSendsTheMemoryOffsetOnlyWhenItChanges) {
    Bench b;
    b.AddBox(kF2619);
    Preload(b, 0x10000, {0xAB, 0xCD});
    ASSERT_TRUE(ReadTarget(b.ctx, ByDevice(kF2619)).success);

    const auto frames = b.Frames();
    std::vector<std::size_t> offsetAt;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        if (frames[i].name == "SET_MEM_OFFSET") offsetAt.push_back(i);
    }
    ASSERT_EQ(offsetAt.size(), 2U);
    // Offset 0 before the first information block, not again before 0x2100.
    EXPECT_EQ(offsetAt[0], 1U);
    EXPECT_EQ(frames[offsetAt[0]].payload[2], 0);
    EXPECT_EQ(frames[2].Addr(), 0x1000);
    EXPECT_EQ(frames[4].Addr(), 0x2100);
    // Offset 1 right before the block at 0x10000, which goes as address 0.
    EXPECT_EQ(frames[offsetAt[1]].payload[2], 1);
    EXPECT_EQ(frames[offsetAt[1] - 1].Addr(), 0xFF80);
    EXPECT_EQ(frames[offsetAt[1] + 1].Addr(), 0x0000);
    EXPECT_EQ(b.image->At(0x10000), 0xAB);
    EXPECT_EQ(b.image->At(0x10001), 0xCD);
}

TEST(TargetReadTest, ReadBlocksNeverStraddleA64KiBBoundary) {
    Bench b;
    b.AddBox(kF2619);
    Preload(b, 0xFFF0, {0x01});
    Preload(b, 0x10000, {0x02});
    ASSERT_TRUE(ReadTarget(b.ctx, ByAddress(kF2619, "0FFC0", "00080")).success);
    const auto frames = b.Frames();
    ASSERT_EQ(frames.size(), 5U);  // connect, offset 0, block, offset 1, block
    EXPECT_EQ(frames[2].Addr(), 0xFFC0);
    EXPECT_EQ(frames[2].payload[2], 64);
    EXPECT_EQ(frames[3].payload[2], 1);
    EXPECT_EQ(frames[4].Addr(), 0x0000);
    EXPECT_EQ(frames[4].payload[2], 64);
    EXPECT_EQ(b.image->At(0xFFF0), 0x01);
    EXPECT_EQ(b.image->At(0x10000), 0x02);
}

TEST(TargetReadTest, TargetRefusalsEndAfterTheConnectLine) {
    struct Case {
        bool present;
        bool fused;
        int message;
    };
    for (const Case c : {Case{true, true, 39}, Case{false, false, 11}}) {
        Bench b;
        sim::BoxConfig config;
        config.target.present = c.present;
        config.target.fused = c.fused;
        b.AddBox(kF1101, 0, config);
        b.image->Set(0x2000, 0x42);
        EXPECT_FALSE(ReadTarget(b.ctx, ByAddress(kF1101, "FC00", "0400")).success);
        EXPECT_EQ(b.out.ShownText(), Msg(10) + Msg(c.message));
        EXPECT_EQ(b.Names(), std::vector<std::string>{"TARGET_CONNECT"});
        EXPECT_EQ(b.image->At(0x2000), 0x42);
        EXPECT_EQ(b.out.BeepCount(), 0);
    }

    // Another chip than the selected one only warns; the selected row's range is read.
    Bench m;
    m.AddBox(kF149);
    ASSERT_TRUE(ReadTarget(m.ctx, ByDevice(kF1101)).success);
    EXPECT_NE(m.out.ShownText().find("Target chip:F13x,F13x1,F14x,F14x1\r\n" + Msg(62)),
              std::string::npos);
    EXPECT_EQ(FramesNamed(m, "TX_DATA_BLOCK").size(), 2U + 8U);
}

TEST(TargetReadTest, BslReadSendsModeKeepInfoAndPassword) {
    Bench b;
    b.AddBox(kF149);
    OperationInputs in = ByAddress(kF149, "1100", "0");
    in.mode = ProgrammingMode::Bsl;
    in.supplyPower = false;
    b.words.bslPassword[0] = 0x1234;
    ReadTarget(b.ctx, in);
    const auto connect = FramesNamed(b, "TARGET_CONNECT");
    ASSERT_EQ(connect.size(), 1U);
    EXPECT_EQ(connect[0].payload[0], 0x05);  // BSL + keep information memory, no supply
    EXPECT_EQ(connect[0].payload[1], 0x00);
    EXPECT_EQ(connect[0].payload[4], 0x34);
    EXPECT_EQ(connect[0].payload[5], 0x12);
}

}  // namespace
}  // namespace kx::ops
