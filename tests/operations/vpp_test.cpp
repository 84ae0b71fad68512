#include <gtest/gtest.h>

#include "operations/operations.h"
#include "ops_test_helpers.h"

namespace kx::ops {
namespace {

TEST(VppTest, VerdictAloneInTheClearedPane) {
    for (bool fails : {false, true}) {
        testing::Bench b(UiLanguage::Chinese);  // the texts do not change with the language
        sim::BoxConfig cfg;
        cfg.vppFails = fails;
        b.AddBox(0, 0, cfg);
        b.out.ShowText("old\r\n");
        EXPECT_EQ(VppTest(b.ctx), !fails);
        EXPECT_EQ(b.out.ShownText(), fails ? "Test Failed!\r\n" : "Test OK!\r\n");
        ASSERT_EQ(b.Names(), std::vector<std::string>{"VPP_TEST"});
        EXPECT_EQ(b.Frames()[0].payload, (std::vector<std::uint8_t>{0, 0, 0, 0}));
    }
    testing::Bench none;
    none.out.ShowText("previous\r\n");
    EXPECT_FALSE(VppTest(none.ctx));
    EXPECT_EQ(none.out.ShownText(), "previous\r\n" + testing::Msg(5));
}

}  // namespace
}  // namespace kx::ops
