// The simulator's command line on CLI11 read as it always was.

#include "sim/sim_options.h"

#include <gtest/gtest.h>

#include <regex>

namespace kx::sim {
namespace {

TEST(SimOptions, NoInlineValuesTheFirstFaultAndTheTwoVersions) {
    const std::string device999 = "unknown device '999'; give a row 0..99 or a name such as F149";
    for (const auto& [args, expected] :
         std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"--device=13"}, "unknown option '--device=13'; see --help"},
             {{"--fused=1", "--device", "999"}, "unknown option '--fused=1'; see --help"},
             {{"-hx"}, "unknown option '-hx'; see --help"},
             {{"--", "--help"}, "unknown option '--'; see --help"},
             {{"--bogus", "--device", "999"}, "unknown option '--bogus'; see --help"},
             {{"--device", "999", "--bogus"}, device999},
             {{"--device", "--x=1"},
              "unknown device '--x=1'; give a row 0..99 or a name such as F149"},
             {{"--image", "/nonexistent/a.txt", "--device", "999"}, device999},  // read last
         }) {
        std::string error;
        EXPECT_FALSE(ParseProgramOptions(args, error)) << args[0];
        EXPECT_EQ(error, expected) << args[0];
    }
    std::string error;
    auto o = ParseProgramOptions({"--version", "KX_VELDRAN V02.72A", "--version"}, error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(std::tuple(o->version, o->box.identification),
              std::tuple(true, "KX_VELDRAN V02.72A"));
    o = ParseProgramOptions({"--version", "--help", "--link", "--version"}, error);
    ASSERT_TRUE(o) << error;  // a firmware named "--help", a link named "--version"
    EXPECT_EQ(std::tuple(o->version, o->help, o->box.identification, o->linkPath),
              std::tuple(false, false, "--help", "--version"));
    // Every option the help names is one the simulator takes.
    const std::string usage = UsageText();
    const std::regex optionName("--[a-z][-a-z]*");
    for (auto it = std::sregex_iterator(usage.begin(), usage.end(), optionName);
         it != std::sregex_iterator(); ++it) {
        error.clear();
        ParseProgramOptions({it->str()}, error);
        EXPECT_EQ(error.find("unknown option"), std::string::npos) << it->str();
    }
}

}  // namespace
}  // namespace kx::sim
