#include "link/programmer_link.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>

#include "fake_serial.h"
#include "link/link_frame.h"

namespace kx::link {
namespace {

using namespace kx::link::testing;

Bytes Counting(std::size_t n, int first = 0) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(first + int(i));
    return b;
}

class LinkTest : public ::testing::Test {
  protected:
    LinkTest() {
        ports_.lines[2] = line_;
        EXPECT_EQ(link_.OpenPort(2, 115200), kLinkOk);
    }
    // Every write is answered with these pieces.
    void Answer(std::vector<Timed> pieces) {
        line_->responder = [pieces](const Bytes&) { return pieces; };
    }
    template <typename F>
    std::uint32_t MsSpent(F call) {
        const std::uint32_t start = clock_.NowMs();
        call();
        return clock_.NowMs() - start;
    }
    // Command code and payload of the last frame.
    std::pair<int, Bytes> Sent() const {
        const Bytes& f = line_->writes.back();
        return {f[1], Bytes(f.begin() + 4, f.end() - 2)};
    }

    ManualClock clock_{1000};
    FakePorts ports_;
    std::shared_ptr<FakeLine> line_ = std::make_shared<FakeLine>(clock_);
    ProgrammerLink link_{ports_, clock_};
};

TEST_F(LinkTest, AcknowledgeReplies) {
    Answer({{3, {kAck}}});
    EXPECT_EQ(link_.VppTest(), kLinkOk);
    Answer({{3, {kNak}}});
    EXPECT_EQ(link_.VppTest(), kLinkCommandFailed);
    Answer({{490, {kAck}}});
    EXPECT_EQ(link_.EraseSegment(0xFF00, 0xA504), kLinkOk);
    Answer({{1100, {kAck}}});  // long class: 1200 ms
    EXPECT_EQ(link_.MassErase(), kLinkOk);

    // 0x90 after 600 ms fails, and once queued it is purged before the next frame.
    Answer({{600, {kAck}}});
    EXPECT_EQ(MsSpent([&] { EXPECT_EQ(link_.VppTest(), kLinkCommandFailed); }), 500u);
    clock_.Advance(200);
    line_->responder = nullptr;
    EXPECT_EQ(link_.BurnFuse(), kLinkCommandFailed);
    EXPECT_EQ(line_->log.end()[-1], std::to_string(clock_.NowMs() - 500) + " purge rx");

    // TARGET_RUN never succeeds and does not wait; unknown codes likewise.
    Answer({{1, {kAck}}});
    EXPECT_EQ(MsSpent([&] { EXPECT_EQ(link_.TargetRun(), kLinkCommandFailed); }), 0u);
    EXPECT_EQ(link_.SendCommand(0x55, Bytes(4, 0)), kLinkCommandFailed);
}

TEST_F(LinkTest, DataReplies) {
    std::array<std::uint8_t, kVersionReplySize> version{};
    Answer({{10, Counting(25, 1)}});
    EXPECT_EQ(link_.GetVersion(version), kLinkCommandFailed);
    // 30 bytes: exactly 26 read; the surplus (0x90s) never answers the next command.
    Bytes thirty = Counting(26, 1);
    thirty.insert(thirty.end(), 4, kAck);
    Answer({{10, thirty}});
    EXPECT_EQ(link_.GetVersion(version), kLinkOk);
    EXPECT_EQ(Bytes(version.begin(), version.end()), Counting(26, 1));
    line_->responder = nullptr;
    EXPECT_EQ(link_.VppTest(), kLinkCommandFailed);
    // Pieces count together against one time-out.
    Answer({{100, Counting(10)}, {499, Counting(16)}});
    EXPECT_EQ(link_.GetVersion(version), kLinkOk);
    Answer({{100, Counting(10)}, {520, Counting(16)}});
    EXPECT_EQ(link_.GetVersion(version), kLinkCommandFailed);
    clock_.Advance(100);

    Bytes reply(140, 0xEE);
    Answer({{20, Counting(133)}});
    EXPECT_EQ(link_.TxDataBlock(0x1100, 128, reply), kLinkCommandFailed);
    Answer({{20, Counting(140, 7)}});
    EXPECT_EQ(link_.TxDataBlock(0x1100, 128, reply), kLinkOk);
    EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 134), Counting(134, 7));
    EXPECT_EQ(reply.back(), 0xEE);  // 134 read, no more
    // 250 bytes wait for 256, not (250 + 6) mod 256 = 0.
    Bytes big(256);
    Answer({{20, Counting(5)}});
    EXPECT_EQ(link_.TxDataBlock(0x1100, 250, big), kLinkCommandFailed);
    // A buffer too small for the reply is refused before anything is sent.
    const std::size_t sent = line_->writes.size();
    Bytes small(21);
    EXPECT_EQ(link_.StoreRead(0, 16, small), kLinkCommandFailed);
    EXPECT_EQ(line_->writes.size(), sent);
    // No reply buffer: nothing read, success, no wait.
    line_->responder = nullptr;
    EXPECT_EQ(MsSpent([&] { EXPECT_EQ(link_.SendCommand(0x72, Bytes(4, 0)), kLinkOk); }), 0u);

    TargetReply target;
    Answer({{900, {0, 0, 0, 0, 0x01, 0x00, 0x49, 0xF1, 0, 0}}});
    EXPECT_EQ(link_.TargetConnect(0x0E00, PasswordBytes32{}, target), kLinkOk);
    EXPECT_EQ(target.status, 1);
    EXPECT_EQ(target.chipId, 0xF149);
    Answer({{1100, {0, 0, 0, 0, 0x01, 0x00, 0x49, 0xF1, 0, 0}}});
    EXPECT_EQ(link_.TargetConnect(0x0E00, PasswordBytes32{}, target), kLinkCommandFailed);
    EXPECT_EQ(target.status, kTargetNone);  // nothing left from the earlier connect
}

TEST_F(LinkTest, CommandPayloads) {
    line_->responder = [](const Bytes& f) {
        const std::size_t n = ExpectedReplyLength(f[1], std::span(f.data() + 4, f[2]));
        return std::vector<Timed>{{1, Bytes(n == 0 ? 1 : n, kAck)}};
    };
    Bytes reply(22);
    PasswordBytes32 pw{};
    for (std::size_t i = 0; i < pw.size(); ++i) pw[i] = static_cast<std::uint8_t>(0xE0 + i);
    const auto with = [&pw](Bytes head) {
        head.insert(head.end(), pw.begin(), pw.end());
        return head;
    };
    TargetReply target;
    const std::vector<std::pair<std::function<int()>, std::pair<int, Bytes>>> cases = {
        {[&] { return link_.EraseSegment(0xFF00, 0xA50C); }, {0x16, {0x00, 0xFF, 0x0C, 0xA5}}},
        {[&] { return link_.LoadPc(0x0C22); }, {0x1A, {0x22, 0x0C, 0x00, 0x00}}},
        {[&] { return link_.SetMemOffset(0x04); }, {0x21, {0x00, 0x00, 0x04, 0x00}}},
        {[&] { return link_.BurnFuse(); }, {0x73, Bytes(4, 0)}},
        {[&] { return link_.EnterLoader(); }, {0x77, Bytes(4, 0)}},
        {[&] { return link_.TxDataBlock(0x0FFA, 16, reply); }, {0x14, {0xFA, 0x0F, 16, 0x00}}},
        // STORE_READ: count in byte 2, offset bits 16..23 in byte 3; STORE_WRITE the reverse.
        {[&] { return link_.StoreRead(0x0A1B2C, 16, reply); }, {0x74, {0x2C, 0x1B, 16, 0x0A}}},
        {[&] {
             return link_.StoreWrite(0x0A1B2C, Bytes{0x11, 0x22, 0x33});
         },
         {0x76, {0x2C, 0x1B, 0x0A, 3, 0x11, 0x22, 0x33, 0xFF}}},
        {[&] {
             return link_.RxDataBlock(0x1100, Bytes{0xAA, 0xBB, 0xCC});
         },
         {0x12, {0x00, 0x11, 3, 0x00, 0xAA, 0xBB, 0xCC, 0xFF}}},
        {[&] { return link_.RxPassword(0xFFE0, pw); }, {0x10, with({0xE0, 0xFF, 32, 0})}},
        {[&] { return link_.TargetConnect(0x4E41, pw, target); }, {0x70, with({0x41, 0x4E, 0, 0})}},
    };
    for (const auto& [call, want] : cases) {
        EXPECT_EQ(call(), kLinkOk) << want.first;
        EXPECT_EQ(Sent(), want);
    }
    // Blocks carry at most 196 data bytes (the loader patch is 194); more never leaves.
    EXPECT_EQ(link_.RxDataBlock(0x0220, Bytes(194, 0x5A)), kLinkOk);
    const std::size_t sent = line_->writes.size();
    EXPECT_EQ(link_.RxDataBlock(0x0220, Bytes(197, 0)), kLinkCommandFailed);
    EXPECT_EQ(link_.StoreWrite(0, Bytes(197, 0)), kLinkCommandFailed);
    EXPECT_EQ(line_->writes.size(), sent);

    std::array<std::uint8_t, kVersionReplySize> id{};
    std::copy_n("KX_VELDRAN V02.73A", 18, id.begin() + 4);
    EXPECT_EQ(VersionText(id), "KX_VELDRAN V02.73A");
}

TEST_F(LinkTest, SyncAndWaiting) {
    Answer({{5, {kAck}}});
    EXPECT_EQ(link_.SyncLoader(), kLinkOk);
    EXPECT_EQ(line_->writes.back(), Bytes{0x80});
    Answer({{5, {kNak}}});
    EXPECT_EQ(link_.SyncLoader(), kLinkSyncFailed);
    Answer({{25, {kAck}}});
    EXPECT_EQ(MsSpent([&] { EXPECT_EQ(link_.SyncLoader(), kLinkSyncFailed); }), 20u);

    // The wait goes in slices of at most 20 ms with the idle hook between them.
    int idle = 0;
    link_.SetIdleHook([&] { ++idle; });
    clock_.Advance(10);
    line_->responder = nullptr;
    link_.SyncLoader();  // purges the late 0x90
    EXPECT_EQ(MsSpent([&] { EXPECT_EQ(link_.WaitForInput(1, 100), 0u); }), 100u);
    EXPECT_LE(line_->longestWaitMs, 20u);
    EXPECT_GE(idle, 4);
    line_->Arrive(0, Counting(30));
    EXPECT_EQ(MsSpent([&] { EXPECT_EQ(link_.WaitForInput(26, 500), 30u); }), 0u);

    // A tick counter that wraps mid-wait neither cuts the wait short nor prolongs it.
    line_->rx.clear();
    clock_.Advance(0xFFFFFF00u - clock_.NowMs());
    Answer({{400, {kAck}}});
    EXPECT_EQ(link_.VppTest(), kLinkOk);
    line_->responder = nullptr;
    EXPECT_EQ(MsSpent([&] { EXPECT_EQ(link_.VppTest(), kLinkCommandFailed); }), 500u);
}

TEST(LinkPorts, OpenCloseLivenessAndLines) {
    ManualClock clock;
    FakePorts ports;
    auto low = std::make_shared<FakeLine>(clock);
    auto last = std::make_shared<FakeLine>(clock);
    ports.lines = {{0, low}, {7, last}};
    ProgrammerLink link(ports, clock);
    link.ClosePort();  // nothing open: harmless
    EXPECT_EQ(link.VppTest(), kLinkCommandFailed);

    for (unsigned index : {7u, 8u, 200u}) {
        EXPECT_EQ(link.OpenPort(index, 9600), kLinkOk);
        EXPECT_EQ(ports.opens.back(), std::make_pair(7u, 9600u));
    }
    // A failed open still closes the port held before, and says why it failed.
    ports.failure = OpenFailure::AccessDenied;
    EXPECT_EQ(link.OpenPort(3, 115200), kLinkOpenFailed);
    EXPECT_FALSE(link.IsOpen());
    EXPECT_FALSE(last->open);
    EXPECT_EQ(link.LastOpenFailure(), OpenFailure::AccessDenied);
    EXPECT_EQ(link.OpenPort(0, 115200, 1), kLinkOpenFailed);  // only even parity exists
    EXPECT_EQ(link.OpenPort(0, 115200), kLinkOk);
    EXPECT_EQ(link.LastOpenFailure(), OpenFailure::None);

    // Reset pulse: DTR set (level 0, inverted), RTS cleared, 30 ms, DTR cleared, 60 ms, purges.
    low->log.clear();
    link.ResetProgrammer();
    EXPECT_EQ(low->log, (std::vector<std::string>{"0 dtr on", "0 rts off", "30 dtr off",
                                                  "90 purge tx", "90 purge rx"}));
    // Close waits at most 10 ms for a stuck transmitter, then purges and closes.
    low->transmitBusyMs = 5000;
    low->log.clear();
    link.ClosePort();
    EXPECT_EQ(low->log, (std::vector<std::string>{"100 drained", "100 purge tx", "100 purge rx",
                                                  "100 closed"}));
    EXPECT_EQ(link.OpenPort(0, 115200), kLinkOk);
    low->log.clear();
    link.SetDtrLine(2);
    link.SetRtsLine(1);
    EXPECT_EQ(low->log, (std::vector<std::string>{"100 dtr on", "100 rts on"}));
    EXPECT_TRUE(link.IsPortAlive());
    low->alive = false;
    EXPECT_FALSE(link.IsPortAlive());
    EXPECT_FALSE(link.IsOpen());
    EXPECT_FALSE(low->open);
}

}  // namespace
}  // namespace kx::link
