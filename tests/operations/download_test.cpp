#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "operations/offline_store.h"
#include "operations/operations.h"
#include "ops_test_helpers.h"

namespace kx::ops {
namespace {

using testing::FillImage;
using testing::Msg;

std::uint32_t Le(const std::uint8_t* p, int n) {
    std::uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = v << 8 | p[i];
    return v;
}

TEST(OfflineStoreTest, PackingSkipsBlankLinesAndSplitsAtBanks) {
    image::CodeImage image;
    FillImage(image, 0x1000, 0x1040);
    FillImage(image, 0xFFE0, 0x10000);
    image.Set(0x0F00, 0x12);   // below 0x1000: never sent
    image.Set(0x10005, 0x00);  // beyond a 16-bit device's end
    auto s = PackOfflineStore(image, 0x10000);
    ASSERT_EQ(s.blockCount, 2U);
    ASSERT_EQ(s.bytes.size(), 112U);
    EXPECT_EQ(Le(&s.bytes[0], 4), 0x1000U);
    EXPECT_EQ(Le(&s.bytes[4], 4), 64U);
    EXPECT_EQ(s.bytes[71], image.At(0x103F));
    EXPECT_EQ(Le(&s.bytes[72], 4), 0xFFE0U);
    EXPECT_EQ(Le(&s.bytes[76], 4), 32U);
    // A 20-bit device splits the run at 0x10000; one byte takes its whole line.
    s = PackOfflineStore(image, 0x20000);
    ASSERT_EQ(s.blockCount, 3U);
    EXPECT_EQ(Le(&s.bytes[112], 4), 0x10000U);
    EXPECT_EQ(Le(&s.bytes[116], 4), 16U);
    EXPECT_EQ(s.bytes[125], 0x00);
    EXPECT_EQ(s.bytes[126], 0xFF);
}

struct DownloadBench : testing::Bench {
    explicit DownloadBench(std::string id = "KX_VELDRAN V02.73A",
                           UiLanguage language = UiLanguage::English)
        : Bench(language) {
        sim::BoxConfig config;
        config.identification = std::move(id);
        AddBox(13, 0, config);
        out.SetConfirmHandler([](int, std::string_view) { return true; });
        in.deviceRow = 13;
    }
    bool Run() { return DownloadOffline(ctx, in).success; }
    const std::uint8_t* Record() { return Box().SetupRecord()->data(); }
    OperationInputs in;
};

TEST(OfflineDownloadTest, StoreIsWrittenAndReadBackInChunks) {
    DownloadBench b;
    FillImage(*b.image, 0x2000, 0x2090);
    FillImage(*b.image, 0x3000, 0x3090);  // 2 x (8 + 144) = 304 bytes
    ASSERT_TRUE(b.Run()) << b.out.Text();
    const auto frames = b.Frames();
    ASSERT_EQ(frames.size(), 8U);
    for (int i = 0; i < 3; ++i) {
        const auto& w = frames[2 + i];
        const auto& r = frames[5 + i];
        ASSERT_EQ(w.name + r.name, "STORE_WRITESTORE_READ");
        EXPECT_EQ(Le(w.payload.data(), 3), i * 128U);
        EXPECT_EQ(w.payload[3], i < 2 ? 128 : 48);
        EXPECT_EQ(Le(r.payload.data(), 2) | r.payload[3] << 16, i * 128U);
        EXPECT_EQ(r.payload[2], i < 2 ? 128 : 48);
    }
    const auto packed = PackOfflineStore(*b.image, 0x10000).bytes;
    EXPECT_TRUE(std::equal(packed.begin(), packed.end(), b.Box().Store().begin()));
    EXPECT_EQ(Le(b.Record(), 2), 0xFD02U);  // count and its complement
    EXPECT_EQ(Le(b.Record() + 4, 3), 304U);
    EXPECT_EQ(b.out.ShownText(), Msg(46) + Msg(47) + Msg(48) + Msg(35) + "0 Sec\r\n");
    EXPECT_EQ(b.out.busyOn, b.out.busyOff);

    DownloadBench e;  // a blank image: the record and nothing else
    ASSERT_TRUE(e.Run());
    EXPECT_EQ(e.Names(), (std::vector<std::string>{"GET_VERSION", "OFFLINE_SETUP"}));
    EXPECT_EQ(Le(e.Record(), 2), 0xFF00U);
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
    ASSERT_TRUE(b.Run()) << b.out.Text();
    const std::uint8_t* r = b.Record();
    EXPECT_EQ(r[2] & 0x80, 0x80);
    EXPECT_EQ(r[7], 1);
    EXPECT_EQ(Le(r + 38, 2), 0xBEEFU);
    EXPECT_EQ(Le(r + 40, 2), 0x10E8U);
    EXPECT_EQ(std::string(r + 42, r + 62), std::string("ABCDEFGHIJKLMNOPQRS") + '\0');
    EXPECT_EQ(Le(r + 62, 4), 0x01020304U);
    EXPECT_EQ(Le(r + 66, 2), 0xEA60U);

    DownloadBench a;  // a bad address stops before the box is touched
    a.in.useProductInfo = true;
    a.in.infoAddressText = "10E9";
    EXPECT_FALSE(a.Run());
    EXPECT_EQ(a.out.ShownText(), Msg(3));
    EXPECT_EQ(a.Names(), std::vector<std::string>{"GET_VERSION"});
}

TEST(OfflineDownloadTest, RefusalsBeforeTheStoreIsTouched) {
    for (const auto language : {UiLanguage::English, UiLanguage::Chinese}) {
        DownloadBench b("KX_VELDRAN V02.73A", language);
        for (std::uint32_t a = 0x2000; a < 0x2000 + 256 * 32; a += 32) b.image->Set(a, 0);
        EXPECT_FALSE(b.Run());
        EXPECT_TRUE(b.Names().empty());
        EXPECT_EQ(b.out.ShownText(), TooManyBlocksText(256, language));
    }
    EXPECT_NE(TooManyBlocksText(256, UiLanguage::English).find("256 separate blocks"),
              std::string::npos);
    DownloadBench full;  // 255 blocks still fit
    for (std::uint32_t a = 0x2000; a < 0x2000 + 255 * 32; a += 32) full.image->Set(a, 0);
    ASSERT_TRUE(full.Run());
    EXPECT_EQ(full.Record()[0], 255);

    for (auto [id, msg] : {std::pair{"KX_VELDRAN V02.72A", 8},
                           {"KX_VELDRAN V02.80A", 60},
                           {"KX_VELDRAX V02.73A", 7},
                           {"KX_VELDRAN V02.73Z", 0}}) {
        DownloadBench v(id);
        EXPECT_EQ(v.Run(), msg == 0) << id;
        if (msg != 0) {
            EXPECT_EQ(v.out.ShownText(), Msg(msg));
        }
    }
}

}  // namespace
}  // namespace kx::ops
