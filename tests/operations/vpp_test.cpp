#include <gtest/gtest.h>

#include "operations/operations.h"
#include "ops_test_helpers.h"

namespace kx::ops {
namespace {

using testing::Bench;
using testing::Msg;

TEST(VppTest, VerdictAloneInAClearedPane) {
    Bench b;
    b.AddBox(0);
    b.out.ShowText("old text\r\n");
    EXPECT_TRUE(VppTest(b.ctx));
    EXPECT_EQ(b.out.ShownText(), "Test OK!\r\n");
    const auto frames = b.Frames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].name, "VPP_TEST");
    EXPECT_EQ(frames[0].payload, (std::vector<std::uint8_t>{0, 0, 0, 0}));

    Bench bad(UiLanguage::Chinese);  // same text in both languages
    sim::BoxConfig cfg;
    cfg.vppFails = true;
    bad.AddBox(0, 0, cfg);
    EXPECT_FALSE(VppTest(bad.ctx));
    EXPECT_EQ(bad.out.ShownText(), "Test Failed!\r\n");

    Bench silent;
    silent.AddBox(0).Faults().Add({0x7A, std::nullopt, sim::FaultAction::NoReply});
    EXPECT_FALSE(VppTest(silent.ctx));
    EXPECT_EQ(silent.out.ShownText(), "Test Failed!\r\n");
    EXPECT_GE(silent.ElapsedMs(), 500u);
    EXPECT_LE(silent.ElapsedMs(), 540u);
}

TEST(VppTest, WithoutPortKeepsThePaneAndAppendsMessage5) {
    Bench b;
    b.out.ShowText("previous\r\n");
    EXPECT_FALSE(VppTest(b.ctx));
    EXPECT_EQ(b.out.ShownText(), "previous\r\n" + Msg(5));
}

}  // namespace
}  // namespace kx::ops
