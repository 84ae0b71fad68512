#include "operations/version_check.h"
#include "ops_test_helpers.h"

namespace kx::ops {
namespace {

using namespace testing;

// The ports are asked all at once (tools/bench.sh times that); the lowest answering one
// still wins and a box above it is let go.
TEST(Discovery, LowestAnsweringPortWinsAndSilentPortsCostOneTimeOut) {
    Bench b;
    b.ports.sim.AddSilentPort(0);  // another device; index 1 has none
    b.ports.sim.AddBox(2, {});
    b.ports.sim.AddBox(5, {});
    for (unsigned index : {3u, 4u, 6u, 7u}) b.ports.sim.AddSilentPort(index);
    const DiscoveryOutcome found = FindProgrammer(b.ctx);
    EXPECT_EQ(std::tuple(found.result, found.portIndex, b.link.OpenIndex(), found.portPath),
              std::tuple(Result::Succeeded, 2u, 2u, std::string("sim:COM3")));
    EXPECT_GE(b.ElapsedMs(), 500u);  // the silent port below the box was heard out
    link::OpenFailure why{};
    EXPECT_NE(b.ports.sim.Open(5, 115200, why), nullptr);  // the other box's port is free
    EXPECT_TRUE(CheckConnection(b.ctx));
    EXPECT_EQ(b.out.ShownText(), Msg(10));
    b.ports.sim.BoxAt(2)->Vanish(0);
    EXPECT_FALSE(CheckConnection(b.ctx) || b.link.IsOpen());
    EXPECT_EQ(b.out.ShownText(), Msg(9));

    // A search again (the box's port already open) finds it once more; a box on the first
    // port wins though every port above it answers or stays silent.
    Bench ends;
    ends.ports.sim.AddBox(0, {});
    for (unsigned index = 1; index < 7; ++index) ends.ports.sim.AddSilentPort(index);
    ends.ports.sim.AddBox(7, {});
    for (int search = 0; search < 2; ++search) {
        const DiscoveryOutcome again = FindProgrammer(ends.ctx);
        EXPECT_EQ(std::tuple(again.result, again.portIndex, ends.link.OpenIndex()),
                  std::tuple(Result::Succeeded, 0u, 0u));
        EXPECT_NE(ends.ports.sim.Open(7, 115200, why), nullptr);
    }
}

TEST(Discovery, NothingAnsweringShowsMessage9AndPermissionHints) {
    Bench b(UiLanguage::Chinese);
    b.ports.denied = {0, 3};
    b.ports.sim.AddSilentPort(7);  // the last port tried is closed as well
    const DiscoveryOutcome none = FindProgrammer(b.ctx);
    EXPECT_EQ(std::tuple(none.result, none.portIndex, b.link.IsOpen()),
              std::tuple(Result::Failed, 8u, false));
    ASSERT_EQ(none.hints.size(), 2u);
    EXPECT_NE(none.hints[0].find("/dev/ttyS0"), std::string::npos);
    EXPECT_NE(none.hints[1].find("dialout"), std::string::npos);
    EXPECT_EQ(b.out.ShownText(), Msg(9, UiLanguage::Chinese) + none.hints[0] + none.hints[1]);
}

// Discovery accepts any answering box and flags older firmware; the run refuses all but the
// expected version.
TEST(VersionCheck, DiscoveryFlagsOlderFirmwareAndTheRunRefusesOthers) {
    for (auto [id, msg] : {std::pair{"KX_VELDRAN V02.72A", 8},
                           {"KX_VELDRAN V02.73B", 0},
                           {"KX_VELDRAN V02.80A", 60},
                           {"KX-VELDRAN V02.73A", 7},
                           {"KX_VELDRAN V\2602.73A", 60}}) {  // 0xB0 compares unsigned
        Bench b;
        sim::BoxConfig config;
        config.identification = id;
        b.ports.sim.AddBox(0, config);
        const DiscoveryOutcome found = FindProgrammer(b.ctx);
        EXPECT_EQ(std::tuple(found.result, found.firmwareOlder),
                  std::tuple(Result::Succeeded, msg == 8))
            << id;
        EXPECT_EQ(RunProgramming(b.ctx, b.in).result == Result::Succeeded, msg == 0) << id;
        EXPECT_TRUE(msg ? b.out.ShownText() == Msg(msg) : b.Shows(27)) << id;
    }
    EXPECT_EQ(JudgeIdentificationText("KX_VELDRAN V02.7"), FirmwareVerdict::Older);  // NUL-padded
}

TEST(VppTest, VerdictAloneInTheClearedPane) {
    for (bool fails : {false, true}) {
        Bench b(UiLanguage::Chinese);  // the texts do not change with the language
        b.AddBox(0, 0, [&](auto& c) { c.vppFails = fails; });
        b.out.ShowText("old\r\n");
        EXPECT_EQ(VppTest(b.ctx), fails ? Result::Failed : Result::Succeeded);
        EXPECT_EQ(b.out.ShownText(), fails ? "Test Failed!\r\n" : "Test OK!\r\n");
        EXPECT_EQ(b.Walk(), "VPP_TEST ");
    }
    Bench none;  // no port open: what the pane held stays
    none.out.ShowText("previous\r\n");
    EXPECT_EQ(VppTest(none.ctx), Result::Failed);
    EXPECT_EQ(none.out.ShownText(), "previous\r\n" + Msg(5));
}

}  // namespace
}  // namespace kx::ops
