#include "security/password_dialog.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "common/atomic_file.h"
#include "image/password_file.h"
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

TEST(SecurityWords, BytesMarksAndTheImageHandOver) {
    SecurityWords words = LoadedCode();
    EXPECT_EQ(words.bslPassword[0], 0x5555);  // a load keeps the password
    EXPECT_EQ(words.vectorTable[9], 0xFF12);
    for (int i = 0; i < kVectorCount; ++i) EXPECT_EQ(words.vectorInUse[i], i == 9 || i == 15);

    words.vectorTable[2] = 0xBEEF;
    image::CodeImage code;
    WriteVectorTable(words.vectorTable, code);
    EXPECT_EQ(code.WordAt(0xFFE4), 0xBEEF);
    EXPECT_EQ(code.WordAt(0xFFFE), 0x0C00);
    EXPECT_EQ(code.CountUsedBlocks(0x10000), 2u);  // 0xFFE0..0xFFFF only
}

TEST(PasswordDialog, OpensAndFiltersTyping) {
    const auto fresh = OpenPasswordDialog(SecurityWords{});
    EXPECT_EQ(fresh.vectorFields[3], "FFFF");
    EXPECT_EQ(fresh.passwordFields[3], "FFFF");
    EXPECT_EQ(fresh.vectorEditable, (std::array<bool, 16>{}));  // nothing loaded: all locked

    auto state = OpenPasswordDialog(LoadedCode());
    for (int i = 0; i < kVectorCount; ++i) EXPECT_EQ(state.vectorEditable[i], i != 9 && i != 15);

    EditField(state, FieldGroup::Vector, 2, "1a2b");  // lower case shows upper case
    EditField(state, FieldGroup::Vector, 9, "0000");  // locked
    EditField(state, FieldGroup::Password, 0, "55x5");
    EditField(state, FieldGroup::Password, 1, "FFFF0");
    EXPECT_EQ(state.vectorFields[2], "1A2B");
    EXPECT_EQ(state.vectorFields[9], "FF12");
    EXPECT_EQ(state.passwordFields[0], "5555");
    EXPECT_EQ(state.passwordFields[1], "FFFF");
}

TEST(PasswordDialog, OkCommitsVectorsBeforeCheckingPasswords) {
    SecurityWords words = LoadedCode();
    auto state = OpenPasswordDialog(words);
    state.vectorFields[2] = "1A2B";
    state.vectorFields[13] = "12";
    state.vectorFields[11] = "";
    state.passwordFields[4] = "123";
    state.passwordFields[0] = "0";
    EXPECT_EQ(CommitDialogFields(state, words), "向量12输入长度不对");
    EXPECT_EQ(words.vectorTable[2], 0xFFFF);

    state.vectorFields[11] = "0000";
    state.vectorFields[13] = "1234";
    EXPECT_EQ(CommitDialogFields(state, words), "密码1输入长度不对");
    EXPECT_EQ(words.vectorTable[2], 0x1A2B);  // already committed
    EXPECT_EQ(words.vectorTable[9], 0xFF12);  // locked field stored back
    EXPECT_EQ(words.bslPassword[0], 0x5555);  // not yet

    state.passwordFields[0] = "0123";
    state.passwordFields[4] = "ABCD";
    EXPECT_EQ(CommitDialogFields(state, words), std::nullopt);
    EXPECT_EQ(words.bslPassword[0], 0x0123);
    EXPECT_EQ(words.bslPassword[4], 0xABCD);
}

TEST(PasswordDialog, LoadTakesOnlyThePassword) {
    const SecurityWords saved = LoadedCode();
    const auto path =
        (std::filesystem::temp_directory_path() / ("kx_dlg_" + std::to_string(::getpid()) + ".TXT"))
            .string();
    ASSERT_FALSE(image::SavePasswordFile(path, saved.vectorTable));

    SecurityWords words;
    auto state = OpenPasswordDialog(words);
    state.vectorFields[1] = "12";
    EXPECT_EQ(LoadPasswordFileIntoDialog(path, state, words), std::nullopt);
    EXPECT_EQ(words.bslPassword, saved.vectorTable);
    EXPECT_EQ(state.passwordFields[9], "FF12");
    EXPECT_EQ(state.passwordFields[15], "0C00");
    EXPECT_EQ(state.vectorFields[1], "12");
    EXPECT_EQ(words.vectorTable, SecurityWords{}.vectorTable);

    std::string damaged = image::PasswordFileText(saved.vectorTable);
    damaged[20] = 'Z';
    ASSERT_TRUE(WriteFileAtomically(path, damaged));
    words.bslPassword[0] = 0x7777;
    EXPECT_EQ(LoadPasswordFileIntoDialog(path, state, words), "文件格式不符！");
    EXPECT_EQ(words.bslPassword[0], 0x7777);
    EXPECT_EQ(state.passwordFields[0], "FFFF");
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace kx::security
