#include "link/link_frame.h"

#include <gtest/gtest.h>

#include "link/link_types.h"

namespace kx::link {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(LinkFrame, MassEraseFrameMatchesHandComputedChecksum) {
    const Bytes payload{0x00, 0xFF, 0x00, 0x00};
    EXPECT_EQ(BuildLinkFrame(0x18, payload),
              (Bytes{0x80, 0x18, 0x04, 0x04, 0x00, 0xFF, 0x00, 0x00, 0x7B, 0x1C}));
    // Words 0x1880 ^ 0x0404 ^ 0xFF00 ^ 0x0000 = 0xE384, inverted.
    const Bytes head{0x80, 0x18, 0x04, 0x04, 0x00, 0xFF, 0x00, 0x00};
    EXPECT_EQ(FrameChecksum(head), 0x1C7B);
    EXPECT_EQ(FrameChecksum({}), 0xFFFF);
}

TEST(LinkFrame, OddPayloadIsPaddedInsideTheFrameOnly) {
    const Bytes payload{0x01, 0x02, 0x03};
    const Bytes frame = BuildLinkFrame(0x12, payload);
    ASSERT_EQ(frame.size(), 10u);
    EXPECT_EQ(frame[2], 4);
    EXPECT_EQ(frame[3], 4);
    EXPECT_EQ(Bytes(frame.begin() + 4, frame.begin() + 8), (Bytes{0x01, 0x02, 0x03, 0xFF}));
    // Even bytes: 80 04 01 03 -> 0x86, inverted 0x79; odd bytes: 12 04 02 FF -> 0xEB, inv 0x14.
    EXPECT_EQ(frame[8], 0x79);
    EXPECT_EQ(frame[9], 0x14);
    EXPECT_EQ(payload.size(), 3u);  // the caller's buffer is not touched
    // Every built frame checks out: checksum over header..payload equals the tail.
    const Bytes body(frame.begin(), frame.end() - 2);
    EXPECT_EQ(FrameChecksum(body), frame[8] | (frame[9] << 8));
}

TEST(LinkFrame, PayloadLimitIs254BytesAfterPadding) {
    EXPECT_EQ(BuildLinkFrame(0x12, Bytes(254, 0xAA)).size(), 260u);
    EXPECT_EQ(BuildLinkFrame(0x12, Bytes(253, 0xAA)).size(), 260u);  // padded to 254
    EXPECT_TRUE(BuildLinkFrame(0x12, Bytes(255, 0xAA)).empty());
    EXPECT_TRUE(BuildLinkFrame(0x12, Bytes(256, 0xAA)).empty());
    const Bytes empty = BuildLinkFrame(0x71, {});
    EXPECT_EQ(empty, (Bytes{0x80, 0x71, 0x00, 0x00, 0x7F, 0x8E}));
}

TEST(LinkFrame, ReplyClassTable) {
    struct Row {
        std::uint8_t code;
        ReplyKind kind;
        std::uint32_t timeoutMs;
    };
    const Row rows[] = {
        {0x10, ReplyKind::AckShort, 500},   {0x12, ReplyKind::AckShort, 500},
        {0x14, ReplyKind::EchoLength, 500}, {0x16, ReplyKind::AckShort, 500},
        {0x18, ReplyKind::AckLong, 1200},   {0x1A, ReplyKind::AckShort, 500},
        {0x21, ReplyKind::AckShort, 500},   {0x70, ReplyKind::Fixed10, 1000},
        {0x71, ReplyKind::None, 0},         {0x72, ReplyKind::Fixed26, 500},
        {0x73, ReplyKind::AckShort, 500},   {0x74, ReplyKind::EchoLength, 500},
        {0x75, ReplyKind::AckLong, 1200},   {0x76, ReplyKind::AckShort, 500},
        {0x77, ReplyKind::AckShort, 500},   {0x7A, ReplyKind::AckShort, 500},
    };
    int acknowledged = 0;
    for (unsigned code = 0; code < 256; ++code) {
        const ReplyClass got = ReplyClassOf(static_cast<std::uint8_t>(code));
        const Row* row = nullptr;
        for (const Row& r : rows) {
            if (r.code == code) row = &r;
        }
        if (row == nullptr) {
            EXPECT_EQ(got.kind, ReplyKind::None) << "code " << code;
            continue;
        }
        EXPECT_EQ(got.kind, row->kind) << "code " << code;
        EXPECT_EQ(got.timeoutMs, row->timeoutMs) << "code " << code;
        if (got.kind == ReplyKind::AckShort || got.kind == ReplyKind::AckLong) ++acknowledged;
    }
    EXPECT_EQ(acknowledged, 11);
}

TEST(LinkFrame, ExpectedReplyLengths) {
    EXPECT_EQ(ExpectedReplyLength(0x14, Bytes{0x00, 0x10, 128, 0x00}), 134u);
    EXPECT_EQ(ExpectedReplyLength(0x14, Bytes{0x00, 0x10, 16, 0x00}), 22u);
    EXPECT_EQ(ExpectedReplyLength(0x74, Bytes{0x00, 0x00, 2, 0x07}), 8u);  // N in byte 2
    // Large counts are not wrapped to a byte (250 would otherwise wait for nothing).
    EXPECT_EQ(ExpectedReplyLength(0x14, Bytes{0x00, 0x10, 250, 0x00}), 256u);
    EXPECT_EQ(ExpectedReplyLength(0x14, Bytes{0x00, 0x10}), 0u);
    EXPECT_EQ(ExpectedReplyLength(0x72, Bytes{0, 0, 0, 0}), 26u);
    EXPECT_EQ(ExpectedReplyLength(0x70, Bytes(36, 0)), 10u);
    EXPECT_EQ(ExpectedReplyLength(0x7A, Bytes{0, 0, 0, 0}), 0u);
    EXPECT_EQ(ExpectedReplyLength(0x71, Bytes{0, 0, 0, 0}), 0u);
}

}  // namespace
}  // namespace kx::link
