#include <algorithm>

#include "messages/text_catalogue.h"
#include "operations/offline_store.h"
#include "ops_test_helpers.h"

namespace kx::ops {
namespace {

using namespace testing;

std::uint32_t Le(const std::uint8_t* p, int n) {
    std::uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = v << 8 | p[i];
    return v;
}

// An F149 box with the given firmware.
struct Download : Bench {
    explicit Download(std::string id = "KX_VELDRAN V02.73A") {
        AddBox(13, 0, [&](auto& c) { c.identification = id; });
    }
    bool Run() { return DownloadOffline(ctx, in) == Result::Succeeded; }
    const std::uint8_t* Record() { return Box().SetupRecord()->data(); }
};

TEST(OfflineStoreTest, PackingSkipsBlankLinesAndSplitsAtBanks) {
    image::CodeImage image;
    FillImage(image, 0x1000, 0x1040);
    FillImage(image, 0xFFE0, 0x10000);
    image.Set(0x0F00, 0x12);   // below 0x1000: never sent
    image.Set(0x10005, 0x00);  // takes its whole line, but not on a 16-bit device
    const auto narrow = PackOfflineStore(image, 0x10000);
    EXPECT_EQ(std::tuple(narrow.blockCount, narrow.bytes.size()), std::tuple(2U, 8 + 64 + 8 + 32U));
    const auto s = PackOfflineStore(image, 0x20000);  // the run is split at 0x10000
    ASSERT_EQ(std::tuple(s.blockCount, s.bytes.size()), std::tuple(3U, 112 + 8 + 16U));
    const std::uint8_t* p = s.bytes.data();
    EXPECT_EQ(std::tuple(Le(p, 4), Le(p + 4, 4), p[71], Le(p + 72, 4), Le(p + 76, 4)),
              std::tuple(0x1000U, 64U, image.At(0x103F), 0xFFE0U, 32U));
    EXPECT_EQ(std::tuple(Le(p + 112, 4), Le(p + 116, 4), p[125], p[126]),
              std::tuple(0x10000U, 16U, 0x00, 0xFF));
}

TEST(OfflineDownloadTest, StoreIsWrittenAndReadBackInChunks) {
    Download b;
    FillImage(*b.image, 0x2000, 0x2090);
    FillImage(*b.image, 0x3000, 0x3090);  // 2 x (8 + 144) = 304 bytes
    ASSERT_TRUE(b.Run()) << b.out.Text();
    ASSERT_EQ(b.Walk(),
              "GET_VERSION OFFLINE_SETUP STORE_WRITE STORE_WRITE STORE_WRITE "
              "STORE_READ STORE_READ STORE_READ ");
    const auto f = b.Frames();
    for (unsigned i = 0; i < 3; ++i) {  // offset and length of each 128-byte chunk
        const Bytes &w = f[2 + i].payload, &r = f[5 + i].payload;
        const int n = i < 2 ? 128 : 48;
        EXPECT_EQ(std::tuple(Le(w.data(), 3), w[3], Le(r.data(), 2) | r[3] << 16, r[2]),
                  std::tuple(i * 128, n, i * 128, n));
    }
    const auto packed = PackOfflineStore(*b.image, 0x10000).bytes;
    EXPECT_TRUE(std::equal(packed.begin(), packed.end(), b.Box().Store().begin()));
    EXPECT_EQ(std::tuple(Le(b.Record(), 2), Le(b.Record() + 4, 3)), std::tuple(0xFD02U, 304U));
    EXPECT_EQ(b.out.ShownText(), Msg(46) + Msg(47) + Msg(48) + Msg(35) + "0 Sec\r\n");
    EXPECT_TRUE(b.out.Balanced());

    Download e;  // a blank image: the record and nothing else
    ASSERT_TRUE(e.Run());
    EXPECT_EQ(e.Walk(), "GET_VERSION OFFLINE_SETUP ");
    EXPECT_EQ(Le(e.Record(), 2), 0xFF00U);  // the block count and its complement
}

TEST(OfflineDownloadTest, RecordFields) {
    Download b;
    b.in.useProductInfo = b.in.autoIncrement = true;
    b.in.infoAddressText = "10e8";
    b.in.productName = "ABCDEFGHIJKLMNOPQRS";  // 19 bytes
    b.in.serial = 0x01020304;
    b.in.countLimitText = "60001";
    b.words.bslPassword[15] = 0xBEEF;
    ASSERT_TRUE(b.Run()) << b.out.Text();
    const std::uint8_t* r = b.Record();
    EXPECT_EQ(
        std::tuple(r[2] & 0x80, r[7], Le(r + 38, 2), Le(r + 40, 2), Le(r + 62, 4), Le(r + 66, 2)),
        std::tuple(0x80, 1, 0xBEEFU, 0x10E8U, 0x01020304U, 0xEA60U));
    EXPECT_EQ(std::string(r + 42, r + 62), std::string("ABCDEFGHIJKLMNOPQRS") + '\0');

    Download a;  // a bad address stops before the box is touched
    a.in.useProductInfo = true;
    a.in.infoAddressText = "10E9";
    EXPECT_FALSE(a.Run());
    EXPECT_EQ(a.out.ShownText(), Msg(3));
    EXPECT_EQ(a.Walk(), "GET_VERSION ");
}

TEST(OfflineDownloadTest, RefusalsBeforeTheStoreIsTouched) {
    for (const std::uint32_t blocks : {256, 255}) {  // the record counts blocks in one byte
        Download b;
        for (std::uint32_t a = 0x2000; a < 0x2000 + blocks * 32; a += 32) b.image->Set(a, 0);
        EXPECT_EQ(b.Run(), blocks == 255);
        EXPECT_EQ(b.out.ShownText() ==
                      SayText(UiLanguage::English, Text::TooManyStoreBlocks, {"256", "255"}),
                  blocks == 256);
        EXPECT_EQ(b.Walk().empty() ? 0 : b.Record()[0], blocks == 256 ? 0 : 255);
    }
    for (auto [id, msg] : {std::pair{"KX_VELDRAN V02.72A", 8}, {"KX_VELDRAN V02.80A", 60}}) {
        Download v(id);
        EXPECT_FALSE(v.Run());
        EXPECT_EQ(v.out.ShownText(), Msg(msg));
    }
}

}  // namespace
}  // namespace kx::ops
