#include <gtest/gtest.h>

#include "operations/operations.h"
#include "operations/version_check.h"
#include "ops_test_helpers.h"

namespace kx::ops {
namespace {

using testing::Bench;
using testing::Msg;

TEST(Discovery, StopsOnTheFirstAnsweringPortAndLeavesItOpen) {
    Bench b;
    b.ports.sim.AddSilentPort(0);  // another device; index 1 has none
    b.ports.sim.AddBox(2, {});
    const DiscoveryOutcome found = FindProgrammer(b.ctx);
    EXPECT_TRUE(found.found);
    EXPECT_EQ(found.portIndex, 2u);
    EXPECT_EQ(b.link.OpenIndex(), 2u);
    EXPECT_EQ(b.out.ShownText(), Msg(10));
    EXPECT_GE(b.ElapsedMs(), 500u);  // the silent port's time-out
}

TEST(Discovery, NothingAnsweringShowsMessage9AndPermissionHints) {
    Bench b(UiLanguage::Chinese);
    b.ports.denied = {0, 3};
    b.ports.sim.AddSilentPort(7);  // the last port tried is closed as well
    const DiscoveryOutcome none = FindProgrammer(b.ctx);
    EXPECT_FALSE(none.found);
    EXPECT_EQ(none.portIndex, 8u);
    EXPECT_FALSE(b.link.IsOpen());
    ASSERT_EQ(none.hints.size(), 2u);
    EXPECT_NE(none.hints[0].find("/dev/ttyS0"), std::string::npos);
    EXPECT_NE(none.hints[1].find("dialout"), std::string::npos);
    EXPECT_EQ(b.out.ShownText(), Msg(9, UiLanguage::Chinese) + none.hints[0] + none.hints[1]);
}

TEST(Discovery, CheckConnectionNoticesAVanishedBox) {
    Bench b;
    b.AddBox(0);
    b.out.ShowText("earlier");
    EXPECT_TRUE(CheckConnection(b.ctx));
    EXPECT_EQ(b.out.ShownText(), "earlier");
    b.Box().Vanish(0);
    EXPECT_FALSE(CheckConnection(b.ctx));
    EXPECT_EQ(b.out.ShownText(), Msg(9));
    EXPECT_FALSE(b.link.IsOpen());
}

// Discovery accepts any answering box; the run refuses all but the expected version.
TEST(VersionCheck, DiscoveryFlagsOlderFirmwareAndTheRunRefusesOthers) {
    const struct {
        const char* id;
        bool older;
        int runMsg;  // 0: the run goes on
    } cases[] = {{"KX_VELDRAN V02.72A", true, 8},
                 {"KX_VELDRAN V02.73B", false, 0},
                 {"KX_VELDRAN V02.80A", false, 60},
                 {"KX-VELDRAN V02.73A", false, 7},
                 {"KX_VELDRAN V\xB0"
                  "2.73A",
                  false, 60}};  // unsigned: 0xB0 is large
    for (const auto& c : cases) {
        Bench b;
        sim::BoxConfig cfg;
        cfg.identification = c.id;
        b.ports.sim.AddBox(0, cfg);
        const DiscoveryOutcome found = FindProgrammer(b.ctx);
        EXPECT_TRUE(found.found);
        EXPECT_EQ(found.firmwareOlder, c.older) << c.id;
        const RunOutcome r = RunProgramming(b.ctx, testing::RunInputs(0));
        EXPECT_EQ(r.success, c.runMsg == 0) << c.id;
        if (c.runMsg != 0) {
            EXPECT_EQ(b.out.ShownText(), Msg(c.runMsg)) << c.id;
        }
    }
    EXPECT_EQ(JudgeIdentificationText("KX_VELDRAN V02.7"), FirmwareVerdict::Older);  // NUL-padded
}

}  // namespace
}  // namespace kx::ops
