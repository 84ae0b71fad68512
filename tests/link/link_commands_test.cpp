#include <gtest/gtest.h>

#include <array>

#include "fake_serial.h"
#include "link/link_frame.h"
#include "link/programmer_link.h"

namespace kx::link {
namespace {

using testing::Bytes;
using testing::FakeLine;
using testing::FakePorts;
using testing::TimedReply;

// Acknowledges every frame and answers data commands with as many bytes as they ask for.
class CommandTest : public ::testing::Test {
protected:
    CommandTest() : line_(std::make_shared<FakeLine>(clock_)), link_(ports_, clock_) {
        ports_.lines[0] = line_;
        line_->responder = [](const Bytes& frame) {
            const std::span<const std::uint8_t> payload(frame.data() + 4, frame[2]);
            std::size_t n = ExpectedReplyLength(frame[1], payload);
            return std::vector<TimedReply>{{1, Bytes(n == 0 ? 1 : n, kAck)}};
        };
        EXPECT_EQ(link_.OpenPort(0, 115200), kLinkOk);
    }

    // Command code and payload of the last frame; checks its frame around the payload.
    std::pair<std::uint8_t, Bytes> Last() {
        const Bytes& frame = line_->writes.back();
        EXPECT_EQ(frame[0], kFrameHeader);
        EXPECT_EQ(frame[2], frame[3]);
        EXPECT_EQ(frame.size(), frame[2] + 6u);
        const Bytes body(frame.begin(), frame.end() - 2);
        EXPECT_EQ(FrameChecksum(body), frame[frame.size() - 2] | (frame.back() << 8));
        return {frame[1], Bytes(frame.begin() + 4, frame.end() - 2)};
    }

    ManualClock clock_;
    FakePorts ports_;
    std::shared_ptr<FakeLine> line_;
    ProgrammerLink link_;
};

TEST_F(CommandTest, FourByteCommands) {
    const Bytes zeros{0, 0, 0, 0};
    EXPECT_EQ(link_.MassErase(), kLinkOk);
    EXPECT_EQ(Last(), std::make_pair(std::uint8_t{0x18}, Bytes{0x00, 0xFF, 0x00, 0x00}));
    EXPECT_EQ(link_.EraseSegment(0xFF00, 0xA50C), kLinkOk);
    EXPECT_EQ(Last(), std::make_pair(std::uint8_t{0x16}, Bytes{0x00, 0xFF, 0x0C, 0xA5}));
    EXPECT_EQ(link_.LoadPc(0x0C22), kLinkOk);
    EXPECT_EQ(Last(), std::make_pair(std::uint8_t{0x1A}, Bytes{0x22, 0x0C, 0x00, 0x00}));
    EXPECT_EQ(link_.SetMemOffset(0x04), kLinkOk);
    EXPECT_EQ(Last(), std::make_pair(std::uint8_t{0x21}, Bytes{0x00, 0x00, 0x04, 0x00}));
    EXPECT_EQ(link_.TargetRun(), kLinkCommandFailed);
    EXPECT_EQ(Last(), std::make_pair(std::uint8_t{0x71}, zeros));
    EXPECT_EQ(link_.BurnFuse(), kLinkOk);
    EXPECT_EQ(Last(), std::make_pair(std::uint8_t{0x73}, zeros));
    EXPECT_EQ(link_.EnterLoader(), kLinkOk);
    EXPECT_EQ(Last(), std::make_pair(std::uint8_t{0x77}, zeros));
    EXPECT_EQ(link_.VppTest(), kLinkOk);
    EXPECT_EQ(Last(), std::make_pair(std::uint8_t{0x7A}, zeros));
    std::array<std::uint8_t, kVersionReplySize> version{};
    EXPECT_EQ(link_.GetVersion(version), kLinkOk);
    EXPECT_EQ(Last(), std::make_pair(std::uint8_t{0x72}, zeros));
    std::vector<std::uint8_t> reply(2 + 6);
    EXPECT_EQ(link_.TxDataBlock(0x0FFA, 2, reply), kLinkOk);
    EXPECT_EQ(Last(), std::make_pair(std::uint8_t{0x14}, Bytes{0xFA, 0x0F, 0x02, 0x00}));
}

TEST_F(CommandTest, StoreCommandsUseDifferentByteOrders) {
    std::vector<std::uint8_t> reply(16 + 6);
    EXPECT_EQ(link_.StoreRead(0x0A1B2C, 16, reply), kLinkOk);
    EXPECT_EQ(Last(), std::make_pair(std::uint8_t{0x74}, Bytes{0x2C, 0x1B, 16, 0x0A}));

    const Bytes data{0x11, 0x22, 0x33};
    EXPECT_EQ(link_.StoreWrite(0x0A1B2C, data), kLinkOk);
    // Offset low, middle, high, count, data, one pad byte.
    EXPECT_EQ(Last(), std::make_pair(std::uint8_t{0x76},
                                     Bytes{0x2C, 0x1B, 0x0A, 3, 0x11, 0x22, 0x33, 0xFF}));
    EXPECT_EQ(link_.StoreWrite(0, Bytes(197, 0)), kLinkCommandFailed);
}

TEST_F(CommandTest, PasswordAndConnectCarry36Bytes) {
    PasswordBytes32 password{};
    for (std::size_t i = 0; i < password.size(); ++i) password[i] = static_cast<std::uint8_t>(0xE0 + i);

    EXPECT_EQ(link_.RxPassword(0xFFE0, password), kLinkOk);
    auto [code, payload] = Last();
    EXPECT_EQ(code, 0x10);
    ASSERT_EQ(payload.size(), 36u);
    EXPECT_EQ(Bytes(payload.begin(), payload.begin() + 4), (Bytes{0xE0, 0xFF, 32, 0x00}));
    EXPECT_EQ(Bytes(payload.begin() + 4, payload.end()), Bytes(password.begin(), password.end()));

    TargetReply target;
    EXPECT_EQ(link_.TargetConnect(0x4E41, password, target), kLinkOk);
    std::tie(code, payload) = Last();
    EXPECT_EQ(code, 0x70);
    ASSERT_EQ(payload.size(), 36u);
    EXPECT_EQ(Bytes(payload.begin(), payload.begin() + 4), (Bytes{0x41, 0x4E, 0x00, 0x00}));
    EXPECT_EQ(Bytes(payload.begin() + 4, payload.end()), Bytes(password.begin(), password.end()));
    EXPECT_EQ(target.status, 0x9090);
}

TEST_F(CommandTest, DataBlocksAndSetupRecord) {
    EXPECT_EQ(link_.RxDataBlock(0x1100, Bytes{0xAA, 0xBB, 0xCC}), kLinkOk);
    EXPECT_EQ(Last(), std::make_pair(std::uint8_t{0x12},
                                     Bytes{0x00, 0x11, 3, 0x00, 0xAA, 0xBB, 0xCC, 0xFF}));
    // The loader patch goes in one block of 194 bytes; more than 196 never leaves.
    EXPECT_EQ(link_.RxDataBlock(0x0220, Bytes(194, 0x5A)), kLinkOk);
    EXPECT_EQ(line_->writes.back().size(), 194u + 4 + 6);
    const std::size_t sent = line_->writes.size();
    EXPECT_EQ(link_.RxDataBlock(0x0220, Bytes(197, 0x5A)), kLinkCommandFailed);
    EXPECT_EQ(line_->writes.size(), sent);

    std::array<std::uint8_t, kOfflineSetupSize> record{};
    for (std::size_t i = 0; i < record.size(); ++i) record[i] = static_cast<std::uint8_t>(i);
    EXPECT_EQ(link_.OfflineSetup(record), kLinkOk);
    EXPECT_EQ(Last(), std::make_pair(std::uint8_t{0x75}, Bytes(record.begin(), record.end())));
}

TEST(VersionText, StopsAtNulAndEndOfReply) {
    std::array<std::uint8_t, kVersionReplySize> reply{};
    const std::string id = "KX_VELDRAN V02.73A";
    std::copy(id.begin(), id.end(), reply.begin() + 4);
    reply[0] = 'X';
    EXPECT_EQ(VersionText(reply), id);
    reply.fill('A');
    EXPECT_EQ(VersionText(reply), std::string(22, 'A'));
}

}  // namespace
}  // namespace kx::link
