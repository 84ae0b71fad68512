#include "operations/product_info.h"

#include <gtest/gtest.h>

namespace kx::ops {
namespace {

using Record = std::array<std::uint8_t, kProductInfoSize>;

TEST(ProductInfo, RecordHoldsGbkNameCutBetweenCharactersAndSerialLittleEndian) {
    Record abc{'A', 'B', 'C'};
    abc[20] = 0x01;
    EXPECT_EQ(ProductInfoRecord("ABC", 1), abc);
    const Record big = ProductInfoRecord("ABCDEFGHIJKLMNOPQRSTUVW", 0x12345678);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(big.data())), "ABCDEFGHIJKLMNOPQRS");
    EXPECT_EQ((std::vector<int>{big[20], big[21], big[22], big[23]}),
              (std::vector<int>{0x78, 0x56, 0x34, 0x12}));
    // 中 is D6 D0; 18 bytes + one more two-byte character would need 20.
    const Record zh = ProductInfoRecord("ABCDEFGHIJKLMNOP中R中", 0);
    EXPECT_EQ(zh[16], 0xD6);
    EXPECT_EQ(zh[17], 0xD0);
    EXPECT_EQ(zh[18], 'R');
    EXPECT_EQ(zh[19], 0);
    EXPECT_FALSE(ProductNameFits("中中中中中中中中中中"));
    EXPECT_EQ(ProductNameBytes("A\xF0\x9F\x98\x80"
                               "B"),
              "A?B");  // no GBK form
}

TEST(ProductInfo, SerialTextAndTypingFilters) {
    EXPECT_EQ(SerialText(255, false), "255");
    EXPECT_EQ(SerialText(255, true), "FF");
    std::string norm;
    EXPECT_EQ(ParseSerialText("ff", true, &norm), 255u);
    EXPECT_EQ(norm, "FF");
    EXPECT_EQ(ParseSerialText("", false), 0u);
    EXPECT_EQ(ParseSerialText("4294967295", false), 0xFFFFFFFFu);
    for (auto [text, hex] :
         {std::pair{"4294967296", false}, {"12a", false}, {"100000000", true}, {"1G", true}}) {
        EXPECT_FALSE(ParseSerialText(text, hex)) << text;
    }
    EXPECT_EQ(FilterHexField("10e8", 4), "10E8");
    EXPECT_FALSE(FilterHexField("10g8", 4));
    EXPECT_FALSE(FilterHexField("1FFFF", 4));
    EXPECT_EQ(HexFieldValue("1dF00"), 0x1DF00u);
    EXPECT_EQ(HexFieldValue("FFFFFFFFF"), 0xFFFFFFFFu);  // saturates, never wraps
    EXPECT_FALSE(InfoAddressValue("11000"));             // must not become 0x1000
}

TEST(ProductInfo, AddressChecksOccupiedThenRangeThenEven) {
    image::CodeImage img;
    img.Set(0xF017, 0x00);
    const struct {
        std::uint16_t address;
        bool at1800;
        int msg;
    } cases[] = {{0x10E8, false, 0},  {0x10EA, false, 3}, {0x0FFE, false, 3}, {0x10E7, false, 4},
                 {0x1000, true, 57},  {0x19E8, true, 0},  {0x19EA, true, 57}, {0xF000, false, 58},
                 {0xF001, false, 58}, {0xF018, false, 3}};
    for (const auto& c : cases) {
        EXPECT_EQ(CheckProductInfoAddress(img, c.address, c.at1800), c.msg) << c.address;
    }
}

TEST(ProductInfo, CountLimit) {
    for (auto [text, value] : {std::pair{"0", 0xFFFF},
                               {"", 0xFFFF},
                               {"1", 1},
                               {"60000", 60000},
                               {"60001", 60000},
                               {"99999999999999999999", 60000}}) {
        EXPECT_EQ(CountLimitValue(text), value) << text;
    }
}

}  // namespace
}  // namespace kx::ops
