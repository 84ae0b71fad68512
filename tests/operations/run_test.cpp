#include "operations/product_info.h"
#include "operations/run_blocks.h"
#include "operations/target_options.h"
#include "ops_test_helpers.h"

namespace kx::ops {
namespace {

using namespace testing;
using M = ProgrammingMode;
constexpr int kF112 = 2, kF2132 = 35, kF2619 = 49;

std::string Text(const std::array<std::uint8_t, kProductInfoSize>& record) {
    return {record.begin(), record.end()};
}

TEST(RunBlocks, Up128BytesWithinOneBankSkippingEmptyLines) {
    image::CodeImage img;
    FillImage(img, 0xE000, 0xE0C8);  // 200 bytes: 13 lines
    FillImage(img, 0xE0E0, 0xE0E1);  // after one empty line
    FillImage(img, 0xFFC0, 0x10040);
    img.Set(0x0FF0, 0);                                        // below 0x1000: never sent
    using Blocks = std::vector<std::array<std::uint32_t, 3>>;  // address, length, progress
    const Blocks expected = {
        {0xE000, 128, 8}, {0xE080, 80, 13}, {0xE0E0, 16, 14}, {0xFFC0, 64, 18}, {0x10000, 64, 22}};
    Blocks got;
    for (const auto& k : RunBlocks(img, 0x20000)) got.push_back({k.address, k.length, k.progress});
    EXPECT_EQ(got, expected);
    EXPECT_EQ(RunBlocks(img, 0x10000).size(), 4u);
}

TEST(RunTest, FullRunFramesAndPane) {
    Bench b;
    b.AddBox(kF112);
    FillImage(*b.image, 0xF000, 0xF014);    // second line: 4 bytes, sent whole
    b.in.autoIncrement = b.in.beep = true;  // without product information nothing counts
    const RunOutcome r = RunProgramming(b.ctx, b.in);
    EXPECT_TRUE(r.result == Result::Succeeded && !r.serialAdvanced);
    EXPECT_EQ(b.Walk(), "GET_VERSION TARGET_CONNECT MASS_ERASE RX:F000/32 TX:F000/32 TARGET_RUN ");
    const auto frames = b.Frames();
    EXPECT_EQ(frames[1].Addr(), 0x422A);  // supply, verify, run, segment A, TEST pin
    EXPECT_EQ(Bytes(frames[1].payload.begin() + 4, frames[1].payload.end()), Bytes(32, 0xFF));
    EXPECT_EQ(frames[3].payload[4 + 20], 0xFF);
    EXPECT_EQ(b.Box().Target()->ByteAt(0xF013), b.image->At(0xF013));
    EXPECT_EQ(b.out.ShownText(), Msg(10) + "Target chip:F11x,F11x1,F11x1A\r\n" + Msg(17) + Msg(20) +
                                     Msg(22) + Msg(24) + Msg(25) + Msg(27) + Msg(34) +
                                     "Time escaped:0 Sec\r\n");
    EXPECT_TRUE(b.out.Balanced());
    EXPECT_EQ(std::tuple(b.out.ProgressPos(), b.out.BeepCount()), std::tuple(2u, 1));
    EXPECT_EQ(r.message, Message::TargetRunning);
    EXPECT_FALSE(r.recordSerial);

    // Product information without counting: the typed number goes into the chip and the
    // outcome names it (the production log's serial column), though no counter moves.
    b.in.useProductInfo = true;
    b.in.autoIncrement = false;
    b.in.serial = 77;
    const RunOutcome typed = RunProgramming(b.ctx, b.in);
    EXPECT_TRUE(typed.result == Result::Succeeded && !typed.serialAdvanced);
    EXPECT_EQ(typed.recordSerial, std::optional<std::uint32_t>(77));
    b.in.autoIncrement = true;

    // A refused serial number ends the run with no message of its own: no record was written.
    b.in.useProductInfo = true;
    b.in.reserveSerial = [](std::uint32_t) -> std::optional<std::uint32_t> { return {}; };
    const RunOutcome refused = RunProgramming(b.ctx, b.in);
    EXPECT_EQ(std::tuple(refused.result, refused.serialRefused, refused.message),
              std::tuple(Result::Failed, true, Message::InfoWriteFailed));
}

TEST(RunTest, WideDeviceSendsTheOffsetWhenTheBankChangesAndBeforeTheRecord) {
    Bench b;
    b.AddBox(kF2619);
    FillImage(*b.image, 0x3100, 0x3110);
    FillImage(*b.image, 0xFFF0, 0x10010);
    b.in.useProductInfo = b.in.autoIncrement = true;
    b.in.productName = "ABC";
    b.in.serial = 0xFFFFFFFF;
    b.in.infoAddressText = "1010";
    const RunOutcome r = RunProgramming(b.ctx, b.in);
    ASSERT_EQ(r.result, Result::Succeeded) << b.out.Text();
    EXPECT_EQ(b.Walk(),
              "GET_VERSION TARGET_CONNECT MASS_ERASE O0 RX:3100/16 RX:FFF0/16 O1 RX:0/16 "
              "O0 TX:3100/16 TX:FFF0/16 O1 TX:0/16 O0 RX:1010/24 TX:1010/24 TARGET_RUN ");
    EXPECT_EQ(b.Box().Target()->ByteAt(0x10000), b.image->At(0x10000));
    std::array<std::uint8_t, kProductInfoSize> record;
    for (std::uint32_t k = 0; k < 24; ++k) record[k] = b.Box().Target()->ByteAt(0x1010 + k);
    EXPECT_EQ(Text(record), "ABC" + std::string(17, 0) + "\xFF\xFF\xFF\xFF");
    EXPECT_TRUE(r.serialAdvanced && r.newSerial == 0);  // wraps
}

TEST(RunTest, EraseAndFuseFollowModeAndOptions) {
    const struct {
        int row;
        ProgrammingMode mode;
        bool erase, protect;
        const char* walk;  // between TARGET_CONNECT and TARGET_RUN
        Bytes payload;     // of the erase
    } cases[] = {
        {kF112, M::Bsl, true, false, "", {}},  // the box erases on its own
        {kF112, M::Bsl, true, true, "ERASE_SEGMENT ", {0x00, 0xFF, 0x04, 0xA5}},
        {kF2619, M::Jtag, true, true, "ERASE_SEGMENT BURN_FUSE ", {0x00, 0xFF, 0x0C, 0xA5}},
        {kF112, M::Jtag, true, false, "MASS_ERASE BURN_FUSE ", {0x00, 0xFF, 0x00, 0x00}},
        {kF112, M::Jtag, false, false, "BURN_FUSE ", {}},
        {kF2132, M::Sbw, false, false, "BURN_FUSE ", {}}};
    for (const auto& c : cases) {
        Bench b;
        b.AddBox(c.row);
        b.in.mode = c.mode;
        b.in.erase = c.erase;
        b.in.protectInfo = c.protect;
        b.in.burnFuse = true;
        EXPECT_EQ(RunProgramming(b.ctx, b.in).result, Result::Succeeded) << b.out.Text();
        EXPECT_EQ(b.Walk(), "GET_VERSION TARGET_CONNECT " + std::string(c.walk) + "TARGET_RUN ");
        const bool burns = c.mode != M::Bsl;  // the fuse needs JTAG or SBW
        EXPECT_EQ(std::tuple(b.Box().Target()->Fused(), b.Shows(33)), std::tuple(burns, burns));
        EXPECT_EQ(b.Shows(20), !c.payload.empty());
        EXPECT_EQ(b.out.BeepCount(), 0);  // sound prompt not ticked
        const auto frames = b.Frames();
        EXPECT_EQ((frames[1].Addr() & kOptKeepInfo) != 0, c.protect || !c.erase);
        EXPECT_EQ(frames[2].name.find("ERASE") == std::string::npos ? Bytes{} : frames[2].payload,
                  c.payload);
    }
}

TEST(RunTest, TargetStatusChipAndProductInfoChecks) {
    const struct {
        ProgrammingMode mode;
        void (*chip)(sim::ChipConfig&);
        const char* info;  // the information address, with product information
        std::string text;  // how the pane ends when the run stops, else a part of it
        bool stops;
    } cases[] = {
        {M::Jtag, [](auto& c) { c.present = false; }, nullptr, Msg(10) + Msg(11), true},
        {M::Jtag, [](auto& c) { c.fused = true; }, nullptr, Msg(13), true},
        {M::Sbw, [](auto& c) { c.chipId = 0; }, nullptr, Msg(14), true},
        {M::Bsl, [](auto& c) { c.vectors = link::PasswordBytes32{0x12}; }, nullptr, Msg(12), true},
        {M::Bsl, [](auto& c) { c.chipId = 0; }, nullptr, "Target chip:0\r\n" + Msg(62) + Msg(18),
         false},
        {M::Jtag, [](auto& c) { c.chipId = 0xF149; }, nullptr, "F14x1\r\n" + Msg(62) + Msg(17),
         false},
        {M::Jtag, [](auto&) {}, "F000", Msg(58), true},            // checked before the target
        {M::Bsl, [](auto&) {}, "1000", Msg(28) + Msg(34), false},  // protected: no record
        {M::Jtag, [](auto&) {}, "11000", Msg(3), true}};
    for (const auto& c : cases) {
        Bench b;
        b.AddBox(c.mode == M::Sbw ? kF2132 : kF112, 0, [&](auto& k) { c.chip(k.target); });
        FillImage(*b.image, 0xF000, 0xF010);
        b.in.mode = c.mode;
        b.in.protectInfo = c.mode == M::Bsl;  // the BSL password is checked
        b.in.useProductInfo = b.in.autoIncrement = c.info != nullptr;
        if (c.info) b.in.infoAddressText = c.info;
        const RunOutcome r = RunProgramming(b.ctx, b.in);
        EXPECT_EQ(r.result == Result::Succeeded, !c.stops) << b.out.Text();
        if (c.stops) {
            EXPECT_FALSE(r.serialAdvanced);
        }
        const std::string& text = b.out.Text();
        EXPECT_TRUE(c.stops ? text.ends_with(c.text) : text.find(c.text) != std::string::npos)
            << text;
        EXPECT_EQ(b.Walk().find("RX:1000"), std::string::npos);  // never a record here
        // A stop sends nothing after the check; a run goes on to erase.
        EXPECT_EQ(b.Walk() == (c.info ? "GET_VERSION " : "GET_VERSION TARGET_CONNECT "), c.stops);
    }
}

TEST(RunTest, VerifyOnlyNamesTheFirstDifference) {
    Bench b;
    b.AddBox(kF112);
    FillImage(*b.image, 0xF000, 0xF020);
    b.image->Set(0xF000, 0x3C);
    Bytes on(b.image->Data() + 0xF000, b.image->Data() + 0xF020);
    on[0x00] = on[0x1F] = 0xFF;  // the block's first and last byte: neither may be skipped
    b.Box().Target()->Preload(0xF000, on);
    b.in.erase = b.in.program = b.in.runAfter = false;
    b.in.beep = true;
    EXPECT_NE(RunProgramming(b.ctx, b.in).result, Result::Succeeded);
    EXPECT_EQ(b.Walk(), "GET_VERSION TARGET_CONNECT TX:F000/32 ");
    EXPECT_TRUE(b.out.ShownText().ends_with(
        Msg(26) +
        "First difference at 0xF000: wrote 3C, read FF (2 bytes differ in this block)\r\n"))
        << b.out.ShownText();
    EXPECT_EQ(std::tuple(b.out.ProgressUpper(), b.out.BeepCount()), std::tuple(2u, 0));
}

// The device bits depend on the mode bits (0x0800 only in JTAG), so they go last.
TEST(TargetOptions, DeviceBitsFollowTheModeBits) {
    OperationInputs in;
    in.deviceRow = kF2132;
    in.useProductInfo = true;  // only the download passes it on
    EXPECT_EQ(std::tuple(RunTargetOptions(in), DownloadTargetOptions(in)),
              std::tuple(0x4E2A, 0x4EAA));
    in.mode = M::Sbw;
    EXPECT_EQ(std::tuple(RunTargetOptions(in), ReadTargetOptions(in)), std::tuple(0x466A, 0x0642));
    in.mode = M::Bsl;
    in.protectInfo = in.burnFuse = true;
    EXPECT_EQ(std::tuple(RunTargetOptions(in), ReadTargetOptions(in)), std::tuple(0x463F, 0x0607));
}

TEST(ProductInfo, RecordHoldsGbkNameCutBetweenCharactersAndSerialLittleEndian) {
    EXPECT_EQ(Text(ProductInfoRecord("ABC", 0x12345678)),
              "ABC" + std::string(17, 0) + "\x78\x56\x34\x12");
    EXPECT_EQ(Text(ProductInfoRecord("ABCDEFGHIJKLMNOPQRSTUVW", 0)).substr(0, 20),
              std::string("ABCDEFGHIJKLMNOPQRS") + '\0');
    // 中 is D6 D0; 18 bytes + one more two-byte character would need 20.
    EXPECT_EQ(Text(ProductInfoRecord("ABCDEFGHIJKLMNOP中R中", 0)).substr(16, 4),
              std::string("\xD6\xD0R") + '\0');
    EXPECT_FALSE(ProductNameFits("中中中中中中中中中中"));
    EXPECT_EQ(ProductNameBytes("A😀B"), "A?B");  // no GBK form
}

TEST(ProductInfo, TypedFieldsNeverWrapOrCutDown) {
    std::string norm;
    EXPECT_EQ(ParseSerialText("ff", true, &norm), 255u);
    EXPECT_EQ(norm + SerialText(255, true), "FFFF");
    EXPECT_EQ(ParseSerialText("4294967295", false), 0xFFFFFFFFu);
    for (auto [text, hex] :
         {std::pair{"4294967296", false}, {"12a", false}, {"100000000", true}, {"1G", true}})
        EXPECT_FALSE(ParseSerialText(text, hex)) << text;
    EXPECT_EQ(FilterHexField("10e8", 4), "10E8");
    EXPECT_FALSE(FilterHexField("10g8", 4) || FilterHexField("1FFFF", 4));
    EXPECT_EQ(HexFieldValue("100000000"), 0xFFFFFFFFu);  // saturates, never wraps to 0
    for (auto [text, value] :
         {std::pair{"0", 0xFFFF}, {"1", 1}, {"60001", 60000}, {"99999999999999999999", 60000}})
        EXPECT_EQ(CountLimitValue(text), value) << text;
}

TEST(ProductInfo, AddressChecksOccupiedThenRangeThenEven) {
    image::CodeImage img;
    img.Set(0xF017, 0x00);
    const std::tuple<std::uint16_t, bool, int> cases[] = {
        {0x10E8, false, 0},  {0x10EA, false, 3}, {0x0FFE, false, 3}, {0x10E7, false, 4},
        {0x1000, true, 57},  {0x19E8, true, 0},  {0x19EA, true, 57}, {0xF000, false, 58},
        {0xF001, false, 58}, {0xF018, false, 3}};
    for (auto [address, at1800, msg] : cases) {
        const auto refusal = CheckProductInfoAddress(img, address, at1800);
        EXPECT_EQ(refusal ? static_cast<int>(*refusal) : 0, msg) << address;
    }
}

}  // namespace
}  // namespace kx::ops
