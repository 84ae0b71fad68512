#include "settings/settings.h"

#include <gtest/gtest.h>

#include <string>

#include "settings/settings_text.h"

namespace kx::settings {
namespace {

Settings Read(const std::string& text) {
    return SettingsFromDocument(IniDocument::Parse(text));
}

// What a file holds after being read and saved again.
std::string Resaved(const std::string& text) {
    auto doc = IniDocument::Parse(text);
    WriteSettings(SettingsFromDocument(doc), doc);
    return doc.Serialize();
}

TEST(Settings, NumbersFollowTheProfileRules) {
    const Settings s = Read(
        "[BOOL]\nerase=2\nsupply_vcc=abc\nverify=\nrun=-1\nprog= 0 \nproduct_num_style=7\n"
        "[number]\nproduct_num=-1\ninfo_addr=70000\n");
    EXPECT_TRUE(s.erase);
    EXPECT_FALSE(s.supplyVcc);  // not a number: 0
    EXPECT_TRUE(s.verify);      // empty: as if missing
    EXPECT_TRUE(s.run);
    EXPECT_FALSE(s.prog);
    EXPECT_EQ(s.productNumStyle, SerialStyle::Hex);
    EXPECT_EQ(s.productNum, 4294967295u);
    EXPECT_EQ(s.infoAddr, 70000 - 65536);

    // Every serial number survives; the platform's signed reading would clamp the top half.
    EXPECT_EQ(Read("[number]\nproduct_num=4294967295\n").productNum, 4294967295u);
    EXPECT_EQ(Read("[number]\nproduct_num=12abc\n").productNum, 12u);
    EXPECT_EQ(Read("[number]\nproduct_num=99999999999\n").productNum, 4294967295u);

    const std::pair<const char*, int> devices[] = {{"99", 99}, {"100", 0},        {"-1", 0},
                                                   {"abc", 0}, {"4294967395", 0}, {"+7", 7}};
    for (const auto& [text, row] : devices) {
        EXPECT_EQ(Read(std::string("[number]\ndevice=") + text + "\n").device, row) << text;
    }

    const std::string saved = Resaved("[BOOL]\nerase=2\n");
    EXPECT_NE(saved.find("erase=1\n"), std::string::npos) << saved;
}

TEST(Settings, ProductNameIsCutToWhatTheBoxHolds) {
    const std::string nineteen = "ABCDEFGHIJKLMNOPQRS";
    Settings s;
    s.productName = nineteen;
    IniDocument doc;
    WriteSettings(s, doc);
    EXPECT_EQ(SettingsFromDocument(IniDocument::Parse(doc.Serialize())).productName, nineteen);

    EXPECT_EQ(Read("[STRING]\nproduct_name=" + nineteen + "TU\n").productName, nineteen);
    // GBK bytes from a Windows file: 测试 is four bytes there, six in UTF-8.
    EXPECT_EQ(Read("[STRING]\nproduct_name=\xB2\xE2\xCA\xD4\n").productName,
              "\xE6\xB5\x8B\xE8\xAF\x95");
    // Eight double-byte characters and four letters: 20 GBK bytes, one too many.
    std::string wide;
    for (int i = 0; i < 8; ++i) wide += "\xE6\xB5\x8B";
    EXPECT_EQ(Read("[STRING]\nproduct_name=" + wide + "ABCD\n").productName, wide + "ABC");

    for (const std::string name : {" padded ", "'quoted'"}) {
        s.productName = name;
        IniDocument d;
        WriteSettings(s, d);
        EXPECT_EQ(SettingsFromDocument(IniDocument::Parse(d.Serialize())).productName, name);
    }
}

TEST(Settings, DisplayForms) {
    EXPECT_EQ(InfoAddrDisplayText(Read("[number]\ninfo_addr=4328\n").infoAddr), "10e8");
    EXPECT_EQ(InfoAddrDisplayText(Settings{}.infoAddr), "1000");
    EXPECT_EQ(InfoAddrFromText("10E8"), 4328);
    EXPECT_EQ(InfoAddrFromText(""), 0);
    EXPECT_FALSE(InfoAddrFromText("10000"));
    EXPECT_FALSE(InfoAddrFromText("10g8"));

    const Settings s = Read("[BOOL]\nproduct_num_style=1\n[number]\nproduct_num=255\n");
    EXPECT_EQ(SerialDisplayText(s.productNum, s.productNumStyle), "FF");
    EXPECT_EQ(SerialDisplayText(4294967295u, SerialStyle::Hex), "FFFFFFFF");
}

}  // namespace
}  // namespace kx::settings
