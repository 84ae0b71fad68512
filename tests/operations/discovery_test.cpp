#include <gtest/gtest.h>

#include "operations/operations.h"
#include "operations/version_check.h"
#include "ops_test_helpers.h"

namespace kx::ops {
namespace {

using testing::Bench;
using testing::Msg;

TEST(Discovery, ScansUpToTheAnsweringPortAndLeavesItOpen) {
    Bench b;
    b.ports.sim.AddSilentPort(0);  // another device: GET_VERSION times out
    // index 1 has no device at all
    b.ports.sim.AddBox(2, {});
    const DiscoveryOutcome found = FindProgrammer(b.ctx);
    EXPECT_TRUE(found.found);
    EXPECT_EQ(found.portIndex, 2u);
    EXPECT_FALSE(found.firmwareOlder);
    EXPECT_TRUE(b.link.IsOpen());
    EXPECT_EQ(b.link.OpenIndex(), 2u);
    EXPECT_EQ(b.out.ShownText(), Msg(10));
    EXPECT_GE(b.ElapsedMs(), 500u);  // the silent port had its full time-out
    // The silent port was closed again: it can be opened once more.
    link::OpenFailure why{};
    EXPECT_NE(b.ports.sim.Open(0, 115200, why), nullptr);
}

TEST(Discovery, FirmwareOlderOnlyForAnOlderVersionOfThisProgrammer) {
    const struct {
        const char* id;
        bool older;
    } cases[] = {{"KX_VELDRAN V02.72A", true},
                 {"KX_VELDRAN V02.73B", false},
                 {"KX_VELDRAN V02.80A", false},
                 {"OTHER_BOX  V01.00A", false}};
    for (const auto& c : cases) {
        Bench b;
        sim::BoxConfig cfg;
        cfg.identification = c.id;
        b.ports.sim.AddBox(0, cfg);
        const DiscoveryOutcome found = FindProgrammer(b.ctx);
        EXPECT_TRUE(found.found) << c.id;
        EXPECT_EQ(found.firmwareOlder, c.older) << c.id;
        EXPECT_EQ(b.out.ShownText(), Msg(10)) << c.id;
    }
}

TEST(Discovery, NothingAnswersShowsMessage9WithPermissionHints) {
    Bench b(UiLanguage::Chinese);
    b.ports.denied = {0, 3};
    b.ports.sim.AddSilentPort(7);  // the last port tried must be closed as well
    const DiscoveryOutcome none = FindProgrammer(b.ctx);
    EXPECT_FALSE(none.found);
    EXPECT_EQ(none.portIndex, 8u);
    EXPECT_FALSE(b.link.IsOpen());
    ASSERT_EQ(none.hints.size(), 2u);
    EXPECT_NE(none.hints[0].find("/dev/ttyS0"), std::string::npos);
    EXPECT_NE(none.hints[1].find("dialout"), std::string::npos);
    EXPECT_EQ(b.out.ShownText(), Msg(9, UiLanguage::Chinese) + none.hints[0] + none.hints[1]);

    Bench quiet;
    EXPECT_FALSE(FindProgrammer(quiet.ctx).found);
    EXPECT_EQ(quiet.out.ShownText(), Msg(9));
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

TEST(VersionCheck, SeventeenUnsignedBytesDecide) {
    EXPECT_EQ(JudgeIdentificationText("KX_VELDRAN V02.73A"), FirmwareVerdict::Current);
    EXPECT_EQ(JudgeIdentificationText("KX_VELDRAN V02.73"), FirmwareVerdict::Current);
    EXPECT_EQ(JudgeIdentificationText("KX_VELDRAN V02.72Z"), FirmwareVerdict::Older);
    EXPECT_EQ(JudgeIdentificationText("KX_VELDRAN V02.7"), FirmwareVerdict::Older);  // NUL < '3'
    EXPECT_EQ(JudgeIdentificationText("KX_VELDRAN V10.00A"), FirmwareVerdict::Newer);
    EXPECT_EQ(JudgeIdentificationText("KX_VELDRAN v02.73A"), FirmwareVerdict::Foreign);
    EXPECT_EQ(JudgeIdentificationText(""), FirmwareVerdict::Foreign);
    // Bytes above 0x7F are larger, not negative.
    EXPECT_EQ(JudgeIdentificationText("KX_VELDRAN V\xB0"
                                      "2.73A"),
              FirmwareVerdict::Newer);

    std::array<std::uint8_t, link::kVersionReplySize> reply{};
    const std::string id = "KX_VELDRAN V02.72A";
    std::copy(id.begin(), id.end(), reply.begin() + 4);
    EXPECT_EQ(JudgeVersionReply(reply), FirmwareVerdict::Older);
}

}  // namespace
}  // namespace kx::ops
