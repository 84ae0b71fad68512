#include "link/programmer_link.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "link/link_frame.h"

namespace kx::link {
namespace {

using Bytes = std::vector<std::uint8_t>;
struct Timed {
    std::uint32_t delayMs;
    Bytes bytes;
};

// Tick order that survives the 32-bit counter wrapping.
bool NotAfter(std::uint32_t a, std::uint32_t b) {
    return static_cast<std::int32_t>(a - b) <= 0;
}

// The box's end of every port: reply bytes land at virtual ticks on a ManualClock, and
// waiting moves that clock instead of sleeping. Ports 0, 2 and 7 exist.
struct FakeWire final : PortProvider {
    explicit FakeWire(ManualClock& c) : clock(c) {}
    ManualClock& clock;
    std::function<std::vector<Timed>(const Bytes&)> responder;  // answers each write
    std::vector<Bytes> writes;
    std::vector<std::string> log;                            // "<ms> <event>"
    std::vector<std::pair<std::uint32_t, std::uint8_t>> in;  // (arrival, byte) in arrival order
    OpenFailure failure = OpenFailure::NoSuchPort;
    bool alive = true;
    std::uint32_t transmitBusyMs = 0, longestWaitMs = 0;

    void Arrive(std::uint32_t delayMs, const Bytes& bytes) {
        const std::uint32_t at = clock.NowMs() + delayMs;
        auto pos =
            std::find_if(in.begin(), in.end(), [at](auto& b) { return !NotAfter(b.first, at); });
        for (const std::uint8_t byte : bytes) pos = in.insert(pos, {at, byte}) + 1;
    }
    std::size_t Due() {
        return std::size_t(std::count_if(
            in.begin(), in.end(), [this](auto& b) { return NotAfter(b.first, clock.NowMs()); }));
    }
    void Log(const std::string& what) { log.push_back(std::to_string(clock.NowMs()) + " " + what); }

    struct Device final : SerialDevice {
        explicit Device(FakeWire& wire) : w(wire) {}
        ~Device() override { w.Log("closed"); }
        std::size_t QueuedBytes() override { return w.Due(); }
        // Moves the clock to the arrival that completes `count`, else to the deadline.
        std::size_t WaitForInput(std::size_t count, std::uint32_t timeoutMs) override {
            w.longestWaitMs = std::max(w.longestWaitMs, timeoutMs);
            std::uint32_t until = w.clock.NowMs() + timeoutMs;
            if (count > 0 && count <= w.in.size() && NotAfter(w.in[count - 1].first, until))
                until = w.in[count - 1].first;
            if (!NotAfter(until, w.clock.NowMs())) w.clock.Advance(until - w.clock.NowMs());
            return w.Due();
        }
        std::size_t Read(std::uint8_t* dst, std::size_t n) override {
            const std::size_t taken = std::min(n, w.Due());
            for (std::size_t i = 0; i < taken; ++i) dst[i] = w.in[i].second;
            w.in.erase(w.in.begin(), w.in.begin() + std::ptrdiff_t(taken));
            return taken;
        }
        bool Write(const std::uint8_t* src, std::size_t n) override {
            if (!w.alive) return false;
            w.writes.emplace_back(src, src + n);
            if (w.responder) {
                for (const Timed& t : w.responder(w.writes.back())) w.Arrive(t.delayMs, t.bytes);
            }
            return true;
        }
        void PurgeReceive() override {
            w.in.erase(w.in.begin(), w.in.begin() + std::ptrdiff_t(w.Due()));
            w.Log("purge rx");
        }
        void PurgeTransmit() override { w.Log("purge tx"); }
        bool Drain(std::uint32_t maxMs) override {
            w.clock.Advance(std::min(maxMs, w.transmitBusyMs));
            w.Log("drained");
            return w.transmitBusyMs <= maxMs;
        }
        bool IsAlive() override { return w.alive; }
        void SetDtr(bool on) override { w.Log(on ? "dtr on" : "dtr off"); }
        void SetRts(bool on) override { w.Log(on ? "rts on" : "rts off"); }
        FakeWire& w;
    };

    std::unique_ptr<SerialDevice> Open(unsigned index, std::uint32_t, OpenFailure& why) override {
        if (index != 0 && index != 2 && index != 7) {
            why = failure;
            return nullptr;
        }
        return std::make_unique<Device>(*this);
    }
    std::string PortName(unsigned) const override { return {}; }
};

Bytes Counting(std::size_t n, int first = 0) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(first + int(i));
    return b;
}

using Took = std::pair<int, std::uint32_t>;  // status, virtual ms

class LinkTest : public ::testing::Test {
  protected:
    LinkTest() { EXPECT_EQ(link_.OpenPort(2, 115200), kLinkOk); }
    // Answers every write with `pieces`; the status of `call` and the virtual ms it took.
    Took Run(std::vector<Timed> pieces, const std::function<int()>& call) {
        wire_.responder = [pieces](const Bytes&) { return pieces; };
        const std::uint32_t start = clock_.NowMs();
        const int status = call();
        return {status, clock_.NowMs() - start};
    }

    ManualClock clock_{1000};
    FakeWire wire_{clock_};
    ProgrammerLink link_{wire_, clock_};
    const std::function<int()> vpp_ = [this] { return link_.VppTest(); };
};

TEST_F(LinkTest, AcknowledgeReplies) {
    EXPECT_EQ(Run({{3, {kAck}}}, vpp_), Took(kLinkOk, 3));
    EXPECT_EQ(Run({{3, {kNak}}}, vpp_), Took(kLinkCommandFailed, 3));
    EXPECT_EQ(Run({{490, {kAck}}}, [&] { return link_.EraseSegment(0xFF00, 0xA504); }),
              Took(kLinkOk, 490));
    // The long class waits 1200 ms.
    EXPECT_EQ(Run({{1100, {kAck}}}, [&] { return link_.MassErase(); }), Took(kLinkOk, 1100));
    // TARGET_RUN never succeeds and does not wait, even when 0x90 is there at once; unknown
    // codes likewise.
    EXPECT_EQ(Run({{0, {kAck}}}, [&] { return link_.TargetRun(); }), Took(kLinkCommandFailed, 0));
    EXPECT_EQ(Run({{0, {kAck}}}, [&] { return link_.SendCommand(0x55, Bytes(4, 0)); }),
              Took(kLinkCommandFailed, 0));
    // 0x90 after 600 ms fails, and once queued it is purged before the next frame.
    EXPECT_EQ(Run({{600, {kAck}}}, vpp_), Took(kLinkCommandFailed, 500));
    clock_.Advance(200);
    EXPECT_EQ(Run({}, vpp_), Took(kLinkCommandFailed, 500));
}

TEST_F(LinkTest, DataReplies) {
    // Pieces count together against one time-out; exactly 26 bytes are read, and the
    // surplus 0x90s never answer the next command.
    std::array<std::uint8_t, kVersionReplySize> version{};
    const auto getVersion = [&] { return link_.GetVersion(version); };
    EXPECT_EQ(
        Run({{100, Counting(10, 1)}, {499, Counting(16, 11)}, {499, Bytes(4, kAck)}}, getVersion),
        Took(kLinkOk, 499));
    EXPECT_EQ(Bytes(version.begin(), version.end()), Counting(26, 1));
    EXPECT_EQ(Run({}, vpp_), Took(kLinkCommandFailed, 500));
    EXPECT_EQ(Run({{100, Counting(10)}, {520, Counting(16)}}, getVersion),
              Took(kLinkCommandFailed, 500));
    clock_.Advance(100);

    // Echo class: count + 6 bytes, not one more; 252 bytes wait for 258, not (252 + 6) % 256.
    Bytes reply(258, 0xEE);
    EXPECT_EQ(Run({{20, Counting(140, 7)}}, [&] { return link_.TxDataBlock(0x1100, 128, reply); }),
              Took(kLinkOk, 20));
    EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 134), Counting(134, 7));
    EXPECT_EQ(reply[134], 0xEE);
    EXPECT_EQ(Run({{20, Counting(5)}}, [&] { return link_.TxDataBlock(0x1100, 252, reply); }),
              Took(kLinkCommandFailed, 500));
    // A buffer too small for the reply is refused before anything is sent; no buffer at all
    // reads nothing and does not wait.
    const std::size_t sent = wire_.writes.size();
    EXPECT_EQ(link_.StoreRead(0, 16, std::span(reply).first(21)), kLinkCommandFailed);
    EXPECT_EQ(wire_.writes.size(), sent);
    EXPECT_EQ(Run({}, [&] { return link_.SendCommand(0x72, Bytes(4, 0)); }), Took(kLinkOk, 0));

    TargetReply target;
    const auto connect = [&] { return link_.TargetConnect(0x0E00, PasswordBytes32{}, target); };
    const Bytes found = {0, 0, 0, 0, 0x01, 0x00, 0x49, 0xF1, 0, 0};
    EXPECT_EQ(Run({{900, found}}, connect), Took(kLinkOk, 900));
    EXPECT_EQ(target.status, 1);
    EXPECT_EQ(target.chipId, 0xF149);
    EXPECT_EQ(Run({{1100, found}}, connect), Took(kLinkCommandFailed, 1000));
    EXPECT_EQ(target.status, kTargetNone);  // nothing left from the earlier connect
}

TEST_F(LinkTest, CommandPayloads) {
    wire_.responder = [](const Bytes& f) {
        const std::size_t n = ExpectedReplyLength(f[1], std::span(f.data() + 4, f[2]));
        return std::vector<Timed>{{1, Bytes(n == 0 ? 1 : n, kAck)}};
    };
    Bytes reply(22);
    PasswordBytes32 pw{};
    pw.fill(0xE7);
    const auto with = [&pw](Bytes head) {
        head.insert(head.end(), pw.begin(), pw.end());
        return head;
    };
    TargetReply target;
    const Bytes three{0x11, 0x22, 0x33};
    const std::vector<std::pair<std::function<int()>, std::pair<int, Bytes>>> cases = {
        {[&] { return link_.EraseSegment(0xFF00, 0xA50C); }, {0x16, {0x00, 0xFF, 0x0C, 0xA5}}},
        {[&] { return link_.LoadPc(0x0C22); }, {0x1A, {0x22, 0x0C, 0x00, 0x00}}},
        {[&] { return link_.SetMemOffset(0x04); }, {0x21, {0x00, 0x00, 0x04, 0x00}}},
        {[&] { return link_.BurnFuse(); }, {0x73, Bytes(4, 0)}},
        {[&] { return link_.EnterLoader(); }, {0x77, Bytes(4, 0)}},
        {[&] { return link_.TxDataBlock(0x0FFA, 16, reply); }, {0x14, {0xFA, 0x0F, 16, 0x00}}},
        // STORE_READ: count in byte 2, offset bits 16..23 in byte 3; STORE_WRITE the reverse.
        {[&] { return link_.StoreRead(0x0A1B2C, 16, reply); }, {0x74, {0x2C, 0x1B, 16, 0x0A}}},
        {[&] { return link_.StoreWrite(0x0A1B2C, three); },
         {0x76, {0x2C, 0x1B, 0x0A, 3, 0x11, 0x22, 0x33, 0xFF}}},
        {[&] { return link_.RxDataBlock(0x1100, three); },
         {0x12, {0x00, 0x11, 3, 0x00, 0x11, 0x22, 0x33, 0xFF}}},
        {[&] { return link_.RxPassword(0xFFE0, pw); }, {0x10, with({0xE0, 0xFF, 32, 0})}},
        {[&] { return link_.TargetConnect(0x4E41, pw, target); }, {0x70, with({0x41, 0x4E, 0, 0})}},
    };
    for (const auto& [call, want] : cases) {
        EXPECT_EQ(call(), kLinkOk) << want.first;
        const Bytes& f = wire_.writes.back();
        EXPECT_EQ(std::make_pair(int(f[1]), Bytes(f.begin() + 4, f.end() - 2)), want);
    }
    // Blocks carry at most 196 data bytes (the loader patch is 194); more never leaves.
    EXPECT_EQ(link_.RxDataBlock(0x0220, Bytes(194, 0x5A)), kLinkOk);
    const std::size_t sent = wire_.writes.size();
    EXPECT_EQ(link_.RxDataBlock(0x0220, Bytes(197, 0)), kLinkCommandFailed);
    EXPECT_EQ(link_.StoreWrite(0, Bytes(197, 0)), kLinkCommandFailed);
    EXPECT_EQ(wire_.writes.size(), sent);
}

TEST_F(LinkTest, SyncAndWaiting) {
    const auto sync = [&] { return link_.SyncLoader(); };
    EXPECT_EQ(Run({{5, {kNak}}}, sync), Took(kLinkSyncFailed, 5));
    EXPECT_EQ(Run({{25, {kAck}}}, sync), Took(kLinkSyncFailed, 20));

    // The wait goes in slices of at most 20 ms with the idle hook between them.
    int idle = 0;
    link_.SetIdleHook([&] { ++idle; });
    clock_.Advance(10);
    EXPECT_EQ(Run({}, sync), Took(kLinkSyncFailed, 20));  // the late 0x90 was purged
    EXPECT_EQ(Run({}, [&] { return int(link_.WaitForInput(1, 100)); }), Took(0, 100));
    EXPECT_LE(wire_.longestWaitMs, 20u);
    EXPECT_GE(idle, 4);
    wire_.Arrive(0, Counting(30));
    EXPECT_EQ(Run({}, [&] { return int(link_.WaitForInput(26, 500)); }), Took(30, 0));

    // A tick counter that wraps mid-wait neither cuts the wait short nor prolongs it.
    wire_.in.clear();
    clock_.Advance(0xFFFFFF00u - clock_.NowMs());
    EXPECT_EQ(Run({{400, {kAck}}}, vpp_), Took(kLinkOk, 400));
    clock_.Advance(0xFFFFFF00u - clock_.NowMs());
    EXPECT_EQ(Run({}, vpp_), Took(kLinkCommandFailed, 500));
}

TEST(LinkPorts, OpenCloseLivenessAndLines) {
    ManualClock clock;
    FakeWire wire(clock);
    ProgrammerLink link(wire, clock);
    link.ClosePort();  // nothing open: harmless
    EXPECT_EQ(link.VppTest(), kLinkCommandFailed);
    // Indices past the last port mean the last port (only 0, 2 and 7 exist).
    for (unsigned index : {7u, 8u, 200u}) EXPECT_EQ(link.OpenPort(index, 9600), kLinkOk) << index;

    // A failed open still closes the port held before, and says why it failed.
    wire.failure = OpenFailure::AccessDenied;
    EXPECT_EQ(link.OpenPort(3, 115200), kLinkOpenFailed);
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(wire.log.back(), "0 closed");
    EXPECT_EQ(link.LastOpenFailure(), OpenFailure::AccessDenied);
    EXPECT_EQ(link.OpenPort(0, 115200, 1), kLinkOpenFailed);  // only even parity exists
    EXPECT_EQ(link.OpenPort(0, 115200), kLinkOk);
    EXPECT_EQ(link.LastOpenFailure(), OpenFailure::None);

    // Reset pulse: DTR set (level 0, inverted), RTS cleared, 30 ms, DTR cleared, 60 ms, purges.
    wire.log.clear();
    link.ResetProgrammer();
    EXPECT_EQ(wire.log, (std::vector<std::string>{"0 dtr on", "0 rts off", "30 dtr off",
                                                  "90 purge tx", "90 purge rx"}));
    // Close lets written bytes leave and keeps them; only a queue that is still stuck when
    // the wait runs out is discarded.
    for (const std::uint32_t busy : {300u, 5000u}) {
        ASSERT_EQ(link.OpenPort(0, 115200), kLinkOk);
        wire.transmitBusyMs = busy;
        wire.log.clear();
        const std::uint32_t start = clock.NowMs();
        link.ClosePort();
        const bool stuck = busy == 5000;
        EXPECT_EQ(clock.NowMs() - start, stuck ? 1500u : 300u);
        EXPECT_EQ(std::count(wire.log.begin(), wire.log.end(),
                             std::to_string(clock.NowMs()) + " purge tx"),
                  stuck ? 1 : 0);
        EXPECT_EQ(wire.log.back(), std::to_string(clock.NowMs()) + " closed");
    }
    EXPECT_EQ(link.OpenPort(0, 115200), kLinkOk);
    wire.log.clear();
    link.SetDtrLine(2);
    link.SetRtsLine(1);
    EXPECT_EQ(wire.log, (std::vector<std::string>{"1890 dtr on", "1890 rts on"}));
    EXPECT_TRUE(link.IsPortAlive());
    wire.alive = false;
    EXPECT_FALSE(link.IsPortAlive());
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(wire.log.back(), "1890 closed");
}

}  // namespace
}  // namespace kx::link
