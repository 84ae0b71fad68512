#include "security/security_words.h"

#include <gtest/gtest.h>

#include "image/code_image.h"
#include "security/vector_image.h"

namespace kx::security {
namespace {

TEST(SecurityWords, StartLockedWithTheErasedChipPassword) {
    SecurityWords words;
    words.bslPassword[3] = 0;
    words.vectorInUse[5] = 0;
    words.Reset();
    for (const auto b : PasswordBytes(words.bslPassword)) EXPECT_EQ(b, 0xFF);
    for (const auto mark : words.vectorInUse) EXPECT_NE(mark, 0);

    words.bslPassword[0] = 0x1234;
    words.bslPassword[15] = 0xABCD;
    const auto bytes = PasswordBytes(words.bslPassword);
    EXPECT_EQ(bytes[0], 0x34);
    EXPECT_EQ(bytes[1], 0x12);
    EXPECT_EQ(bytes[30], 0xCD);
    EXPECT_EQ(bytes[31], 0xAB);
}

TEST(SecurityWords, FollowTheLoadedImageButKeepThePassword) {
    image::CodeImage image;
    image.Set(0xFFF2, 0x34);  // i = 9, low byte only: 0xFF34 is in use
    image.Set(0xFFFE, 0x00);  // reset vector, i = 15
    image.Set(0xFFFF, 0xF0);
    SecurityWords words;
    words.bslPassword[0] = 0x5555;
    TakeLoadedVectors(words, VectorsOfImage(image));
    for (int i = 0; i < kVectorCount; ++i) {
        EXPECT_EQ(words.vectorInUse[i], (i == 9 || i == 15) ? 1 : 0) << i;
    }
    EXPECT_EQ(words.vectorTable[9], 0xFF34);
    EXPECT_EQ(words.vectorTable[15], 0xF000);
    EXPECT_EQ(words.vectorTable[0], 0xFFFF);
    EXPECT_EQ(words.bslPassword[0], 0x5555);

    // The OK hand-over writes each word low byte first and touches nothing else.
    words.vectorTable[2] = 0xBEEF;
    WriteVectorTable(words.vectorTable, image);
    EXPECT_EQ(image.At(0xFFE4), 0xEF);
    EXPECT_EQ(image.At(0xFFE5), 0xBE);
    EXPECT_EQ(image.WordAt(0xFFFE), 0xF000);
    EXPECT_EQ(image.At(0xFFDF), 0xFF);
    EXPECT_EQ(image.CountUsedBlocks(0x10000), 2u);
}

}  // namespace
}  // namespace kx::security
