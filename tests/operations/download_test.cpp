#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "devices/device_catalogue.h"
#include "image/code_image.h"
#include "operations/offline_store.h"
#include "operations/operations.h"
#include "ops_test_helpers.h"

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


// --- the download against the simulated box -------------------------------------------

using testing::Bench;
using testing::FillImage;
using testing::Frame;
using testing::Msg;

constexpr int kF149 = 13;

struct DownloadBench : Bench {
    explicit DownloadBench(sim::BoxConfig config = {}, UiLanguage language = UiLanguage::English)
        : Bench(language) {
        AddBox(kF149, 0, std::move(config));
        out.SetConfirmHandler([](int, std::string_view) { return true; });
        in.deviceRow = kF149;
    }
    std::vector<Frame> Named(const std::string& name) {
        std::vector<Frame> frames;
        for (auto& f : Frames()) {
            if (f.name == name) frames.push_back(f);
        }
        return frames;
    }
    OperationInputs in;
};

std::uint32_t Offset24(const Frame& f, bool storeWrite) {
    return f.payload[0] | (f.payload[1] << 8) | (f.payload[storeWrite ? 2 : 3] << 16);
}

TEST(OfflineDownloadTest, TwoBlocksGoInOneChunkAndAreReadBack) {
    DownloadBench b;
    FillImage(*b.image, 0x1000, 0x1040);
    FillImage(*b.image, 0xFFE0, 0x10000);
    const auto outcome = DownloadOffline(b.ctx, b.in);
    ASSERT_TRUE(outcome.success) << b.out.Text();
    EXPECT_EQ(b.Names(), (std::vector<std::string>{"GET_VERSION", "OFFLINE_SETUP", "STORE_WRITE",
                                                   "STORE_READ"}));
    const auto& record = b.Box().SetupRecord();
    ASSERT_TRUE(record);
    EXPECT_EQ((*record)[0], 2);
    EXPECT_EQ((*record)[1], 0xFD);
    EXPECT_EQ((*record)[4], 112);
    const auto write = b.Named("STORE_WRITE");
    EXPECT_EQ(write[0].payload[3], 112);
    const auto packed = PackOfflineStore(*b.image, 0x10000);
    EXPECT_TRUE(std::equal(packed.bytes.begin(), packed.bytes.end(), b.Box().Store().begin()));
    EXPECT_EQ(b.out.ShownText(), Msg(46) + Msg(47) + Msg(48) + Msg(35) + "0 Sec\r\n");
    EXPECT_EQ(b.out.BeepCount(), 1);
    EXPECT_EQ(b.out.busyOn, 1);
    EXPECT_EQ(b.out.busyOff, 1);
}

TEST(OfflineDownloadTest, ChunksOf128AndAnEmptyImage) {
    DownloadBench b;
    FillImage(*b.image, 0x2000, 0x2090);  // 144 bytes
    FillImage(*b.image, 0x3000, 0x3090);  // 144 bytes: 304 packed
    ASSERT_TRUE(DownloadOffline(b.ctx, b.in).success);
    for (const char* name : {"STORE_WRITE", "STORE_READ"}) {
        const auto frames = b.Named(name);
        const bool isWrite = std::string(name) == "STORE_WRITE";
        ASSERT_EQ(frames.size(), 3U) << name;
        const std::uint32_t offsets[] = {0, 128, 256};
        const std::uint8_t sizes[] = {128, 128, 48};
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(Offset24(frames[i], isWrite), offsets[i]) << name << i;
            EXPECT_EQ(frames[i].payload[isWrite ? 3 : 2], sizes[i]) << name << i;
        }
    }
    EXPECT_EQ(b.out.ProgressUpper(), 304U);
    EXPECT_EQ(b.out.ProgressPos(), 304U);

    DownloadBench e;
    ASSERT_TRUE(DownloadOffline(e.ctx, e.in).success);
    EXPECT_EQ(e.Names(), (std::vector<std::string>{"GET_VERSION", "OFFLINE_SETUP"}));
    const auto& record = *e.Box().SetupRecord();
    EXPECT_EQ(record[0], 0);
    EXPECT_EQ(record[1], 0xFF);
    EXPECT_EQ(record[4] | record[5] | record[6], 0);
    EXPECT_EQ(e.out.ShownText(), Msg(46) + Msg(47) + Msg(48) + Msg(35) + "0 Sec\r\n");
}

TEST(OfflineDownloadTest, RecordCarriesOptionsPasswordProductInfoAndLimit) {
    DownloadBench b;
    FillImage(*b.image, 0x8000, 0x8010);
    b.in.useProductInfo = true;
    b.in.autoIncrement = true;
    b.in.infoAddressText = "10e8";
    b.in.productName = "ABCDEFGHIJKLMNOPQRS";  // 19 bytes
    b.in.serial = 0x01020304;
    b.in.countLimitText = "60001";
    b.words.bslPassword[15] = 0xBEEF;
    ASSERT_TRUE(DownloadOffline(b.ctx, b.in).success) << b.out.Text();
    const auto& r = *b.Box().SetupRecord();
    EXPECT_EQ(r[2] & 0x80, 0x80);  // product information used
    EXPECT_EQ(r[7], 1);
    EXPECT_EQ(r[38], 0xEF);
    EXPECT_EQ(r[39], 0xBE);
    EXPECT_EQ(r[40], 0xE8);
    EXPECT_EQ(r[41], 0x10);
    EXPECT_EQ(r[42], 'A');
    EXPECT_EQ(r[60], 'S');
    EXPECT_EQ(r[61], 0);
    EXPECT_EQ(r[62], 0x04);
    EXPECT_EQ(r[65], 0x01);
    EXPECT_EQ(r[66], 0x60);
    EXPECT_EQ(r[67], 0xEA);

    DownloadBench z;
    z.in.countLimitText = "0";
    ASSERT_TRUE(DownloadOffline(z.ctx, z.in).success);
    EXPECT_EQ((*z.Box().SetupRecord())[66], 0xFF);
    EXPECT_EQ((*z.Box().SetupRecord())[67], 0xFF);

    // A bad information address stops the download before the box is touched.
    DownloadBench a;
    a.in.useProductInfo = true;
    a.in.infoAddressText = "10E9";
    EXPECT_FALSE(DownloadOffline(a.ctx, a.in).success);
    EXPECT_EQ(a.out.ShownText(), Msg(3));
    EXPECT_EQ(a.Names(), std::vector<std::string>{"GET_VERSION"});
}

TEST(OfflineDownloadTest, TooManyBlocksAreRefusedBeforeAnythingIsSent) {
    for (const auto language : {UiLanguage::English, UiLanguage::Chinese}) {
        DownloadBench b({}, language);
        for (std::uint32_t a = 0x2000; a < 0x2000 + 256 * 32; a += 32) b.image->Set(a, 0x00);
        EXPECT_EQ(PackOfflineStore(*b.image, 0x10000).blockCount, 256U);
        EXPECT_FALSE(DownloadOffline(b.ctx, b.in).success);
        EXPECT_TRUE(b.Names().empty());
        EXPECT_EQ(b.out.ShownText(), TooManyBlocksText(256, language));
        EXPECT_NE(b.out.ShownText().find("256"), std::string::npos);
    }
    EXPECT_NE(TooManyBlocksText(300, UiLanguage::English).find("at most 255"), std::string::npos);

    // 255 blocks still fit.
    DownloadBench ok;
    for (std::uint32_t a = 0x2000; a < 0x2000 + 255 * 32; a += 32) ok.image->Set(a, 0x00);
    EXPECT_TRUE(DownloadOffline(ok.ctx, ok.in).success);
    EXPECT_EQ((*ok.Box().SetupRecord())[0], 255);
}

TEST(OfflineDownloadTest, VersionIsJudgedAsTheRunJudgesIt) {
    struct Case {
        const char* identification;
        int message;  // 0: accepted
    };
    for (const Case c : {Case{"KX_VELDRAN V02.72A", 8}, Case{"KX_VELDRAN V02.80A", 60},
                         Case{"KX_VELDRAX V02.73A", 7}, Case{"KX_VELDRAN V02.73Z", 0}}) {
        sim::BoxConfig config;
        config.identification = c.identification;
        DownloadBench b(config);
        const auto outcome = DownloadOffline(b.ctx, b.in);
        EXPECT_EQ(outcome.success, c.message == 0) << c.identification;
        if (c.message != 0) {
            EXPECT_EQ(b.out.ShownText(), Msg(c.message)) << c.identification;
            EXPECT_EQ(b.Names(), std::vector<std::string>{"GET_VERSION"});
        }
    }

    // Cancel at the question: nothing shown, nothing sent.
    DownloadBench cancel;
    cancel.out.SetConfirmHandler([](int msg, std::string_view) { return msg != 55; });
    cancel.out.ShowText("before");
    EXPECT_TRUE(DownloadOffline(cancel.ctx, cancel.in).cancelled);
    EXPECT_EQ(cancel.out.ShownText(), "before");
    EXPECT_TRUE(cancel.Names().empty());
}

}  // namespace
}  // namespace kx::ops
