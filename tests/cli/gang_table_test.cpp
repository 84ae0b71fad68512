// The gang's table and live lines: columns stay aligned and lines stay within the terminal
// when the texts are Chinese (two columns a character, three bytes).

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/gang.h"
#include "cli/gang_board.h"

namespace kx::cli {
namespace {

TEST(GangTable, ColumnsAlignByTerminalColumnsAndLinesFitTheWidth) {
    UnitRecord good;
    good.attempt.port = "/dev/ttyUSB0";
    good.attempt.box = "KX_VELDRAN V02.73A";
    good.attempt.chipId = 0xF149;
    good.attempt.serial = 5000u;
    good.attempt.durationMs = 17449;
    good.status = kExitOk;
    UnitRecord fused;
    fused.attempt.port = "/dev/ttyUSB10";
    fused.messageText = "目标芯片已被加密，中止操作！";
    fused.attempt.durationMs = 95;
    std::istringstream table(UnitTable({good, fused}, UiLanguage::Chinese));
    std::vector<std::string> lines;
    for (std::string line; std::getline(table, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(lines[0].starts_with("端口")) << lines[0];
    EXPECT_NE(lines[1].find("5000"), std::string::npos);
    EXPECT_NE(lines[1].find("17.4 s"), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find("0.1 s"), std::string::npos) << lines[2];
    // The time column starts at the same terminal column on every row.
    const auto timeColumn = [](const std::string& line) {
        return DisplayColumns(line.substr(0, line.rfind("  ") + 2));
    };
    EXPECT_EQ(timeColumn(lines[1]), timeColumn(lines[2]));
    EXPECT_EQ(timeColumn(lines[0]), timeColumn(lines[1]));

    EXPECT_EQ(DisplayColumns("端口 ab"), 7u);
    EXPECT_EQ(FitColumns("端口ab", 3), "端");  // never half a character
    EXPECT_EQ(FitColumns("端口ab", 5), "端口a");
    EXPECT_EQ(FitColumns("abc", 10), "abc");
}

}  // namespace
}  // namespace kx::cli
