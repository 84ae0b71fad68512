// The simulator program on a real pseudo-terminal, driven by the real link layer over the
// POSIX transport, and its options.

#include <gtest/gtest.h>
#include <unistd.h>

#include <tuple>

#include "cli/cli_test_helpers.h"
#include "platform/serial_ports.h"
#include "sim/sim_options.h"
#include "sim_rig.h"

namespace kx::sim::test {
namespace {

using cli::test::SimProcess;

struct PtyLink {
    explicit PtyLink(const std::string& path)
        : ports(platform::MakePortProvider(link::PortPaths{path})), link(*ports, SystemClock()) {}
    std::string Version() {
        std::array<std::uint8_t, link::kVersionReplySize> reply{};
        return link.GetVersion(reply) == link::kLinkOk ? link::VersionText(reply) : "";
    }
    std::unique_ptr<link::PortProvider> ports;
    link::ProgrammerLink link;
};

// The commands are checked in process and, whole operations over the pty, by the command
// line's tests; here the program's two speeds and its trace.
TEST(SimProgram, BothSpeedsOverAPseudoTerminalWithItsTrace) {
    const std::string tracePath = ::testing::TempDir() + "kx_sim_trace.jsonl";
    SimProcess sim({"--device", "F2619", "--version", "KX_VELDRAN V02.72A", "--trace", tracePath});
    ASSERT_TRUE(sim.Started()) << sim.Log();
    PtyLink pty(sim.PtyPath());
    auto& l = pty.link;
    ASSERT_EQ(l.OpenPort(0, kLoaderBaud), link::kLinkOk);
    EXPECT_EQ(pty.Version(), "");  // at the loader's speed the firmware hears nothing
    ASSERT_EQ(l.OpenPort(0, kFirmwareBaud), link::kLinkOk);
    EXPECT_EQ(pty.Version(), "KX_VELDRAN V02.72A");
    link::TargetReply target;
    ASSERT_EQ(l.TargetConnect(0x0500, kBlank, target), link::kLinkOk);
    EXPECT_EQ(std::tuple(target.status, target.chipId), std::tuple(1, 0xF26F));
    ASSERT_EQ(l.EnterLoader(), link::kLinkOk);
    l.ClosePort();
    ASSERT_EQ(l.OpenPort(0, kLoaderBaud), link::kLinkOk);
    ASSERT_EQ(l.SyncLoader(), link::kLinkOk);
    EXPECT_EQ(l.MassErase(), link::kLinkOk);
    l.ClosePort();
    EXPECT_EQ(sim.Stop(), 0);

    const std::string text = cli::test::ReadFile(tracePath);
    for (const char* what :
         {"\"cmd\":\"TARGET_CONNECT\"", "\"cmd\":\"SYNC\"", "\"what\":\"wrong_speed\""})
        EXPECT_NE(text.find(what), std::string::npos) << what;
}

TEST(SimProgram, TimedRepliesAVanishingBoxAndAPowerCycle) {
    SimProcess sim({"--fault", "GET_VERSION:3:vanish"}, true);
    ASSERT_TRUE(sim.Started()) << sim.Log();
    PtyLink pty(sim.PtyPath());
    ASSERT_EQ(pty.link.OpenPort(0, kFirmwareBaud), link::kLinkOk);
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(pty.Version(), "KX_VELDRAN V02.73A");
    // 36 characters at 115200 take at least 3.4 ms of wire time.
    EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::microseconds(3400));
    sim.Signal(SIGUSR1);  // a restart keeps the factory firmware
    ::usleep(50000);
    EXPECT_EQ(pty.Version(), "KX_VELDRAN V02.73A");
    EXPECT_EQ(pty.Version(), "");
    EXPECT_FALSE(pty.link.IsPortAlive());
    EXPECT_EQ(sim.Stop(), 0);
}

TEST(SimOptions, ParsesDevicesValuesAndRefusesNonsense) {
    std::string error;
    auto o = ParseProgramOptions({"--device", "F149", "--chip-id", "f16c", "--store-size", "0x1000",
                                  "--loader-version", "0110", "--no-reply-checksum", "--no-timing"},
                                 error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(std::tuple(o->box.target.row, o->box.target.chipId, o->box.storeSize,
                         o->box.loaderVersion, o->box.replyChecksums, o->box.timing),
              std::tuple(13, 0xF16C, 0x1000u, 0x0110, false, false));
    o = ParseProgramOptions(
        {"--device", "MSP430F2232", "--vectors", "1,2,3,4,5,6,7,8,9,A,B,C,D,E,F,FFFF"}, error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->box.target.row, 36);
    EXPECT_EQ(ParseProgramOptions({"--device", "f2619"}, error)->box.target.row, 49);
    EXPECT_EQ(ParseProgramOptions({"--device", "F1491"}, error)->box.target.row, 13);
    EXPECT_EQ((*o->box.target.vectors)[2], 0x02);
    EXPECT_EQ((*o->box.target.vectors)[31], 0xFF);
    EXPECT_TRUE(ParseProgramOptions({}, error)->box.timing &&
                ParseProgramOptions({}, error)->box.replyChecksums);
    for (const auto& bad :
         std::vector<std::vector<std::string>>{{"--device", "F9999"},
                                               {"--device", "1A"},
                                               {"--device"},
                                               {"--chip-id", "10000"},
                                               {"--vectors", "1,2"},
                                               {"--version", "KX_VELDRAN V02.73AXY"},
                                               {"--password-file", "/nonexistent/pw.txt"}}) {
        error.clear();
        EXPECT_FALSE(ParseProgramOptions(bad, error)) << bad[0];
        EXPECT_FALSE(error.empty()) << bad[0];
    }
    std::string segError;
    const auto segments = ParseTiTxt("@FFE0\r\n01 02\r\n@1000\r\nAA\r\nq\r\n", segError);
    ASSERT_TRUE(segments) << segError;
    EXPECT_EQ((*VectorBytes(*segments))[1], 0x02);
    EXPECT_FALSE(ParseTiTxt("@FFE0\r\n0G\r\nq\r\n", segError));
    EXPECT_FALSE(ParseTiTxt("@FFE0\r\n01\r\n", segError));
}

}  // namespace
}  // namespace kx::sim::test
