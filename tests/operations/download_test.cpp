#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "devices/device_catalogue.h"
#include "image/code_image.h"
#include "operations/offline_store.h"

namespace kx::ops {
namespace {

std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t{b[at + 3]} << 24);
}

void Fill(image::CodeImage& image, std::uint32_t from, std::uint32_t to, std::uint8_t seed) {
    for (std::uint32_t a = from; a < to; ++a) image.Set(a, static_cast<std::uint8_t>(seed + a));
}

TEST(OfflineStoreTest, PacksRunsOfLinesIntoAddressLengthBlocks) {
    image::CodeImage image;
    Fill(image, 0x1000, 0x1040, 1);
    Fill(image, 0xFFE0, 0x10000, 2);
    image.Set(0x0F00, 0x12);  // below 0x1000: never sent
    const auto store = PackOfflineStore(image, 0x10000);
    ASSERT_EQ(store.blockCount, 2U);
    ASSERT_EQ(store.bytes.size(), 112U);
    EXPECT_EQ(Le32(store.bytes, 0), 0x1000U);
    EXPECT_EQ(Le32(store.bytes, 4), 64U);
    EXPECT_EQ(store.bytes[8], image.At(0x1000));
    EXPECT_EQ(store.bytes[8 + 63], image.At(0x103F));
    EXPECT_EQ(Le32(store.bytes, 72), 0xFFE0U);
    EXPECT_EQ(Le32(store.bytes, 76), 32U);
    EXPECT_EQ(store.bytes[111], image.At(0xFFFF));

    // One byte makes its whole line data, 0xFF filler included.
    image::CodeImage single;
    single.Set(0x2005, 0x00);
    const auto one = PackOfflineStore(single, 0x10000);
    ASSERT_EQ(one.bytes.size(), 24U);
    EXPECT_EQ(Le32(one.bytes, 0), 0x2000U);
    EXPECT_EQ(Le32(one.bytes, 4), 16U);
    EXPECT_EQ(one.bytes[8], 0xFF);
    EXPECT_EQ(one.bytes[8 + 5], 0x00);

    EXPECT_EQ(PackOfflineStore(image::CodeImage{}, 0x10000).bytes.size(), 0U);
}

TEST(OfflineStoreTest, BlocksStopAtBankBoundariesAndImageEnd) {
    image::CodeImage image;
    Fill(image, 0xFFF0, 0x10010, 3);
    const auto wide = PackOfflineStore(image, devices::ImageEnd(devices::DeviceAt(49)));  // F2619
    ASSERT_EQ(wide.blockCount, 2U);
    EXPECT_EQ(Le32(wide.bytes, 0), 0xFFF0U);
    EXPECT_EQ(Le32(wide.bytes, 4), 16U);
    EXPECT_EQ(Le32(wide.bytes, 24), 0x10000U);
    EXPECT_EQ(Le32(wide.bytes, 28), 16U);

    // On a 16-bit device the data past ImageEnd do not exist.
    const auto narrow = PackOfflineStore(image, 0x10000);
    ASSERT_EQ(narrow.blockCount, 1U);
    EXPECT_EQ(narrow.bytes.size(), 24U);
}

TEST(OfflineStoreTest, SetupRecordLayout) {
    OfflineSetup setup;
    setup.blockCount = 2;
    setup.storeLength = 0x012345;
    setup.options = 0x4C8B;
    setup.autoIncrement = true;
    for (std::size_t i = 0; i < 32; ++i) setup.password[i] = static_cast<std::uint8_t>(i);
    setup.infoAddress = 0x10E8;
    for (std::size_t i = 0; i < 24; ++i) setup.productInfo[i] = static_cast<std::uint8_t>(0x80 + i);
    setup.countLimit = 0xEA60;
    const auto r = BuildOfflineSetupRecord(setup);
    EXPECT_EQ(r[0], 2);
    EXPECT_EQ(r[1], 0xFD);
    EXPECT_EQ(r[2], 0x8B);
    EXPECT_EQ(r[3], 0x4C);
    EXPECT_EQ(r[4], 0x45);
    EXPECT_EQ(r[5], 0x23);
    EXPECT_EQ(r[6], 0x01);
    EXPECT_EQ(r[7], 1);
    EXPECT_EQ(r[8], 0);
    EXPECT_EQ(r[39], 31);
    EXPECT_EQ(r[40], 0xE8);
    EXPECT_EQ(r[41], 0x10);
    EXPECT_EQ(r[42], 0x80);
    EXPECT_EQ(r[65], 0x80 + 23);
    EXPECT_EQ(r[66], 0x60);
    EXPECT_EQ(r[67], 0xEA);

    setup.blockCount = 0;
    setup.autoIncrement = false;
    const auto empty = BuildOfflineSetupRecord(setup);
    EXPECT_EQ(empty[0], 0);
    EXPECT_EQ(empty[1], 0xFF);
    EXPECT_EQ(empty[7], 0);
}

}  // namespace
}  // namespace kx::ops
