#include "settings/ini_document.h"

#include <gtest/gtest.h>

namespace kx::settings {
namespace {

TEST(IniDocument, NamesIgnoreCaseAndTheFirstMatchWins) {
    const auto doc = IniDocument::Parse(
        "top=0\n"
        "[Bool]\n"
        "  Erase = 2  \n"
        "; erase=5\n"
        "erase=3\n"
        "[other]\n"
        "erase=4\n"
        "[BOOL]\n"
        "run='quoted'\n"
        "beep=\"x\n"
        "[broken\n"
        "prog=1\n");
    EXPECT_EQ(doc.Get("bool", "ERASE"), "2");
    EXPECT_EQ(doc.Get("other", "erase"), "4");
    EXPECT_EQ(doc.Get("BOOL", "run"), "quoted");  // a pair of quotes is dropped
    EXPECT_EQ(doc.Get("BOOL", "beep"), "\"x");    // a single one is not
    EXPECT_EQ(doc.Get("bool", "prog"), "1");      // "[broken" is no header
    EXPECT_FALSE(doc.Get("", "top"));             // keys before any section belong nowhere
    EXPECT_FALSE(doc.Get("bool", "missing"));
}

TEST(IniDocument, SetKeepsEverythingElseInPlace) {
    auto doc = IniDocument::Parse(
        "\xEF\xBB\xBF; keep me\r\n"
        "[BOOL]\r\n"
        "Erase=0\r\n"
        "mine=7\r\n"
        "\r\n"
        "; about the next section\r\n"
        "[zzz]\r\n"
        "a=b\r\n");
    doc.Set("bool", "erase", "1");     // replaced, spelling of the key kept
    doc.Set("bool", "prog", "1");      // added after the section's last key
    doc.Set("number", "device", "5");  // new section at the end
    doc.Set("zzz", "text", "  padded ");
    doc.Set("zzz", "multi", std::string_view("line\r\nbreak\0x", 14));
    EXPECT_EQ(doc.Serialize(),
              "\xEF\xBB\xBF; keep me\r\n"
              "[BOOL]\r\n"
              "Erase=1\r\n"
              "mine=7\r\n"
              "prog=1\r\n"
              "\r\n"
              "; about the next section\r\n"
              "[zzz]\r\n"
              "a=b\r\n"
              "text=\"  padded \"\r\n"
              "multi=linebreakx\r\n"
              "\r\n"
              "[number]\r\n"
              "device=5\r\n");
    const auto again = IniDocument::Parse(doc.Serialize());
    EXPECT_EQ(again.Get("zzz", "text"), "  padded ");
    EXPECT_EQ(again.Serialize(), doc.Serialize());
}

TEST(IniDocument, ForeignEncodings) {
    // A GBK line becomes UTF-8; a line that is neither stays byte for byte.
    const auto doc = IniDocument::Parse("[s]\nname=\xC4\xE3\xBA\xC3\nraw=\xFF\xFE\n");
    EXPECT_EQ(doc.Get("s", "name"), "\xE4\xBD\xA0\xE5\xA5\xBD");
    EXPECT_EQ(doc.Get("s", "raw"), "\xFF\xFE");
    EXPECT_EQ(doc.Serialize(), "[s]\nname=\xE4\xBD\xA0\xE5\xA5\xBD\nraw=\xFF\xFE\n");
}

}  // namespace
}  // namespace kx::settings
