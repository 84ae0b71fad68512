#include "image/titxt_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/atomic_file.h"
#include "image/titxt_reader.h"
#include "image_test_helpers.h"

namespace kx::image {
namespace {

using testing::Bytes;
using testing::MustLoad;

const std::string kFfLine = "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF\r\n";

void Fill(CodeImage& image, std::uint32_t from, std::uint32_t count, std::uint8_t first = 0) {
    for (std::uint32_t k = 0; k < count; ++k) {
        image.Set(from + k, static_cast<std::uint8_t>(first + k));
    }
}

TEST(RenderImageText, PrintsRunsOfUsedBlocks) {
    CodeImage image;
    EXPECT_EQ(RenderImageText(image, 0x10000), "q\r\n");

    image.Set(0xF000, 0x31);
    image.Set(0xF001, 0x40);
    image.Set(0xF002, 0x00);
    image.Set(0xF003, 0x0A);
    EXPECT_EQ(RenderImageText(image, 0x10000),
              "@F000\r\n31 40 00 0A FF FF FF FF FF FF FF FF FF FF FF FF\r\nq\r\n");

    // Two separate runs; a block inside a run that became empty splits it.
    CodeImage two;
    Fill(two, 0x1000, 16);
    Fill(two, 0xFFF0, 16, 0xA0);
    Fill(two, 0x200, 48);
    for (std::uint32_t a = 0x210; a < 0x220; ++a) two.Set(a, 0xFF);
    EXPECT_EQ(RenderImageText(two, 0x10000),
              "@0200\r\n00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F\r\n"
              "@0220\r\n20 21 22 23 24 25 26 27 28 29 2A 2B 2C 2D 2E 2F\r\n"
              "@1000\r\n00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F\r\n"
              "@FFF0\r\nA0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB AC AD AE AF\r\nq\r\n");
}

TEST(RenderImageText, HandlesTwentyBitAddressesAndTheEnd) {
    CodeImage image;
    Fill(image, 0xFFF0, 32);  // 0xFFF0 and 0x10000: one run across the 64 KB line
    Fill(image, 0x10020, 1, 0x55);
    Fill(image, 0x1FFF0, 16);
    const std::string text = RenderImageText(image, 0x20000);
    EXPECT_EQ(text.find("@10000"), std::string::npos);
    EXPECT_EQ(text.rfind("@FFF0\r\n", 0), 0u);
    EXPECT_NE(text.find("\r\n@10020\r\n55 FF"), std::string::npos);
    EXPECT_NE(text.find("\r\n@1FFF0\r\n"), std::string::npos);
    // ImageEnd bounds the walk: the 20-bit blocks vanish with a 64 KB end.
    EXPECT_EQ(RenderImageText(image, 0x10000).find("@1"), std::string::npos);

    // A read of 8 bytes from 0xFC08 shows the whole block of 0xFC00.
    CodeImage partial;
    Fill(partial, 0xFC08, 8, 1);
    EXPECT_EQ(RenderImageText(partial, 0x10000),
              "@FC00\r\nFF FF FF FF FF FF FF FF 01 02 03 04 05 06 07 08\r\nq\r\n");
}

TEST(RenderImageText, RoundTripsThroughTheReader) {
    CodeImage image;
    Fill(image, 0x1100, 0x123, 7);
    Fill(image, 0xFFE0, 32, 0x80);
    Fill(image, 0x10000, 0x40, 3);
    image.Set(0x1150, 0xFF);  // a real 0xFF inside a used block survives
    const std::string text = RenderImageText(image, 0x20000);
    const auto load = MustLoad(text);
    ASSERT_TRUE(load.image);
    EXPECT_EQ(std::memcmp(load.image->Data(), image.Data(), kImageSize), 0);
    EXPECT_EQ(RenderImageText(*load.image, 0x20000), text);
    EXPECT_EQ(ViewTextFileBytes(text), text);
}

TEST(SaveViewText, WritesNonEmptyLinesWholeWithCrLf) {
    std::string longLine(70, '1');
    EXPECT_EQ(ViewTextFileBytes("@F000\n\n" + longLine + "\r\n\r\nq"),
              "@F000\r\n" + longLine + "\r\nq\r\n");
    EXPECT_EQ(ViewTextFileBytes(""), "");

    testing::TempFolder folder;
    const std::string path = folder.Path("Code1.TXT");
    ASSERT_TRUE(WriteFileAtomically(path, "old contents"));
    std::string error;
    const std::string view = "@1000\n31 40\n\nq\n";
    ASSERT_TRUE(SaveViewText(path, view, UiLanguage::English, &error)) << error;
    const auto saved = ReadWholeFile(path);
    ASSERT_TRUE(saved);
    EXPECT_EQ(std::string(saved->begin(), saved->end()), "@1000\r\n31 40\r\nq\r\n");
    EXPECT_EQ(MustLoad(std::string(saved->begin(), saved->end())).image->WordAt(0x1000), 0x4031);

    EXPECT_FALSE(SaveViewText(folder.Path("missing/Code1.TXT"), view, UiLanguage::English, &error));
    EXPECT_EQ(error.rfind("Cannot write the file", 0), 0u) << error;
    EXPECT_FALSE(SaveViewText(folder.Path("missing/Code1.TXT"), view, UiLanguage::Chinese, &error));
    EXPECT_EQ(error.rfind("文件无法写入", 0), 0u) << error;
}

TEST(CodeImage, BlockWalks) {
    CodeImage image;
    EXPECT_EQ(image.CountUsedBlocks(0x10000), 0u);
    image.Set(0x0FFF, 0);  // below 0x1000: never programmed
    image.Set(0x1000, 0);
    image.Set(0x101F, 0);
    image.Set(0xFFFF, 0);
    image.Set(0x10000, 0);  // only inside a 20-bit end
    EXPECT_EQ(image.CountUsedBlocks(0x10000), 3u);
    EXPECT_EQ(image.CountUsedBlocks(0x20000), 4u);
    EXPECT_EQ(image.CountUsedBlocks(0xFFF0), 2u);  // the end is exclusive

    std::vector<std::uint32_t> visited;
    image.ForEachUsedBlock(0, 0x20000, [&](std::uint32_t a) { visited.push_back(a); });
    EXPECT_EQ(visited, (std::vector<std::uint32_t>{0xFF0, 0x1000, 0x1010, 0xFFF0, 0x10000}));
    visited.clear();
    image.ForEachUsedBlock(0xFF8, 0x1010, [&](std::uint32_t a) { visited.push_back(a); });
    EXPECT_EQ(visited, (std::vector<std::uint32_t>{0x1000}));

    // 24-byte check of a product-information area; bytes past the image read as 0xFF.
    EXPECT_FALSE(image.IsBlockEmpty(0xFE8, 24));
    EXPECT_TRUE(image.IsBlockEmpty(0x1001, 24));
    EXPECT_TRUE(image.IsBlockEmpty(kImageSize - 8, 24));
    image.Set(kImageSize - 1, 0);
    EXPECT_FALSE(image.IsBlockEmpty(kImageSize - 8, 24));
}

}  // namespace
}  // namespace kx::image
