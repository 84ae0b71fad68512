#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "devices/device_catalogue.h"
#include "operations/offline_store.h"
#include "operations/operations.h"
#include "ops_test_helpers.h"

namespace kx::ops {
namespace {

using testing::Bench;
using testing::FillImage;
using testing::Frame;
using testing::Msg;

std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t{b[at + 3]} << 24);
}

TEST(OfflineStoreTest, PackingSkipsBlankLinesAndSplitsAtBanks) {
    image::CodeImage image;
    FillImage(image, 0x1000, 0x1040);
    FillImage(image, 0xFFE0, 0x10000);
    image.Set(0x0F00, 0x12);   // below 0x1000: never sent
    image.Set(0x10005, 0x00);  // past a 16-bit device's end
    auto store = PackOfflineStore(image, 0x10000);
    ASSERT_EQ(store.blockCount, 2U);
    ASSERT_EQ(store.bytes.size(), 112U);
    EXPECT_EQ(Le32(store.bytes, 0), 0x1000U);
    EXPECT_EQ(Le32(store.bytes, 4), 64U);
    EXPECT_EQ(store.bytes[8 + 63], image.At(0x103F));
    EXPECT_EQ(Le32(store.bytes, 72), 0xFFE0U);
    EXPECT_EQ(Le32(store.bytes, 76), 32U);

    // On a 20-bit device the run over 0x10000 splits; one byte takes its whole line.
    store = PackOfflineStore(image, devices::ImageEnd(devices::DeviceAt(49)));
    ASSERT_EQ(store.blockCount, 3U);
    EXPECT_EQ(Le32(store.bytes, 112), 0x10000U);
    EXPECT_EQ(Le32(store.bytes, 116), 16U);
    EXPECT_EQ(store.bytes[120], 0xFF);
    EXPECT_EQ(store.bytes[125], 0x00);
}

struct DownloadBench : Bench {
    explicit DownloadBench(sim::BoxConfig config = {}, UiLanguage language = UiLanguage::English)
        : Bench(language) {
        AddBox(13, 0, config);
        out.SetConfirmHandler([](int, std::string_view) { return true; });
        in.deviceRow = 13;
    }
    DownloadOutcome Run() { return DownloadOffline(ctx, in); }
    const std::array<std::uint8_t, 68>& Record() { return *Box().SetupRecord(); }
    OperationInputs in;
};

TEST(OfflineDownloadTest, StoreIsWrittenAndReadBackInChunks) {
    DownloadBench b;
    FillImage(*b.image, 0x2000, 0x2090);
    FillImage(*b.image, 0x3000, 0x3090);  // 2 x (8 + 144) = 304 bytes
    ASSERT_TRUE(b.Run().success) << b.out.Text();
    std::vector<std::string> expected = {"GET_VERSION", "OFFLINE_SETUP"};
    for (int i = 0; i < 3; ++i) expected.push_back("STORE_WRITE");
    for (int i = 0; i < 3; ++i) expected.push_back("STORE_READ");
    EXPECT_EQ(b.Names(), expected);
    const auto frames = b.Frames();
    const std::uint8_t sizes[] = {128, 128, 48};
    for (int i = 0; i < 3; ++i) {
        const auto& w = frames[2 + i].payload;
        const auto& r = frames[5 + i].payload;
        EXPECT_EQ(w[0] | w[1] << 8 | w[2] << 16, i * 128);
        EXPECT_EQ(w[3], sizes[i]);
        EXPECT_EQ(r[0] | r[1] << 8 | r[3] << 16, i * 128);
        EXPECT_EQ(r[2], sizes[i]);
    }
    const auto packed = PackOfflineStore(*b.image, 0x10000).bytes;
    EXPECT_TRUE(std::equal(packed.begin(), packed.end(), b.Box().Store().begin()));
    EXPECT_EQ(b.Record()[0], 2);
    EXPECT_EQ(b.Record()[1], 0xFD);
    EXPECT_EQ(b.Record()[4] | b.Record()[5] << 8, 304);
    EXPECT_EQ(b.out.ShownText(), Msg(46) + Msg(47) + Msg(48) + Msg(35) + "0 Sec\r\n");
    EXPECT_EQ(b.out.busyOn, b.out.busyOff);

    DownloadBench e;  // a blank image: a record and nothing else
    ASSERT_TRUE(e.Run().success);
    EXPECT_EQ(e.Names(), (std::vector<std::string>{"GET_VERSION", "OFFLINE_SETUP"}));
    EXPECT_EQ(e.Record()[1], 0xFF);
}

TEST(OfflineDownloadTest, RecordFields) {
    DownloadBench b;
    b.in.useProductInfo = true;
    b.in.autoIncrement = true;
    b.in.infoAddressText = "10e8";
    b.in.productName = "ABCDEFGHIJKLMNOPQRS";  // 19 bytes
    b.in.serial = 0x01020304;
    b.in.countLimitText = "60001";
    b.words.bslPassword[15] = 0xBEEF;
    ASSERT_TRUE(b.Run().success) << b.out.Text();
    const auto& r = b.Record();
    EXPECT_EQ(r[2] & 0x80, 0x80);
    EXPECT_EQ(r[7], 1);
    EXPECT_EQ(r[38] | r[39] << 8, 0xBEEF);
    EXPECT_EQ(r[40] | r[41] << 8, 0x10E8);
    EXPECT_EQ(r[60], 'S');
    EXPECT_EQ(r[61], 0);
    EXPECT_EQ(Le32(std::vector<std::uint8_t>(r.begin() + 62, r.begin() + 66), 0), 0x01020304U);
    EXPECT_EQ(r[66] | r[67] << 8, 0xEA60);

    DownloadBench a;  // a bad address stops before the box is touched
    a.in.useProductInfo = true;
    a.in.infoAddressText = "10E9";
    EXPECT_FALSE(a.Run().success);
    EXPECT_EQ(a.out.ShownText(), Msg(3));
    EXPECT_EQ(a.Names(), std::vector<std::string>{"GET_VERSION"});
}

TEST(OfflineDownloadTest, RefusalsBeforeTheStoreIsTouched) {
    for (const auto language : {UiLanguage::English, UiLanguage::Chinese}) {
        DownloadBench b({}, language);
        for (std::uint32_t a = 0x2000; a < 0x2000 + 256 * 32; a += 32) b.image->Set(a, 0);
        EXPECT_FALSE(b.Run().success);
        EXPECT_TRUE(b.Names().empty());
        EXPECT_EQ(b.out.ShownText(), TooManyBlocksText(256, language));
    }
    EXPECT_NE(TooManyBlocksText(256, UiLanguage::English).find("256 separate blocks"),
              std::string::npos);
    DownloadBench full;  // 255 blocks still fit
    for (std::uint32_t a = 0x2000; a < 0x2000 + 255 * 32; a += 32) full.image->Set(a, 0);
    ASSERT_TRUE(full.Run().success);
    EXPECT_EQ(full.Record()[0], 255);

    for (auto [id, msg] : {std::pair{"KX_VELDRAN V02.72A", 8},
                           {"KX_VELDRAN V02.80A", 60},
                           {"KX_VELDRAX V02.73A", 7},
                           {"KX_VELDRAN V02.73Z", 0}}) {
        sim::BoxConfig config;
        config.identification = id;
        DownloadBench v(config);
        EXPECT_EQ(v.Run().success, msg == 0) << id;
        if (msg != 0) {
            EXPECT_EQ(v.out.ShownText(), Msg(msg)) << id;
        }
    }

    DownloadBench cancel;
    cancel.out.SetConfirmHandler([](int msg, std::string_view) { return msg != 55; });
    EXPECT_TRUE(cancel.Run().cancelled);
    EXPECT_TRUE(cancel.Names().empty());
}

}  // namespace
}  // namespace kx::ops
