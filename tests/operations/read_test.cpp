#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "image/titxt_writer.h"
#include "operations/operations.h"
#include "ops_test_helpers.h"

namespace kx::ops {
namespace {

using testing::Msg;

struct ReadBench : testing::Bench {
    explicit ReadBench(int row, int chipRow = -1, sim::BoxConfig config = {}) {
        AddBox(chipRow < 0 ? row : chipRow, 0, config);
        in.deviceRow = row;
    }
    bool Read(std::string address, std::string length, bool byDevice = false) {
        in.readAddressText = address;
        in.readLengthText = length;
        in.readByDevice = byDevice;
        return ReadTarget(ctx, in).success;
    }
    // Frames other than TARGET_CONNECT: (name, address, count or offset byte).
    std::vector<std::tuple<std::string, unsigned, unsigned>> Reads() {
        std::vector<std::tuple<std::string, unsigned, unsigned>> reads;
        for (const auto& f : Frames()) {
            if (f.name != "TARGET_CONNECT") reads.emplace_back(f.name, f.Addr(), f.payload[2]);
        }
        return reads;
    }
    OperationInputs in;
};

TEST(TargetReadTest, ByAddress) {
    for (auto [address, length, msg] : {std::tuple{"1001", "0010", 36},
                                        {"F000", "0FFF", 37},
                                        {"FC00", "0402", 38},
                                        {"FFFE", "FFFFFFFE", 38}}) {
        ReadBench b(0);
        b.image->Set(0x2000, 0x42);
        EXPECT_FALSE(b.Read(address, length));
        EXPECT_EQ(b.out.ShownText(), Msg(msg));
        EXPECT_TRUE(b.Names().empty());
        EXPECT_EQ(b.image->At(0x2000), 0x42);
    }
    ReadBench full(0);
    ASSERT_TRUE(full.Read("FC00", "0400"));  // ends exactly at ImageEnd
    EXPECT_EQ(full.Reads().size(), 8U);

    ReadBench none(0);
    none.image->Set(0x2000, 0x42);
    ASSERT_TRUE(none.Read("FC00", "0"));
    EXPECT_EQ(none.Names(), std::vector<std::string>{"TARGET_CONNECT"});
    EXPECT_EQ(none.out.ShownText(), Msg(10) + "Target chip:F11x,F11x1,F11x1A\r\n" + Msg(40) +
                                        Msg(42) + Msg(35) + "0 Sec\r\n");
    EXPECT_EQ(image::RenderImageText(*none.image, 0x10000), "q\r\n");

    ReadBench part(0);
    part.Box().Target()->Preload(0xFC0E, std::vector<std::uint8_t>{1, 2, 3});
    ASSERT_TRUE(part.Read("FC10", "0020"));
    EXPECT_EQ(part.Reads(), (decltype(part.Reads()){{"TX_DATA_BLOCK", 0xFC10, 32}}));
    EXPECT_EQ(part.image->At(0xFC0F), 0xFF);
    EXPECT_EQ(part.image->At(0xFC10), 3);
    EXPECT_EQ(part.out.busyOn, part.out.busyOff);
}

TEST(TargetReadTest, ByDevice) {
    ReadBench b(13);  // F149
    b.Box().Target()->Preload(0x1001, std::vector<std::uint8_t>{0x22});
    b.image->Set(0x8000, 0x42);
    ASSERT_TRUE(b.Read("", "", true));
    const auto reads = b.Reads();
    ASSERT_EQ(reads.size(), 2U + 478U);
    EXPECT_EQ(std::get<1>(reads[1]), 0x1080U);
    for (std::size_t i = 2; i < reads.size(); ++i) {
        ASSERT_EQ(reads[i], std::tuple("TX_DATA_BLOCK", 0x1100 + (i - 2) * 128, 128U));
    }
    EXPECT_EQ(b.image->At(0x1001), 0x22);
    EXPECT_EQ(b.image->At(0x8000), 0xFF);
    EXPECT_EQ(b.out.ProgressPos(), 0xEF00U);

    ReadBench w(49);  // F2619: offset 0 once before the information, 1 before 0x10000
    w.Box().Target()->Preload(0x10000, std::vector<std::uint8_t>{0xAB});
    ASSERT_TRUE(w.Read("", "", true));
    const auto wide = w.Reads();
    EXPECT_EQ(wide[0], std::tuple("SET_MEM_OFFSET", 0U, 0U));
    EXPECT_EQ(std::get<1>(wide[3]), 0x2100U);
    const auto one = std::find(wide.begin(), wide.end(), std::tuple("SET_MEM_OFFSET", 0U, 1U));
    ASSERT_NE(one, wide.end());
    EXPECT_EQ(std::get<1>(*(one - 1)), 0xFF80U);
    EXPECT_EQ(std::get<1>(*(one + 1)), 0x0000U);
    EXPECT_EQ(std::count_if(wide.begin(), wide.end(),
                            [](auto& r) { return std::get<0>(r) == "SET_MEM_OFFSET"; }),
              2);
    EXPECT_EQ(w.image->At(0x10000), 0xAB);
}

TEST(TargetReadTest, BlocksStopAt64KiBBoundaries) {
    ReadBench b(49);
    b.Box().Target()->Preload(0x10000, std::vector<std::uint8_t>{0x02});
    ASSERT_TRUE(b.Read("0FFC0", "00080"));
    EXPECT_EQ(b.Reads(), (decltype(b.Reads()){{"SET_MEM_OFFSET", 0, 0},
                                              {"TX_DATA_BLOCK", 0xFFC0, 64},
                                              {"SET_MEM_OFFSET", 0, 1},
                                              {"TX_DATA_BLOCK", 0x0000, 64}}));
    EXPECT_EQ(b.image->At(0x10000), 0x02);
}

TEST(TargetReadTest, RefusingTargetsAndOtherChips) {
    sim::BoxConfig fused;
    fused.target.fused = true;
    ReadBench b(0, 0, fused);
    b.image->Set(0x2000, 0x42);
    EXPECT_FALSE(b.Read("FC00", "0400"));
    EXPECT_EQ(b.out.ShownText(), Msg(10) + Msg(39));
    EXPECT_EQ(b.Names(), std::vector<std::string>{"TARGET_CONNECT"});
    EXPECT_EQ(b.image->At(0x2000), 0x42);  // cleared only once reading starts

    ReadBench m(0, 13);  // a warning only; the selected row's range is read
    ASSERT_TRUE(m.Read("", "", true));
    EXPECT_NE(m.out.ShownText().find("F14x1\r\n" + Msg(62)), std::string::npos);
    EXPECT_EQ(m.Reads().size(), 2U + 8U);

    ReadBench bsl(13);  // erased vectors: this password is refused
    bsl.in.mode = ProgrammingMode::Bsl;
    bsl.in.supplyPower = false;
    bsl.words.bslPassword[0] = 0x1234;
    EXPECT_FALSE(bsl.Read("1100", "0100"));
    EXPECT_EQ(bsl.out.ShownText(), Msg(10) + Msg(12));
    const auto connect = bsl.Frames()[0].payload;
    EXPECT_EQ(connect[0], 0x05);  // BSL with 0x0004, no supply
    EXPECT_EQ(connect[4] | connect[5] << 8, 0x1234);
}

}  // namespace
}  // namespace kx::ops
