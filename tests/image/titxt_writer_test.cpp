#include "image/titxt_writer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "common/atomic_file.h"
#include "image/titxt_reader.h"

namespace kx::image {
namespace {

void Fill(CodeImage& image, std::uint32_t from, std::uint32_t count, std::uint8_t first = 0) {
    for (std::uint32_t k = 0; k < count; ++k) image.Set(from + k, std::uint8_t(first + k));
}

TEST(RenderImageText, PrintsRunsOfUsedBlocks) {
    CodeImage image;
    EXPECT_EQ(RenderImageText(image, 0x10000), "q\r\n");
    Fill(image, 0x200, 48);
    for (std::uint32_t a = 0x210; a < 0x220; ++a) image.Set(a, 0xFF);  // omitted: splits
    Fill(image, 0xFC08, 8, 1);  // a partial block shows whole
    EXPECT_EQ(RenderImageText(image, 0x10000),
              "@0200\r\n00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F\r\n"
              "@0220\r\n20 21 22 23 24 25 26 27 28 29 2A 2B 2C 2D 2E 2F\r\n"
              "@FC00\r\nFF FF FF FF FF FF FF FF 01 02 03 04 05 06 07 08\r\nq\r\n");

    CodeImage wide;
    Fill(wide, 0xFFF0, 32);  // one run across 0x10000
    wide.Set(0x10020, 0x55);
    const std::string text = RenderImageText(wide, 0x20000);
    EXPECT_EQ(text.rfind("@FFF0\r\n", 0), 0u);
    EXPECT_EQ(text.find("@10000"), std::string::npos);
    EXPECT_NE(text.find("\r\n@10020\r\n55 FF"), std::string::npos);
    EXPECT_EQ(RenderImageText(wide, 0x10000).find("@1"), std::string::npos);
}

TEST(RenderImageText, RoundTripsThroughTheReaderAndTheFile) {
    CodeImage image;
    Fill(image, 0x1100, 0x123, 7);
    Fill(image, 0xFFE0, 0x40, 0x80);
    const std::string text = RenderImageText(image, 0x20000);
    auto result = ParseTiTxt({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
    ASSERT_TRUE(std::holds_alternative<TiTxtLoad>(result));
    const auto& load = std::get<TiTxtLoad>(result);
    EXPECT_EQ(std::memcmp(load.image->Data(), image.Data(), kImageSize), 0);
    EXPECT_EQ(RenderImageText(*load.image, 0x20000), text);

    // Saving writes non-empty lines whole, with CR LF; a rendered text byte for byte.
    EXPECT_EQ(ViewTextFileBytes(text), text);
    const std::string longLine(70, '1');
    EXPECT_EQ(ViewTextFileBytes("@F000\n\n" + longLine + "\r\n\r\nq"),
              "@F000\r\n" + longLine + "\r\nq\r\n");

    const auto dir = std::filesystem::temp_directory_path();
    const std::string path = (dir / ("kx_code_" + std::to_string(::getpid()) + ".TXT")).string();
    std::string error;
    ASSERT_TRUE(SaveViewText(path, text, UiLanguage::English, &error)) << error;
    EXPECT_EQ(ReadWholeFile(path), std::vector<std::uint8_t>(text.begin(), text.end()));
    std::filesystem::remove(path);
    EXPECT_FALSE(
        SaveViewText((dir / "kx-missing/a.TXT").string(), text, UiLanguage::Chinese, &error));
    EXPECT_EQ(error.rfind("文件无法写入", 0), 0u) << error;
}

TEST(CodeImage, BlockWalks) {
    CodeImage image;
    for (std::uint32_t a : {0x0FFFu, 0x1000u, 0x101Fu, 0xFFFFu, 0x10000u}) image.Set(a, 0);
    EXPECT_EQ(image.CountUsedBlocks(0x10000), 3u);  // nothing below 0x1000
    EXPECT_EQ(image.CountUsedBlocks(0x20000), 4u);
    EXPECT_EQ(image.CountUsedBlocks(0xFFF0), 2u);  // the end is exclusive
    std::vector<std::uint32_t> seen;
    image.ForEachUsedBlock(0, 0x20000, [&](std::uint32_t a) { seen.push_back(a); });
    EXPECT_EQ(seen, (std::vector<std::uint32_t>{0xFF0, 0x1000, 0x1010, 0xFFF0, 0x10000}));
    seen.clear();
    image.ForEachUsedBlock(0xFF8, 0x1010, [&](std::uint32_t a) { seen.push_back(a); });
    EXPECT_EQ(seen, (std::vector<std::uint32_t>{0x1000}));

    EXPECT_FALSE(image.IsBlockEmpty(0xFE8, 24));
    EXPECT_TRUE(image.IsBlockEmpty(0x1001, 24));
    EXPECT_TRUE(image.IsBlockEmpty(kImageSize - 8, 24));  // past the end reads 0xFF
    image.Set(kImageSize - 1, 0);
    EXPECT_FALSE(image.IsBlockEmpty(kImageSize - 8, 24));
}

}  // namespace
}  // namespace kx::image
