// Whole runs compared line for line with committed output. The elapsed-time line is masked.
// Set KX_UPDATE_GOLDEN=1 to rewrite the files after an intended change, then review the diff.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <regex>
#include <string>

#include "cli_test_helpers.h"
#include "image/code_image.h"
#include "image/titxt_writer.h"

namespace kx::cli::test {
namespace {

std::string Masked(const std::string& text) {
    static const std::regex elapsed("(Time escaped:|运行时间：)[^\n]*");
    return std::regex_replace(text, elapsed, "$1<elapsed>");
}

void CompareWithGolden(const std::string& name, const std::string& actual) {
    const std::string path = std::string(KX_CLI_GOLDEN_DIR) + "/" + name;
    const char* update = std::getenv("KX_UPDATE_GOLDEN");
    if (update != nullptr && std::string(update) == "1") {
        WriteFile(path, actual);
        GTEST_SKIP() << "rewrote " << path;
    }
    const std::string expected = ReadFile(path);
    ASSERT_FALSE(expected.empty()) << "missing " << path;
    EXPECT_EQ(actual, expected);
}

class CliGolden : public ::testing::Test {
  protected:
    void SetUp() override {
        auto image = std::make_unique<image::CodeImage>();
        for (std::uint32_t a = 0; a < 0x90; ++a)
            image->Set(0xF000 + a, static_cast<std::uint8_t>(a));
        for (std::uint32_t a = 0xFFFE; a < 0x10000; ++a) image->Set(a, 0xF0);
        WriteFile(dir_.File("app.txt"), image::RenderImageText(*image, 0x10000));
        WriteFile(dir_.File("KX_VELDRAN.ini"), "[number]\nproduct_num=1000\n");
    }

    std::string Run(const SimProcess& sim, const std::string& lang) {
        const ProcessResult r =
            RunCli({"program", "app.txt", "--device", "F149", "--product-info", "--auto-increment",
                    "--name", "GOLDEN", "--port", sim.PtyPath(), "--settings", "KX_VELDRAN.ini",
                    "--lang", lang},
                   dir_.Path());
        EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
        // The pty path differs from run to run.
        return Masked(std::regex_replace(r.out, std::regex(sim.PtyPath()), "<pty>"));
    }

    TempDir dir_;
};

TEST_F(CliGolden, ProgramRunWithProductInformationInBothLanguages) {
    SimProcess sim({"--device", "13"});
    ASSERT_TRUE(sim.Started()) << sim.Log();
    CompareWithGolden("program_f149_en.txt", Run(sim, "en"));
    CompareWithGolden("program_f149_zh.txt", Run(sim, "zh"));
}

}  // namespace
}  // namespace kx::cli::test
