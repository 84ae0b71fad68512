#include "security/password_dialog.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <tuple>

#include "image/password_file.h"
#include "platform/atomic_file.h"
#include "security/vector_image.h"

namespace kx::security {
namespace {

// Code that uses only 0xFFF2 (i = 9, field 1043) and the reset vector (i = 15, field 1049).
SecurityWords LoadedCode() {
    image::CodeImage code;
    code.Set(0xFFF2, 0x12);  // low byte alone: 0xFF12 is in use
    code.Set(0xFFFE, 0x00);
    code.Set(0xFFFF, 0x0C);
    SecurityWords words;
    words.bslPassword[0] = 0x5555;
    TakeLoadedVectors(words, VectorsOfImage(code));
    return words;
}

TEST(PasswordDialog, TypingThenOkCommitsVectorsBeforePasswordsAndHandsThemToTheImage) {
    EXPECT_EQ(OpenPasswordDialog(SecurityWords{}).vectorEditable, (std::array<bool, 16>{}));
    SecurityWords words = LoadedCode();
    auto state = OpenPasswordDialog(words);
    // A load marks the vectors the code sets (so their fields lock) and keeps the password.
    for (int i = 0; i < image::kVectorCount; ++i)
        EXPECT_EQ(state.vectorEditable[i], i != 9 && i != 15);

    // Typed text that the filter refuses, or a locked field, keeps the field as it was; short
    // fields fail the OK check, the first in each group by number.
    using enum FieldGroup;
    const std::tuple<FieldGroup, int, const char*> typing[] = {
        {Vector, 2, "1a2b"},   {Vector, 9, "0000"},    {Vector, 13, "12"}, {Vector, 11, ""},
        {Password, 0, "55x5"}, {Password, 1, "FFFF0"}, {Password, 6, ""},  {Password, 4, "123"}};
    for (const auto& [group, index, text] : typing) EditField(state, group, index, text);
    EXPECT_EQ(state.vectorFields[2], "1A2B");
    EXPECT_EQ(CommitDialogFields(state, words), "向量12输入长度不对");
    EXPECT_EQ(words.vectorTable[2], 0xFFFF);

    EditField(state, Vector, 11, "0000");
    EditField(state, Vector, 13, "1234");
    EXPECT_EQ(CommitDialogFields(state, words), "密码5输入长度不对");
    EXPECT_EQ(words.vectorTable[2], 0x1A2B);  // already committed
    EXPECT_EQ(words.vectorTable[9], 0xFF12);  // locked field stored back
    EXPECT_EQ(words.bslPassword[4], 0xFFFF);  // not yet

    EditField(state, Password, 4, "ABCD");
    EditField(state, Password, 6, "0123");
    EXPECT_EQ(CommitDialogFields(state, words), std::nullopt);
    EXPECT_EQ(words.bslPassword[0], 0x5555);
    EXPECT_EQ(words.bslPassword[4], 0xABCD);
    EXPECT_EQ(words.bslPassword[6], 0x0123);

    image::CodeImage code;
    WriteVectorTable(words.vectorTable, code);
    EXPECT_EQ(code.WordAt(0xFFE4), 0x1A2B);
    EXPECT_EQ(code.WordAt(0xFFFE), 0x0C00);
    EXPECT_EQ(code.CountUsedBlocks(0x10000), 2u);  // 0xFFE0..0xFFFF only
}

TEST(PasswordDialog, LoadTakesOnlyThePassword) {
    const SecurityWords saved = LoadedCode();
    const auto path =
        std::filesystem::temp_directory_path() / ("kx_dlg_" + std::to_string(::getpid()) + ".TXT");
    ASSERT_FALSE(image::SavePasswordFile(path.string(), saved.vectorTable));
    SecurityWords words;
    auto state = OpenPasswordDialog(words);
    state.vectorFields[1] = "12";
    EXPECT_EQ(LoadPasswordFileIntoDialog(path.string(), state, words), std::nullopt);
    EXPECT_EQ(words.bslPassword, saved.vectorTable);
    EXPECT_EQ(state.passwordFields[15], "0C00");
    EXPECT_EQ(state.vectorFields[1], "12");
    EXPECT_EQ(words.vectorTable, SecurityWords{}.vectorTable);

    // A refused file changes nothing.
    std::string damaged = image::PasswordFileText(saved.vectorTable);
    damaged[20] = 'Z';
    ASSERT_TRUE(WriteFileAtomically(path.string(), damaged));
    EXPECT_EQ(LoadPasswordFileIntoDialog(path.string(), state, words), "文件格式不符！");
    std::filesystem::remove(path);
    EXPECT_EQ(words.bslPassword, saved.vectorTable);
    EXPECT_EQ(state.passwordFields[15], "0C00");
}

}  // namespace
}  // namespace kx::security
