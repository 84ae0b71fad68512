#include "operations/product_info.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace kx::ops {
namespace {

using Record = std::array<std::uint8_t, kProductInfoSize>;

std::string NameOf(const Record& r) {
    return std::string(reinterpret_cast<const char*>(r.data()));
}

TEST(ProductInfoRecord, BytesOfNameAndSerial) {
    Record abc{0x41, 0x42, 0x43};
    abc[20] = 0x01;
    EXPECT_EQ(ProductInfoRecord("ABC", 1), abc);

    const Record big = ProductInfoRecord("", 0x12345678);
    for (std::size_t i = 0; i < 20; ++i) EXPECT_EQ(big[i], 0) << i;
    EXPECT_EQ(big[20], 0x78);
    EXPECT_EQ(big[21], 0x56);
    EXPECT_EQ(big[22], 0x34);
    EXPECT_EQ(big[23], 0x12);

    // Nineteen bytes fill the name; byte 19 stays the terminating zero.
    const Record full = ProductInfoRecord("ABCDEFGHIJKLMNOPQRSTUVW", 7);
    EXPECT_EQ(NameOf(full), "ABCDEFGHIJKLMNOPQRS");
    EXPECT_EQ(full[19], 0);
    EXPECT_EQ(full[20], 7);
}

TEST(ProductInfoRecord, NameIsGbkAndNeverCutInsideACharacter) {
    // U+4E2D is D6 D0 in GBK.
    const Record zh = ProductInfoRecord("中A", 0);
    EXPECT_EQ(zh[0], 0xD6);
    EXPECT_EQ(zh[1], 0xD0);
    EXPECT_EQ(zh[2], 'A');
    EXPECT_EQ(zh[3], 0);

    // 18 ASCII bytes + a two-byte character would need 20: the character is dropped whole.
    const Record edge = ProductInfoRecord("ABCDEFGHIJKLMNOPQR中", 0);
    EXPECT_EQ(NameOf(edge), "ABCDEFGHIJKLMNOPQR");
    EXPECT_EQ(edge[18], 0);

    // Ten Chinese characters are 20 bytes: nine fit.
    const std::string ten = "中中中中中中中中中中";
    const Record cut = ProductInfoRecord(ten, 0);
    EXPECT_EQ(cut[17], 0xD0);
    EXPECT_EQ(cut[18], 0);
    EXPECT_EQ(cut[19], 0);
    EXPECT_TRUE(ProductNameFits("中中中中中中中中中"));
    EXPECT_FALSE(ProductNameFits(ten));

    // A character GBK cannot hold is marked, the rest of the name survives.
    EXPECT_EQ(ProductNameBytes("A\xF0\x9F\x98\x80"
                               "B"),
              "A?B");
    EXPECT_FALSE(ProductNameFits("A\xF0\x9F\x98\x80"));
}

TEST(SerialText, StylesRoundTripAndTypingFilter) {
    EXPECT_EQ(SerialText(255, false), "255");
    EXPECT_EQ(SerialText(255, true), "FF");
    EXPECT_EQ(SerialText(0, true), "0");
    EXPECT_EQ(SerialText(0xFFFFFFFFu, false), "4294967295");

    std::string norm;
    EXPECT_EQ(ParseSerialText("ff", true, &norm), 255u);
    EXPECT_EQ(norm, "FF");
    EXPECT_EQ(ParseSerialText("FFFFFFFF", true), 0xFFFFFFFFu);
    EXPECT_EQ(ParseSerialText("", false), 0u);
    EXPECT_EQ(ParseSerialText("", true), 0u);
    EXPECT_EQ(ParseSerialText("4294967295", false), 0xFFFFFFFFu);

    EXPECT_FALSE(ParseSerialText("4294967296", false));   // past the counter
    EXPECT_FALSE(ParseSerialText("12345678901", false));  // 11 characters
    EXPECT_FALSE(ParseSerialText("100000000", true));     // 9 characters
    EXPECT_FALSE(ParseSerialText("12a", false));
    EXPECT_FALSE(ParseSerialText("1G", true));
    EXPECT_FALSE(ParseSerialText("-1", false));
}

TEST(HexFields, FilterValueAndAddress) {
    EXPECT_EQ(FilterHexField("10e8", 4), "10E8");
    EXPECT_EQ(FilterHexField("", 4), "");
    EXPECT_FALSE(FilterHexField("10g8", 4));
    EXPECT_FALSE(FilterHexField("1FFFF", 4));
    EXPECT_EQ(FilterHexField("1ffff", 5), "1FFFF");

    EXPECT_EQ(HexFieldValue(""), 0u);
    EXPECT_EQ(HexFieldValue("1dF00"), 0x1DF00u);
    EXPECT_EQ(HexFieldValue("FFFFFFFFF"), 0xFFFFFFFFu);  // saturates instead of wrapping

    EXPECT_EQ(InfoAddressValue("10e8"), 0x10E8);
    EXPECT_EQ(InfoAddressValue(""), 0);
    // Five digits must not silently become the 16-bit address 0x1000.
    EXPECT_FALSE(InfoAddressValue("11000"));
    EXPECT_FALSE(InfoAddressValue("10x0"));
}

TEST(ProductInfoAddress, OccupiedThenRangeThenEven) {
    image::CodeImage img;
    EXPECT_EQ(CheckProductInfoAddress(img, 0x1000, false), 0);
    EXPECT_EQ(CheckProductInfoAddress(img, 0x10E8, false), 0);
    EXPECT_EQ(CheckProductInfoAddress(img, 0x10EA, false), 3);
    EXPECT_EQ(CheckProductInfoAddress(img, 0x10E9, false), 3);
    EXPECT_EQ(CheckProductInfoAddress(img, 0x0FFE, false), 3);
    EXPECT_EQ(CheckProductInfoAddress(img, 0x1001, false), 4);
    EXPECT_EQ(CheckProductInfoAddress(img, 0x10E7, false), 4);
    EXPECT_EQ(CheckProductInfoAddress(img, 0x1000, true), 57);
    EXPECT_EQ(CheckProductInfoAddress(img, 0x1800, true), 0);
    EXPECT_EQ(CheckProductInfoAddress(img, 0x19E8, true), 0);
    EXPECT_EQ(CheckProductInfoAddress(img, 0x19EA, true), 57);
    EXPECT_EQ(CheckProductInfoAddress(img, 0x1801, true), 4);

    // Data in the record's place wins over every other finding.
    img.Set(0xF017, 0x00);  // last of the 24 bytes at 0xF000
    EXPECT_EQ(CheckProductInfoAddress(img, 0xF000, false), 58);
    EXPECT_EQ(CheckProductInfoAddress(img, 0xF001, false), 58);
    EXPECT_EQ(CheckProductInfoAddress(img, 0xF018, false), 3);  // just past the data
    img.Set(0x1040, 0x12);
    EXPECT_EQ(CheckProductInfoAddress(img, 0x1029, false), 58);  // odd, but occupied first
    EXPECT_EQ(CheckProductInfoAddress(img, 0x1028, false), 0);   // ends at 0x103F
}

TEST(CountLimit, ZeroMeansNoLimitAndLargeValuesClamp) {
    EXPECT_EQ(CountLimitValue("0"), 0xFFFF);
    EXPECT_EQ(CountLimitValue(""), 0xFFFF);
    EXPECT_EQ(CountLimitValue("1"), 1);
    EXPECT_EQ(CountLimitValue("60000"), 0xEA60);
    EXPECT_EQ(CountLimitValue("60001"), 0xEA60);
    EXPECT_EQ(CountLimitValue("65536"), 0xEA60);
    EXPECT_EQ(CountLimitValue("99999"), 0xEA60);
    EXPECT_EQ(CountLimitValue("99999999999999999999"), 0xEA60);
}

}  // namespace
}  // namespace kx::ops
