#include "security/password_dialog.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "common/atomic_file.h"
#include "image/password_file.h"

namespace kx::security {
namespace {

SecurityWords LoadedCode() {
    // Code that uses only 0xFFF2 (i = 9) and the reset vector (i = 15).
    SecurityWords words;
    words.vectorTable.fill(0xFFFF);
    words.vectorInUse.fill(0);
    words.vectorTable[9] = 0xC012;
    words.vectorTable[15] = 0xC000;
    words.vectorInUse[9] = words.vectorInUse[15] = 1;
    return words;
}

TEST(PasswordDialog, OpensWithWordTextsAndLocks) {
    EXPECT_EQ(HexWord4(0x0ABC), "0ABC");
    EXPECT_EQ(HexWord4(0xFFFF), "FFFF");
    EXPECT_EQ(HexWord4(0), "0000");

    const auto fresh = OpenPasswordDialog(SecurityWords{});
    for (int i = 0; i < kVectorCount; ++i) {
        EXPECT_EQ(fresh.vectorFields[i], "FFFF");
        EXPECT_EQ(fresh.passwordFields[i], "FFFF");
        EXPECT_FALSE(fresh.vectorEditable[i]);
    }
    const auto state = OpenPasswordDialog(LoadedCode());
    EXPECT_EQ(state.vectorFields[9], "C012");
    for (int i = 0; i < kVectorCount; ++i) {
        EXPECT_EQ(state.vectorEditable[i], i != 9 && i != 15) << i;
    }
    // Locked exactly the fields 1043 and 1049.
    EXPECT_EQ(kVectorFieldIds[9], 1043);
    EXPECT_EQ(kVectorFieldIds[15], 1049);
}

TEST(PasswordDialog, TypingFilter) {
    EXPECT_EQ(FilterFieldText("12", "12a"), "12A");
    EXPECT_EQ(FilterFieldText("", "beef"), "BEEF");
    EXPECT_EQ(FilterFieldText("12", "12g"), "12");
    EXPECT_EQ(FilterFieldText("12", "1 2"), "12");
    EXPECT_EQ(FilterFieldText("ABCD", "ABCDE"), "ABCD");
    EXPECT_EQ(FilterFieldText("AB", ""), "");

    auto state = OpenPasswordDialog(LoadedCode());
    EditField(state, FieldGroup::Vector, 2, "1a2b");
    EditField(state, FieldGroup::Vector, 9, "0000");  // locked: unchanged
    EditField(state, FieldGroup::Password, 0, "x");
    EditField(state, FieldGroup::Password, 16, "0000");  // no such field
    EXPECT_EQ(state.vectorFields[2], "1A2B");
    EXPECT_EQ(state.vectorFields[9], "C012");
    EXPECT_EQ(state.passwordFields[0], "FFFF");
}

TEST(PasswordDialog, OkChecksVectorsCommitsThemThenChecksPasswords) {
    SecurityWords words = LoadedCode();
    auto state = OpenPasswordDialog(words);
    state.vectorFields[2] = "1A2B";
    state.vectorFields[13] = "12";
    state.vectorFields[11] = "";
    state.passwordFields[0] = "123";
    state.passwordFields[4] = "4";

    // The first short vector field by N stops everything; nothing is committed.
    auto message = CommitDialogFields(state, words);
    ASSERT_TRUE(message);
    EXPECT_EQ(*message, "向量12输入长度不对");
    EXPECT_EQ(words.vectorTable[2], 0xFFFF);

    // Vectors pass: they are committed even though a password field then fails.
    state.vectorFields[11] = "0000";
    state.vectorFields[13] = "1234";
    message = CommitDialogFields(state, words);
    ASSERT_TRUE(message);
    EXPECT_EQ(*message, "密码1输入长度不对");
    EXPECT_EQ(words.vectorTable[2], 0x1A2B);
    EXPECT_EQ(words.vectorTable[9], 0xC012);  // locked field stores its value back
    EXPECT_EQ(words.vectorTable[13], 0x1234);
    EXPECT_EQ(words.bslPassword[4], 0xFFFF);

    state.passwordFields[0] = "0123";
    state.passwordFields[4] = "4567";
    EXPECT_FALSE(CommitDialogFields(state, words));
    EXPECT_EQ(words.bslPassword[0], 0x0123);
    EXPECT_EQ(words.bslPassword[4], 0x4567);
    EXPECT_EQ(words.vectorInUse, LoadedCode().vectorInUse);
}

TEST(PasswordDialog, SaveThenLoadChangesOnlyThePassword) {
    SecurityWords words = LoadedCode();
    auto state = OpenPasswordDialog(words);
    state.vectorFields[0] = "AAAA";
    ASSERT_FALSE(CommitDialogFields(state, words));  // Save's checks
    const auto path = (std::filesystem::temp_directory_path() /
                       ("kx_password_" + std::to_string(::getpid()) + ".TXT"))
                          .string();
    ASSERT_FALSE(image::SavePasswordFile(path, words.vectorTable));

    SecurityWords other;  // a later run: nothing loaded, erased password
    auto reopened = OpenPasswordDialog(other);
    reopened.vectorFields[1] = "12";  // unfinished edit elsewhere stays untouched
    EXPECT_FALSE(LoadPasswordFileIntoDialog(path, reopened, other));
    EXPECT_EQ(other.bslPassword, words.vectorTable);
    EXPECT_EQ(reopened.passwordFields[0], "AAAA");
    EXPECT_EQ(reopened.passwordFields[15], "C000");
    EXPECT_EQ(reopened.vectorFields[1], "12");
    EXPECT_EQ(other.vectorTable, SecurityWords{}.vectorTable);

    // A damaged file changes nothing and says why.
    std::string damaged = image::PasswordFileText(words.vectorTable);
    damaged[20] = 'Z';
    ASSERT_TRUE(kx::WriteFileAtomically(path, damaged));
    const auto before = other.bslPassword;
    const auto message = LoadPasswordFileIntoDialog(path, reopened, other);
    ASSERT_TRUE(message);
    EXPECT_EQ(*message, "文件格式不符！");
    EXPECT_EQ(other.bslPassword, before);
    EXPECT_EQ(reopened.passwordFields[0], "AAAA");
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace kx::security
