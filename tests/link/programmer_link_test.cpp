#include "link/programmer_link.h"

#include <gtest/gtest.h>

#include <array>

#include "fake_serial.h"

namespace kx::link {
namespace {

using testing::Bytes;
using testing::FakeLine;
using testing::FakePorts;
using testing::TimedReply;

Bytes Counting(std::size_t n, std::uint8_t first = 0) {
    Bytes bytes(n);
    for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(first + i);
    return bytes;
}

class LinkTest : public ::testing::Test {
protected:
    LinkTest() : line_(std::make_shared<FakeLine>(clock_)), link_(ports_, clock_) {
        ports_.lines[2] = line_;
        EXPECT_EQ(link_.OpenPort(2, 115200), kLinkOk);
    }

    // Every write is answered with `bytes` after `delayMs`.
    void AnswerWith(std::uint32_t delayMs, Bytes bytes) {
        line_->responder = [delayMs, bytes](const Bytes&) {
            return std::vector<TimedReply>{{delayMs, bytes}};
        };
    }
    void Silence() { line_->responder = nullptr; }
    // Virtual time spent by `call`.
    template <typename F>
    std::uint32_t Timed(F call) {
        const std::uint32_t start = clock_.NowMs();
        call();
        return clock_.NowMs() - start;
    }

    ManualClock clock_{1000};
    FakePorts ports_;
    std::shared_ptr<FakeLine> line_;
    ProgrammerLink link_;
};

TEST_F(LinkTest, AcknowledgeClassesJudgeTheByteWithinTheirTimeOut) {
    AnswerWith(3, {kAck});
    EXPECT_EQ(link_.VppTest(), kLinkOk);
    AnswerWith(3, {kNak});
    EXPECT_EQ(link_.VppTest(), kLinkCommandFailed);
    Silence();
    int status = 0;
    const std::uint32_t waited = Timed([&] { status = link_.VppTest(); });
    EXPECT_EQ(status, kLinkCommandFailed);
    EXPECT_GE(waited, 500u);
    EXPECT_LE(waited, 520u);
    // MASS_ERASE and OFFLINE_SETUP wait 1200 ms: 1100 is in time, 1300 is not.
    AnswerWith(1100, {kAck});
    EXPECT_EQ(link_.MassErase(), kLinkOk);
    AnswerWith(1300, {kAck});
    EXPECT_EQ(link_.MassErase(), kLinkCommandFailed);
    AnswerWith(490, {kAck});
    EXPECT_EQ(link_.EraseSegment(0xFF00, 0xA504), kLinkOk);
}

TEST_F(LinkTest, LateReplyIsThrownAwayByTheNextCommand) {
    AnswerWith(600, {kAck});
    EXPECT_EQ(link_.VppTest(), kLinkCommandFailed);
    clock_.Advance(200);  // the late 0x90 is now queued
    Silence();
    EXPECT_EQ(link_.BurnFuse(), kLinkCommandFailed);
    ASSERT_EQ(line_->writes.size(), 2u);
    EXPECT_EQ(line_->writes[1][1], 0x73);
}

TEST_F(LinkTest, FixedRepliesNeedTheFullLengthAndReadExactlyIt) {
    std::array<std::uint8_t, kVersionReplySize> version{};
    AnswerWith(10, Counting(25, 1));
    EXPECT_EQ(link_.GetVersion(version), kLinkCommandFailed);

    // 30 bytes: 26 are read, the 4 extra (0x90s that would pass for an acknowledge) stay
    // queued and are purged before the next frame.
    Bytes thirty = Counting(26, 1);
    thirty.insert(thirty.end(), 4, kAck);
    AnswerWith(10, thirty);
    EXPECT_EQ(link_.GetVersion(version), kLinkOk);
    EXPECT_EQ(Bytes(version.begin(), version.end()), Counting(26, 1));
    Silence();
    EXPECT_EQ(link_.VppTest(), kLinkCommandFailed);

    // The 26 bytes may come in pieces; the time-out holds for the whole reply.
    line_->responder = [](const Bytes&) {
        return std::vector<TimedReply>{{100, Counting(10)}, {499, Counting(16)}};
    };
    EXPECT_EQ(link_.GetVersion(version), kLinkOk);
    line_->responder = [](const Bytes&) {
        return std::vector<TimedReply>{{100, Counting(10)}, {520, Counting(16)}};
    };
    EXPECT_EQ(link_.GetVersion(version), kLinkCommandFailed);
    clock_.Advance(100);  // the late piece lands and is purged by the next command

    TargetReply target;
    AnswerWith(900, {0, 0, 0, 0, 0x01, 0x00, 0x49, 0xF1, 0, 0});
    EXPECT_EQ(link_.TargetConnect(0x0E00, PasswordBytes32{}, target), kLinkOk);
    EXPECT_EQ(target.status, 1);
    EXPECT_EQ(target.chipId, 0xF149);
    AnswerWith(1100, {0, 0, 0, 0, 0x01, 0x00, 0x49, 0xF1, 0, 0});
    EXPECT_EQ(link_.TargetConnect(0x0E00, PasswordBytes32{}, target), kLinkCommandFailed);
    EXPECT_EQ(target.status, kTargetNone);  // nothing left over from the earlier connect
    EXPECT_EQ(target.chipId, 0);
}

TEST_F(LinkTest, EchoLengthRepliesFollowTheRequestedCount) {
    std::vector<std::uint8_t> reply(134);
    AnswerWith(20, Counting(133));
    EXPECT_EQ(link_.TxDataBlock(0x1100, 128, reply), kLinkCommandFailed);
    AnswerWith(20, Counting(134, 7));
    EXPECT_EQ(link_.TxDataBlock(0x1100, 128, reply), kLinkOk);
    EXPECT_EQ(reply, Counting(134, 7));

    std::vector<std::uint8_t> small(22);
    AnswerWith(20, Counting(22, 3));
    EXPECT_EQ(link_.StoreRead(0x012345, 16, small), kLinkOk);
    EXPECT_EQ(small, Counting(22, 3));

    // A buffer too small for the reply is refused before anything is sent.
    const std::size_t written = line_->writes.size();
    std::vector<std::uint8_t> tooSmall(21);
    EXPECT_EQ(link_.TxDataBlock(0x1100, 16, tooSmall), kLinkCommandFailed);
    EXPECT_EQ(line_->writes.size(), written);

    // 250 bytes wait for 256, not for (250 + 6) mod 256 = 0.
    std::vector<std::uint8_t> big(256, 0xEE);
    AnswerWith(20, Counting(5));
    EXPECT_EQ(link_.TxDataBlock(0x1100, 250, big), kLinkCommandFailed);
    AnswerWith(20, Counting(256));
    EXPECT_EQ(link_.TxDataBlock(0x1100, 250, big), kLinkOk);
    EXPECT_EQ(big, Counting(256));
}

TEST_F(LinkTest, NoReplyClassAndNoReplyBuffer) {
    AnswerWith(1, {kAck});
    std::uint32_t waited = Timed([&] { EXPECT_EQ(link_.TargetRun(), kLinkCommandFailed); });
    EXPECT_EQ(waited, 0u);
    const std::array<std::uint8_t, 4> zeros{};
    EXPECT_EQ(link_.SendCommand(0x55, zeros), kLinkCommandFailed);
    EXPECT_EQ(line_->writes.back()[1], 0x55);  // still sent
    // A data command without a reply buffer reads nothing and succeeds.
    Silence();
    waited = Timed([&] { EXPECT_EQ(link_.SendCommand(0x72, zeros), kLinkOk); });
    EXPECT_EQ(waited, 0u);
}

TEST_F(LinkTest, EveryFrameIsPrecededByAReceivePurge) {
    AnswerWith(1, {kAck});
    line_->events.clear();
    EXPECT_EQ(link_.LoadPc(0x0220), kLinkOk);
    ASSERT_FALSE(line_->events.empty());
    EXPECT_EQ(line_->events.front(), std::to_string(clock_.NowMs() - 1) + " purge rx");
    ASSERT_EQ(line_->writes.size(), 1u);
    EXPECT_EQ(line_->writes[0], (Bytes{0x80, 0x1A, 0x04, 0x04, 0x20, 0x02, 0x00, 0x00, 0x5B, 0xE3}));
}

TEST_F(LinkTest, SyncLoader) {
    AnswerWith(5, {kAck});
    EXPECT_EQ(link_.SyncLoader(), kLinkOk);
    EXPECT_EQ(line_->writes.back(), Bytes{0x80});
    AnswerWith(5, {kNak});
    EXPECT_EQ(link_.SyncLoader(), kLinkSyncFailed);
    AnswerWith(25, {kAck});
    const std::uint32_t waited = Timed([&] { EXPECT_EQ(link_.SyncLoader(), kLinkSyncFailed); });
    EXPECT_GE(waited, 20u);
    EXPECT_LT(waited, 25u);
    clock_.Advance(10);
    Silence();
    EXPECT_EQ(link_.SyncLoader(), kLinkSyncFailed);
}

TEST_F(LinkTest, WaitForInputSlicesTheWaitAndCallsTheIdleHook) {
    int idleCalls = 0;
    link_.SetIdleHook([&] { ++idleCalls; });
    std::uint32_t waited = Timed([&] { EXPECT_EQ(link_.WaitForInput(1, 100), 0u); });
    EXPECT_EQ(waited, 100u);
    EXPECT_LE(line_->longestWaitMs, 20u);
    EXPECT_GE(idleCalls, 4);

    // Enough already queued: returned at once with everything there.
    line_->Arrive(0, Counting(30));
    waited = Timed([&] { EXPECT_EQ(link_.WaitForInput(26, 500), 30u); });
    EXPECT_EQ(waited, 0u);
    link_.SetIdleHook(nullptr);
    EXPECT_EQ(link_.WaitForInput(1, 0), 30u);
}

TEST_F(LinkTest, TickCounterWrapDoesNotCutTheWaitShort) {
    clock_.Advance(0xFFFFFF00u - clock_.NowMs());  // 256 ms before the counter wraps
    AnswerWith(400, {kAck});
    EXPECT_EQ(link_.VppTest(), kLinkOk);
    Silence();
    const std::uint32_t start = clock_.NowMs();
    clock_.Advance(0xFFFFFFF0u - start);
    EXPECT_EQ(link_.VppTest(), kLinkCommandFailed);
    EXPECT_EQ(clock_.NowMs() - 0xFFFFFFF0u, 500u);
}

TEST(LinkPorts, OpenCloseAndLiveness) {
    ManualClock clock;
    FakePorts ports;
    auto low = std::make_shared<FakeLine>(clock);
    auto last = std::make_shared<FakeLine>(clock);
    ports.lines[0] = low;
    ports.lines[7] = last;
    ProgrammerLink link(ports, clock);

    EXPECT_FALSE(link.IsOpen());
    link.ClosePort();  // nothing open: harmless
    EXPECT_EQ(link.WaitForInput(1, 10), 0u);
    EXPECT_EQ(link.VppTest(), kLinkCommandFailed);
    EXPECT_EQ(link.SyncLoader(), kLinkSyncFailed);

    for (unsigned index : {7u, 8u, 200u}) {
        EXPECT_EQ(link.OpenPort(index, 9600), kLinkOk);
        EXPECT_EQ(link.OpenIndex(), 7u);
        EXPECT_EQ(ports.opens.back(), std::make_pair(7u, 9600u));
    }
    EXPECT_TRUE(last->open);

    // A failed open still closes the port that was open before.
    ports.failure = OpenFailure::AccessDenied;
    EXPECT_EQ(link.OpenPort(3, 115200), kLinkOpenFailed);
    EXPECT_FALSE(link.IsOpen());
    EXPECT_FALSE(last->open);
    EXPECT_EQ(link.LastOpenFailure(), OpenFailure::AccessDenied);
    EXPECT_EQ(link.OpenPort(0, 115200, 1), kLinkOpenFailed);  // only even parity exists
    EXPECT_EQ(link.LastOpenFailure(), OpenFailure::ConfigureFailed);
    EXPECT_EQ(link.OpenPort(0, 115200), kLinkOk);
    EXPECT_EQ(link.LastOpenFailure(), OpenFailure::None);

    // Close waits at most 10 ms for a stuck transmitter, then purges and closes.
    low->transmitBusyMs = 5000;
    low->events.clear();
    link.ClosePort();
    EXPECT_EQ(low->events, (std::vector<std::string>{"10 drained 10", "10 purge tx",
                                                     "10 purge rx", "10 closed"}));

    EXPECT_EQ(link.OpenPort(0, 115200), kLinkOk);
    EXPECT_TRUE(link.IsPortAlive());
    low->alive = false;
    EXPECT_FALSE(link.IsPortAlive());
    EXPECT_FALSE(link.IsOpen());
    EXPECT_FALSE(low->open);
}

TEST(LinkPorts, ResetPulseAndLineSense) {
    ManualClock clock;
    FakePorts ports;
    auto line = std::make_shared<FakeLine>(clock);
    ports.lines[1] = line;
    ProgrammerLink link(ports, clock);
    link.ResetProgrammer();  // no port: only time passes
    ASSERT_EQ(link.OpenPort(1, 9600), kLinkOk);
    line->events.clear();
    const std::uint32_t t0 = clock.NowMs();
    link.SetDtrLine(1);
    link.SetDtrLine(0);
    link.SetDtrLine(2);
    link.SetRtsLine(1);
    link.SetRtsLine(0);
    link.ResetProgrammer();
    const auto at = [t0](std::uint32_t ms, const char* what) {
        return std::to_string(t0 + ms) + " " + what;
    };
    EXPECT_EQ(line->events, (std::vector<std::string>{
                                at(0, "dtr off"), at(0, "dtr on"), at(0, "dtr on"),
                                at(0, "rts on"), at(0, "rts off"),
                                at(0, "dtr on"), at(0, "rts off"), at(30, "dtr off"),
                                at(90, "purge tx"), at(90, "purge rx")}));
}

}  // namespace
}  // namespace kx::link
