// Fault injection as the link layer sees it, malformed input, the trace, the ports and the
// timing model.

#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "link/link_frame.h"
#include "sim/command_names.h"
#include "sim_rig.h"

namespace kx::sim::test {
namespace {

BoxConfig WithFaults(std::initializer_list<const char*> rules) {
    BoxConfig c;
    c.target.row = 13;  // F149: plain JTAG entry
    for (const char* s : rules) {
        std::string error;
        const auto rule = ParseFaultRule(s, error);
        EXPECT_TRUE(rule.has_value()) << s << ": " << error;
        if (rule) c.faults.push_back(*rule);
    }
    return c;
}

std::vector<std::uint8_t> Frame(std::uint8_t code, std::vector<std::uint8_t> payload) {
    return link::BuildLinkFrame(code, payload);
}

std::vector<std::uint8_t> Output(Box& box) {
    std::vector<std::uint8_t> out;
    for (const auto& b : box.TakeOutput(~0ull)) out.push_back(b.value);
    return out;
}

TEST(FaultSpec, ParsesNamesCodesAndOccurrencesAndExplainsMistakes) {
    std::string error;  // a code, "any", the sync, and every action by its name
    auto r = ParseFaultRule("0x72:*:late", error);
    ASSERT_TRUE(r);
    EXPECT_EQ(std::tuple(r->code, r->occurrence.has_value()), std::tuple(0x72, false));
    EXPECT_EQ(ParseFaultRule("sync:1:vanish", error)->code, kSyncCode);
    for (const auto a :
         {FaultAction::NoReply, FaultAction::Nak, FaultAction::Short, FaultAction::Corrupt,
          FaultAction::Noise, FaultAction::Late, FaultAction::Vanish}) {
        r = ParseFaultRule("SYNC:1:" + std::string(FaultActionName(a)), error);
        EXPECT_TRUE(r && r->action == a) << FaultActionName(a);
    }
    for (const char* bad : {"RX_DATA_BLOCK:0:nak", "NOPE:1:nak", "GET_VERSION:1:explode",
                            "GET_VERSION:1", "GET_VERSION:x:nak", "A:1:nak:2"}) {
        error.clear();
        EXPECT_FALSE(ParseFaultRule(bad, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    EXPECT_EQ(CommandName(0x55), "CMD_0x55");
}

TEST(Faults, EachReplyFaultFailsTheCommandOnlyOnItsOccurrence) {
    Rig rig(WithFaults({"GET_VERSION:1:none", "GET_VERSION:2:nak", "GET_VERSION:3:short",
                        "GET_VERSION:4:corrupt", "GET_VERSION:5:late"}));
    EXPECT_EQ(rig.Version(), "");
    EXPECT_EQ(rig.Version(), "");
    EXPECT_EQ(rig.Version(), "");  // 25 of 26 bytes
    const std::string corrupted = rig.Version();
    EXPECT_EQ(rig.status, link::kLinkOk);
    EXPECT_NE(corrupted, "KX_VELDRAN V02.73A");
    const std::uint32_t before = rig.clock.NowMs();
    EXPECT_EQ(rig.Version(), "");
    EXPECT_GE(rig.clock.NowMs() - before, 500u);
    // The late reply is still on its way; the next command's purge must drop it.
    EXPECT_FALSE(rig.box->PendingOutput().empty());
    EXPECT_EQ(rig.link.VppTest(), link::kLinkOk);
    EXPECT_EQ(rig.Version(), "KX_VELDRAN V02.73A");
}

TEST(Faults, LostReplyStillProgramsButRefusalDoesNot) {
    Rig rig(WithFaults({"RX_DATA_BLOCK:1:none", "RX_DATA_BLOCK:2:nak", "SYNC:1:nak"}));
    rig.Connect(0);
    const std::vector<std::uint8_t> a{0x0F, 0x0F};
    const std::vector<std::uint8_t> b{0xF0, 0xF0};
    EXPECT_EQ(rig.link.RxDataBlock(0xF000, a), link::kLinkCommandFailed);
    EXPECT_EQ(rig.box->Target()->ByteAt(0xF000), 0x0F);
    EXPECT_EQ(rig.link.RxDataBlock(0xF002, b), link::kLinkCommandFailed);
    EXPECT_EQ(rig.box->Target()->ByteAt(0xF002), 0xFF);
    EXPECT_EQ(rig.link.RxDataBlock(0xF002, b), link::kLinkOk);
    EXPECT_EQ(rig.box->Target()->ByteAt(0xF002), 0xF0);

    ASSERT_EQ(rig.link.EnterLoader(), link::kLinkOk);
    ASSERT_EQ(rig.link.OpenPort(0, kLoaderBaud), link::kLinkOk);
    EXPECT_EQ(rig.link.SyncLoader(), link::kLinkSyncFailed);
    EXPECT_EQ(rig.link.SyncLoader(), link::kLinkOk);
}

TEST(MalformedFrames, NakOrSilenceThenTheNextGoodFrameIsAnswered) {
    Box box;
    const LineSettings line;
    const auto version = Frame(0x72, {0, 0, 0, 0});

    auto badSum = version;
    badSum.back() ^= 0x01;
    box.Receive(badSum, 0, line);
    box.Receive(version, 0, line);
    auto out = Output(box);
    ASSERT_EQ(out.size(), 1u + 26u);
    EXPECT_EQ(out[0], link::kNak);
    EXPECT_EQ(out[5], 'K');

    // Lengths that disagree: one NAK, the rest skipped up to the next plausible header.
    std::vector<std::uint8_t> badHeader{0x80, 0x12, 0x08, 0x06, 1, 2, 3, 4, 5, 6, 7, 8};
    badHeader.insert(badHeader.end(), version.begin(), version.end());
    box.Receive(badHeader, 100, line);
    out = Output(box);
    ASSERT_EQ(out.size(), 1u + 26u);
    EXPECT_EQ(out[0], link::kNak);

    // A truncated frame is dropped silently once the line has been idle.
    box.Receive(std::span(version).first(6), 200, line);
    EXPECT_TRUE(Output(box).empty());
    box.Receive(version, 200 + 20000, line);
    EXPECT_EQ(Output(box).size(), 26u);

    // Garbage before a frame, and an unknown command.
    std::vector<std::uint8_t> noisy{0x00, 0x55, 0xFF};
    noisy.insert(noisy.end(), version.begin(), version.end());
    box.Receive(noisy, 50000, line);
    EXPECT_EQ(Output(box).size(), 26u);
    box.Receive(Frame(0x3F, {0, 0}), 60000, line);
    EXPECT_EQ(Output(box), std::vector<std::uint8_t>{link::kNak});

    const auto events = box.GetTrace().Events();
    for (const char* e : {"bad_checksum", "bad_header", "truncated", "skipped"}) {
        EXPECT_NE(std::find(events.begin(), events.end(), e), events.end()) << e;
    }
}

TEST(MalformedFrames, RandomBytesNeverCrashAndTheBoxRecovers) {
    std::mt19937 rng(12345);
    for (int mode = 0; mode < 2; ++mode) {
        Box box;
        const LineSettings line{mode == 0 ? kFirmwareBaud : kLoaderBaud, true};
        std::uint64_t t = 0;
        for (int i = 0; i < 3000; ++i) {
            std::vector<std::uint8_t> chunk(rng() % 40);
            for (auto& b : chunk) b = static_cast<std::uint8_t>(rng() % 4 == 0 ? 0x80 : rng());
            box.Receive(chunk, t, line);
            t += rng() % 3000;
            box.DiscardOutput();
        }
        if (box.Mode() != BoxMode::Firmware) continue;  // random frames may reach the loader
        box.Receive(Frame(0x72, {0, 0, 0, 0}), t + 50000, LineSettings{});
        EXPECT_EQ(Output(box).size(), 26u);
    }
}

TEST(Trace, RecordsFramesRepliesAndDecodedFieldsAsJsonLines) {
    Rig rig;
    std::ostringstream sink;
    rig.box->GetTrace().SetSink(&sink);
    rig.Connect(rig.Options(0));
    const std::vector<std::uint8_t> data{1, 2};
    rig.link.RxDataBlock(0xFC00, data);
    EXPECT_EQ(rig.box->GetTrace().ReceivedCommands(),
              (std::vector<std::string>{"TARGET_CONNECT", "RX_DATA_BLOCK"}));
    const std::string text = sink.str();
    EXPECT_NE(text.find("\"dir\":\"rx\",\"baud\":115200,\"cmd\":\"TARGET_CONNECT\""),
              std::string::npos);
    EXPECT_NE(text.find("\"mode\":\"JTAG\""), std::string::npos);
    EXPECT_NE(text.find("\"status\":1,\"chip_id\":\"0xF112\""), std::string::npos);
    EXPECT_NE(text.find("\"addr\":\"0xFC00\",\"n\":2"), std::string::npos);
    EXPECT_NE(text.find("\"hex\":\"90\",\"reply\":\"ack\""), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4);
    EXPECT_EQ(JsonEscape("a\"b\\c\n"), "a\\\"b\\\\c\\u000a");
}

// Ports keep their names when the list changes, as device nodes do, and open by name
// wherever they now stand; a port held open is busy.
TEST(SimulatedPorts, NamesStayWithThePortsAndAHeldPortIsBusy) {
    ManualClock clock;
    SimulatedPorts ports(clock);
    ports.AddBox(9);  // past the last index: the last port
    ports.MovePort(7, 2);
    ports.AddSilentPort(7);  // a new device where the box stood
    EXPECT_EQ(std::tuple(ports.PortName(2), ports.PortName(7), ports.PortName(1)),
              std::tuple("sim:COM8", "sim:COM8#2", ""));
    link::ProgrammerLink link(ports, clock);
    ASSERT_EQ(link.OpenPortPath("sim:COM8", kFirmwareBaud), link::kLinkOk);
    std::array<std::uint8_t, link::kVersionReplySize> reply{};
    EXPECT_EQ(link.GetVersion(reply), link::kLinkOk);
    link::OpenFailure why{};
    EXPECT_EQ(ports.Open(2, kFirmwareBaud, why), nullptr);  // held by the link
    EXPECT_EQ(why, link::OpenFailure::Busy);
    ports.RemovePort(2);
    EXPECT_EQ(link.OpenPortPath("sim:COM8", kFirmwareBaud), link::kLinkOpenFailed);
    EXPECT_EQ(link.LastOpenFailure(), link::OpenFailure::NoSuchPort);
}

TEST(Timing, WireAndFlashTimesShowOnTheVirtualClock) {
    BoxConfig c;
    c.timing = true;
    c.target.row = 13;
    Rig rig(c);
    auto elapsed = [&](auto&& step) {
        const std::uint32_t t0 = rig.clock.NowMs();
        step();
        return rig.clock.NowMs() - t0;
    };
    // 10 + 26 characters of 11 bits at 115200 plus handling: about 3.6 ms.
    const auto version = elapsed([&] { EXPECT_EQ(rig.Version(), "KX_VELDRAN V02.73A"); });
    EXPECT_GE(version, 3u);
    EXPECT_LE(version, 6u);
    rig.Connect(0);
    // 134 characters on the wire, 64 words programmed over JTAG: about 19 ms.
    const std::vector<std::uint8_t> block(128, 0x00);
    const auto write =
        elapsed([&] { EXPECT_EQ(rig.link.RxDataBlock(0x8000, block), link::kLinkOk); });
    EXPECT_GE(write, 18u);
    EXPECT_LE(write, 23u);
    // Mass erase of main and two information segments: about 33 ms.
    const auto erase = elapsed([&] { EXPECT_EQ(rig.link.MassErase(), link::kLinkOk); });
    EXPECT_GE(erase, 30u);
    EXPECT_LE(erase, 38u);
    // The loader at 9600: one sync byte each way is about 2.3 ms.
    rig.link.EnterLoader();
    rig.link.OpenPort(0, kLoaderBaud);
    const auto sync = elapsed([&] { EXPECT_EQ(rig.link.SyncLoader(), link::kLinkOk); });
    EXPECT_GE(sync, 2u);
    EXPECT_LE(sync, 4u);
}

}  // namespace
}  // namespace kx::sim::test
