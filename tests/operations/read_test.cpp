#include <algorithm>

#include "messages/text_format.h"
#include "ops_test_helpers.h"

namespace kx::ops {
namespace {

using namespace testing;

// Reads [address, address + length) given as hex text; the device's range without them.
bool Read(Bench& b, const char* address = nullptr, const char* length = nullptr) {
    b.in.readByDevice = address == nullptr;
    b.in.readAddressText = address ? address : "";
    b.in.readLengthText = length ? length : "";
    return ReadTarget(b.ctx, b.in).result == Result::Succeeded;
}

TEST(TargetReadTest, ByAddress) {
    const struct {
        const char* address;
        const char* length;
        int msg;  // 0: read in `reads` blocks
        std::size_t reads;
    } cases[] = {{"1001", "0010", 36, 0}, {"F000", "0FFF", 37, 0},
                 {"FC00", "0402", 38, 0}, {"FFFE", "FFFFFFFE", 38, 0},  // must not wrap
                 {"FC00", "0400", 0, 8},                                // ends exactly at ImageEnd
                 {"FC00", "0", 0, 0},     {"FC10", "0020", 0, 1}};
    for (const auto& c : cases) {
        Bench b;
        sim::TargetChip& chip = *b.AddBox(0).Target();
        chip.Preload(0xFC0E, Bytes{1, 2, 3});
        chip.Preload(0xFFF2, Bytes{0x34, 0x12});
        b.image->Set(0x2000, 0x42);
        b.words.vectorTable.fill(0x5555);  // a file loaded before
        EXPECT_EQ(Read(b, c.address, c.length), c.msg == 0) << c.address << " " << c.length;
        EXPECT_EQ(b.out.ShownText(), c.msg
                                         ? Msg(c.msg)
                                         : Msg(10) + "Target chip:F11x,F11x1,F11x1A\r\n" + Msg(40) +
                                               Msg(42) + "Blocks read: " + std::to_string(c.reads) +
                                               ", re-reads: 0\r\n" + Msg(35) + "0 Sec\r\n");
        EXPECT_EQ(b.Frames().size(), c.msg ? 0 : 1 + c.reads);
        EXPECT_EQ(b.image->At(0x2000), c.msg ? 0x42 : 0xFF);  // replaced by a successful read
        // The vectors and their marks follow the image: the chip's where the read covered them.
        const std::uint16_t vector9 = c.msg ? 0x5555 : c.reads == 8 ? 0x1234 : 0xFFFF;
        EXPECT_EQ(std::tuple(b.words.vectorTable[9], b.words.vectorInUse[9] != 0),
                  std::tuple(vector9, vector9 != 0xFFFF));
        EXPECT_TRUE(b.out.Balanced());
        EXPECT_EQ(b.Walk() == "TARGET_CONNECT TX:FC10/32 ", c.reads == 1);
    }
}

TEST(TargetReadTest, ByDeviceInformationFirstThenTheFlash) {
    Bench b;
    b.AddBox(13).Target()->Preload(0x1001, Bytes{0x22});  // F149
    b.image->Set(0x8000, 0x42);
    ASSERT_TRUE(Read(b));
    std::string walk = "TARGET_CONNECT TX:1000/128 TX:1080/128 ";
    for (std::uint32_t a = 0x1100; a < 0x10000; a += 128) walk += "TX:" + FormatHex(a) + "/128 ";
    EXPECT_EQ(b.Walk(), walk);
    EXPECT_EQ(std::tuple(b.image->At(0x1001), b.image->At(0x8000)), std::tuple(0x22, 0xFF));
    EXPECT_EQ(b.out.ProgressPos(), 0xEF00U);

    // F2619: offset 0 once before the information, 1 before 0x10000; blocks stop at that
    // boundary when read by address too.
    Bench w;
    w.AddBox(49).Target()->Preload(0x10000, Bytes{0xAB});
    ASSERT_TRUE(Read(w));
    walk = w.Walk();
    EXPECT_TRUE(walk.starts_with("TARGET_CONNECT O0 TX:1000/128 TX:1080/128 TX:2100/128 ")) << walk;
    EXPECT_NE(walk.find("TX:FF80/128 O1 TX:0/128 "), std::string::npos);
    EXPECT_EQ(std::count(walk.begin(), walk.end(), 'O'), 1 + 2);  // one in TARGET_CONNECT
    EXPECT_EQ(w.image->At(0x10000), 0xAB);
    Bench a;
    a.AddBox(49).Target()->Preload(0x10000, Bytes{0x02});
    ASSERT_TRUE(Read(a, "0FFC0", "00080"));
    EXPECT_EQ(a.Walk(), "TARGET_CONNECT O0 TX:FFC0/64 O1 TX:0/64 ");
    EXPECT_EQ(a.image->At(0x10000), 0x02);
}

// A block is taken on a valid checksum or two equal replies: a box without checksums reads
// right at half speed, and a noisy line never puts a wrong byte into the image.
TEST(TargetReadTest, UncheckedRepliesAreConfirmedByReadingAgain) {
    const auto tx = [](std::optional<std::uint32_t> n, sim::FaultAction action) {
        return sim::FaultRule{0x14, n, action};
    };
    const auto noise = sim::FaultAction::Noise;
    const std::string a = "TX:FC00/128 ", c = "TX:FC80/128 ", done = "Blocks read: 2, re-reads: ";
    const struct {
        bool checksums;
        std::vector<sim::FaultRule> faults;
        std::string walk, line;
    } cases[] = {
        {true, {}, a + c, done + "0\r\n"},
        {true, {tx(1, sim::FaultAction::Corrupt)}, a + a + c, done + "1\r\n"},
        {true, {tx(1, noise), tx(2, noise)}, a + a + a + c, done + "2\r\n"},
        {false, {}, a + a + c + c, done + "2\r\n"},
        {false, {tx(1, noise)}, a + a + a + c + c, done + "3\r\n"},
        {false, {tx(2, noise)}, a + a + a + c + c, done + "3\r\n"},
        {false,
         {tx(std::nullopt, noise)},
         a + a + a + a,
         "Block at 0xFC00: 4 replies, none with a valid checksum and no two alike\r\n" + Msg(41)},
    };
    Bytes chip(0x100);
    for (std::size_t i = 0; i < chip.size(); ++i) chip[i] = static_cast<std::uint8_t>(i * 3 + 1);
    for (const auto& k : cases) {
        Bench b;
        const auto edit = [&](sim::BoxConfig& box) {
            box.replyChecksums = k.checksums;
            box.faults = k.faults;
        };
        b.AddBox(0, 0, edit).Target()->Preload(0xFC00, chip);
        b.image->Set(0x2000, 0x42);
        const bool ok = Read(b, "FC00", "100");
        EXPECT_EQ(b.Walk(), "TARGET_CONNECT " + k.walk);
        EXPECT_NE(b.out.ShownText().find(k.line), std::string::npos) << b.out.ShownText();
        EXPECT_EQ(std::equal(chip.begin(), chip.end(), b.image->Data() + 0xFC00), ok) << k.walk;
        EXPECT_EQ(b.image->At(0x2000), ok ? 0xFF : 0x42);
    }
}

TEST(TargetReadTest, RefusingTargets) {
    Bench b;
    b.AddBox(0, 0, [](auto& c) { c.target.fused = true; });
    EXPECT_FALSE(Read(b, "FC00", "0400"));
    EXPECT_EQ(b.out.ShownText(), Msg(10) + Msg(39));
    EXPECT_EQ(b.Walk(), "TARGET_CONNECT ");

    Bench bsl;  // erased vectors: this password is refused
    bsl.AddBox(13);
    bsl.in.mode = ProgrammingMode::Bsl;
    bsl.in.supplyPower = false;
    bsl.words.bslPassword[0] = 0x1234;
    EXPECT_FALSE(Read(bsl, "1100", "0100"));
    EXPECT_EQ(bsl.out.ShownText(), Msg(10) + Msg(12));
    const auto connect = bsl.Frames()[0].payload;
    EXPECT_EQ(connect[0], 0x05);  // BSL with 0x0004, no supply
    EXPECT_EQ(connect[4] | connect[5] << 8, 0x1234);
}

}  // namespace
}  // namespace kx::ops
