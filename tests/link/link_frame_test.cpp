#include "link/link_frame.h"

#include <gtest/gtest.h>

#include <map>

namespace kx::link {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(LinkFrame, BytesChecksumAndPadding) {
    // Words 0x1880 ^ 0x0404 ^ 0xFF00 ^ 0x0000 = 0xE384, inverted 0x1C7B.
    EXPECT_EQ(BuildLinkFrame(0x18, Bytes{0x00, 0xFF, 0x00, 0x00}),
              (Bytes{0x80, 0x18, 0x04, 0x04, 0x00, 0xFF, 0x00, 0x00, 0x7B, 0x1C}));
    // Odd payload: L1 = L2 = 4, pad 0xFF inside the frame and in the checksum.
    EXPECT_EQ(BuildLinkFrame(0x12, Bytes{0x01, 0x02, 0x03}),
              (Bytes{0x80, 0x12, 0x04, 0x04, 0x01, 0x02, 0x03, 0xFF, 0x79, 0x14}));
    EXPECT_EQ(BuildLinkFrame(0x71, {}), (Bytes{0x80, 0x71, 0x00, 0x00, 0x7F, 0x8E}));
    // One byte at most after padding.
    EXPECT_EQ(BuildLinkFrame(0x12, Bytes(253, 0xAA)).size(), 260u);
    EXPECT_TRUE(BuildLinkFrame(0x12, Bytes(255, 0xAA)).empty());

    // Data replies carry the same checksum; an odd count is summed with a 0xFF pad.
    Bytes reply{0x80, 0x00, 0x03, 0x03, 0x01, 0x02, 0x03, 0x7E, 0x01};
    EXPECT_TRUE(DataReplyChecksumOk(reply));
    reply[6] ^= 0x10;
    EXPECT_FALSE(DataReplyChecksumOk(reply) || DataReplyChecksumOk(Bytes(5, 0x7F)));
}

TEST(LinkFrame, ReplyClassesAndLengths) {
    const std::map<std::uint8_t, ReplyClass> table = {
        {0x10, {ReplyKind::AckShort, 500}},   {0x12, {ReplyKind::AckShort, 500}},
        {0x14, {ReplyKind::EchoLength, 500}}, {0x16, {ReplyKind::AckShort, 500}},
        {0x18, {ReplyKind::AckLong, 1200}},   {0x1A, {ReplyKind::AckShort, 500}},
        {0x21, {ReplyKind::AckShort, 500}},   {0x70, {ReplyKind::Fixed10, 1000}},
        {0x72, {ReplyKind::Fixed26, 500}},    {0x73, {ReplyKind::AckShort, 500}},
        {0x74, {ReplyKind::EchoLength, 500}}, {0x75, {ReplyKind::AckLong, 1200}},
        {0x76, {ReplyKind::AckShort, 500}},   {0x77, {ReplyKind::AckShort, 500}},
        {0x7A, {ReplyKind::AckShort, 500}},
    };
    for (unsigned code = 0; code < 256; ++code) {
        const ReplyClass got = ReplyClassOf(static_cast<std::uint8_t>(code));
        const auto it = table.find(static_cast<std::uint8_t>(code));
        const ReplyClass want = it == table.end() ? ReplyClass{ReplyKind::None, 0} : it->second;
        EXPECT_EQ(got.kind, want.kind) << code;
        if (want.kind != ReplyKind::None) {
            EXPECT_EQ(got.timeoutMs, want.timeoutMs) << code;
        }
    }
    EXPECT_EQ(ExpectedReplyLength(0x14, Bytes{0x00, 0x10, 128, 0x00}), 134u);
    EXPECT_EQ(ExpectedReplyLength(0x74, Bytes{0x00, 0x00, 2, 0x07}), 8u);      // N is byte 2
    EXPECT_EQ(ExpectedReplyLength(0x14, Bytes{0x00, 0x10, 250, 0x00}), 256u);  // not wrapped
    EXPECT_EQ(ExpectedReplyLength(0x14, Bytes{0x00, 0x10}), 0u);  // no count byte: no length
    EXPECT_EQ(ExpectedReplyLength(0x7A, Bytes(4, 0)), 0u);
}

}  // namespace
}  // namespace kx::link
