#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "link/programmer_link.h"
#include "operations/firmware_container.h"
#include "operations/operations.h"
#include "ops_test_helpers.h"

namespace kx::ops {
namespace {

std::string TextAt(const FirmwareContainer& c, std::uint32_t address, std::size_t n) {
    std::string text;
    for (std::size_t i = 0; i < n; ++i) {
        const auto b = c.ByteAt(address + static_cast<std::uint32_t>(i));
        text.push_back(b ? static_cast<char>(*b) : '?');
    }
    return text;
}

TEST(FirmwareContainerTest, CarriedStandInsHaveTheShapeTheUpdateNeeds) {
    ContainerError error = ContainerError::Empty;
    ASSERT_EQ(ProgrammerFirmwareBytes().size(), 11866U);
    const auto firmware = ParseFirmwareContainer(ProgrammerFirmwareBytes(), &error);
    ASSERT_TRUE(firmware) << ContainerErrorText(error);
    EXPECT_EQ(error, ContainerError::None);
    ASSERT_EQ(firmware->segments.size(), 2U);
    EXPECT_EQ(firmware->segments[0].address, 0x1100);
    EXPECT_EQ(firmware->segments[0].wordCount, 5912);
    EXPECT_EQ(firmware->segments[0].bytes.size(), 11824U);
    EXPECT_EQ(firmware->segments[1].address, 0xFFE0);
    EXPECT_EQ(firmware->segments[1].wordCount, 16);
    EXPECT_EQ(firmware->WordSum() * 2, 11856);

    const std::string id = std::string("#0A") + "KX_VELDRAN V02.73" + std::string(1, '\0');
    EXPECT_EQ(TextAt(*firmware, 0x11C5, id.size()), id);
    const std::string code(firmware->segments[0].bytes.begin(), firmware->segments[0].bytes.end());
    EXPECT_NE(code.find("STAND-IN FIRMWARE, NOT FOR A REAL BOX"), std::string::npos);

    const auto low = firmware->ByteAt(0xFFFE);
    const auto high = firmware->ByteAt(0xFFFF);
    ASSERT_TRUE(low && high);
    const unsigned reset = *low | (*high << 8);
    EXPECT_GE(reset, 0x1100U);
    EXPECT_LT(reset, 0x1100U + 11824U);

    ASSERT_EQ(LoaderPatchBytes().size(), 200U);
    const auto patch = ParseFirmwareContainer(LoaderPatchBytes());
    ASSERT_TRUE(patch);
    ASSERT_EQ(patch->segments.size(), 1U);
    EXPECT_EQ(patch->segments[0].address, 0x0220);
    EXPECT_EQ(patch->segments[0].bytes.size(), 194U);
}

TEST(FirmwareContainerTest, DamagedContainersAreRefusedWhole) {
    struct Case {
        std::vector<std::uint8_t> bytes;
        ContainerError expected;
    };
    const std::vector<Case> cases = {
        {{}, ContainerError::Empty},
        {{0x01}, ContainerError::Truncated},
        {{0x00, 0x00}, ContainerError::NoSegments},
        {{0x01, 0x00, 0x00, 0x11}, ContainerError::Truncated},                      // no length
        {{0x01, 0x00, 0x00, 0x11, 0x02, 0x00, 0xAA, 0xBB, 0xCC}, ContainerError::Truncated},
        {{0x01, 0x00, 0x00, 0x11, 0x01, 0x00, 0xAA, 0xBB, 0xCC}, ContainerError::TrailingBytes},
        {{0x01, 0x00, 0x01, 0x11, 0x01, 0x00, 0xAA, 0xBB}, ContainerError::BadSegment},  // odd
        {{0x01, 0x00, 0xFE, 0xFF, 0x02, 0x00, 1, 2, 3, 4}, ContainerError::BadSegment},  // wraps
        {{0x01, 0x00, 0x00, 0x11, 0x00, 0x00}, ContainerError::BadSegment},  // no words
        // Second segment announced but missing.
        {{0x02, 0x00, 0x00, 0x11, 0x01, 0x00, 0xAA, 0xBB}, ContainerError::Truncated},
    };
    for (const auto& c : cases) {
        ContainerError error = ContainerError::None;
        EXPECT_FALSE(ParseFirmwareContainer(c.bytes, &error));
        EXPECT_EQ(error, c.expected) << "case of " << c.bytes.size() << " bytes";
    }

    // The last word of memory is still a valid place; words keep their byte order.
    const std::vector<std::uint8_t> last = {0x01, 0x00, 0xFE, 0xFF, 0x01, 0x00, 0x34, 0x12};
    const auto parsed = ParseFirmwareContainer(last);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->ByteAt(0xFFFE), 0x34);
    EXPECT_EQ(parsed->ByteAt(0xFFFF), 0x12);
    EXPECT_FALSE(parsed->ByteAt(0xFFFD));
}


// --- the update against the simulated box and its loader ------------------------------

using testing::Bench;
using testing::Msg;

constexpr int kF149 = 13;
constexpr unsigned kPort = 2;

// One line event as the box saw it: frames and sync bytes, with their speed.
struct Step {
    std::string name;
    std::uint32_t baud;
    std::vector<std::uint8_t> raw;
    std::uint16_t Addr() const { return static_cast<std::uint16_t>(raw[4] | (raw[5] << 8)); }
    bool operator==(const Step& o) const { return name == o.name; }
};

struct UpdateBench : Bench {
    explicit UpdateBench(std::uint16_t loaderVersion = 0x0111,
                         std::string identification = "KX_VELDRAN V02.72A",
                         std::vector<sim::FaultRule> faults = {}, bool timing = false) {
        sim::BoxConfig config;
        config.identification = std::move(identification);
        config.loaderVersion = loaderVersion;
        config.faults = std::move(faults);
        config.timing = timing;
        AddBox(kF149, kPort, config);
        out.SetConfirmHandler([](int, std::string_view) { return true; });
    }
    UpdateOutcome Run() { return UpdateFirmware(ctx, OperationInputs{}, kPort); }
    sim::Box& TheBox() { return Box(kPort); }
    std::vector<Step> Steps(std::uint32_t baud = 0) {
        std::vector<Step> steps;
        for (const auto& r : TheBox().GetTrace().Records()) {
            if (r.direction != sim::TraceDirection::Received) continue;
            if (baud != 0 && r.baud != baud) continue;
            steps.push_back({r.command, r.baud, r.bytes});
        }
        return steps;
    }
    std::vector<std::string> Names9600() {
        std::vector<std::string> names;
        for (const auto& s : Steps(9600)) names.push_back(s.name);
        return names;
    }
};

// The loader conversation the update must hold, block by block.
std::vector<std::string> ExpectedLoaderTalk(bool patched, bool readBack = true) {
    std::vector<std::string> n = {"SYNC", "MASS_ERASE", "SYNC", "RX_PASSWORD", "SYNC",
                                  "TX_DATA_BLOCK"};
    if (patched) {
        n.insert(n.end(), {"SYNC", "LOAD_PC", "SYNC", "RX_PASSWORD", "SYNC", "RX_DATA_BLOCK",
                           "SYNC", "LOAD_PC"});
    }
    n.push_back("SYNC");
    for (int block = 0; block < 94; ++block) {
        n.push_back("RX_DATA_BLOCK");
        if (patched) n.insert(n.end(), {"SYNC", "LOAD_PC"});
        n.push_back("SYNC");
    }
    if (readBack) {
        for (int block = 0; block < 94; ++block) n.insert(n.end(), {"TX_DATA_BLOCK", "SYNC"});
    }
    n.insert(n.end(), {"TX_DATA_BLOCK", "SYNC", "LOAD_PC"});
    return n;
}

TEST(FirmwareUpdateTest, UpdatesAnOldBoxEndToEnd) {
    UpdateBench b;
    const auto outcome = b.Run();
    ASSERT_TRUE(outcome.success) << b.out.Text();
    EXPECT_TRUE(outcome.disableUpdateButton);
    EXPECT_TRUE(outcome.portReopened);
    EXPECT_EQ(b.out.ShownText(), Msg(51) + Msg(53));
    EXPECT_EQ(b.out.BeepCount(), 1);
    EXPECT_EQ(b.out.busyOn, b.out.busyOff);

    const auto steps115 = b.Steps(115200);
    ASSERT_EQ(steps115.size(), 2U);
    EXPECT_EQ(steps115[0].name, "GET_VERSION");
    EXPECT_EQ(steps115[1].name, "ENTER_LOADER");
    EXPECT_EQ(b.Names9600(), ExpectedLoaderTalk(false));

    std::vector<std::pair<std::uint16_t, std::size_t>> blocks;
    for (const auto& s : b.Steps(9600)) {
        if (s.name == "RX_DATA_BLOCK") blocks.emplace_back(s.Addr(), s.raw[6]);
    }
    ASSERT_EQ(blocks.size(), 94U);
    EXPECT_EQ(blocks[0], std::make_pair(std::uint16_t{0x1100}, std::size_t{128}));
    EXPECT_EQ(blocks[91], std::make_pair(std::uint16_t{0x3E80}, std::size_t{128}));
    EXPECT_EQ(blocks[92], std::make_pair(std::uint16_t{0x3F00}, std::size_t{48}));
    EXPECT_EQ(blocks[93], std::make_pair(std::uint16_t{0xFFE0}, std::size_t{32}));
    EXPECT_EQ(b.out.ProgressUpper(), 11856U);
    EXPECT_EQ(b.out.ProgressPos(), 11856U);

    const auto steps = b.Steps(9600);
    EXPECT_EQ(steps[5].Addr(), 0x0FFA);  // loader version
    EXPECT_EQ(steps[steps.size() - 3].Addr(), 0xFFFE);
    EXPECT_EQ(steps.back().Addr(), 0x1200);  // the stand-in's reset vector

    // The restarted box runs what was written and says so at the normal speed.
    std::array<std::uint8_t, link::kVersionReplySize> reply{};
    ASSERT_EQ(b.link.GetVersion(reply), link::kLinkOk);
    EXPECT_EQ(link::VersionText(reply), "KX_VELDRAN V02.73A");
    EXPECT_EQ(b.link.OpenIndex(), kPort);
}

TEST(FirmwareUpdateTest, OldLoadersGetThePatchBeforeAndAfterEveryBlock) {
    UpdateBench b(0x0110);
    ASSERT_TRUE(b.Run().success) << b.out.Text();
    EXPECT_EQ(b.Names9600(), ExpectedLoaderTalk(true));
    std::vector<std::uint16_t> jumps;
    for (const auto& s : b.Steps(9600)) {
        if (s.name == "LOAD_PC") jumps.push_back(s.Addr());
        if (s.name == "RX_DATA_BLOCK" && s.Addr() == 0x0220) {
            EXPECT_EQ(s.raw[6], 194);
        }
    }
    ASSERT_EQ(jumps.size(), 2U + 94U + 1U);
    EXPECT_EQ(jumps[0], 0x0C22);
    for (std::size_t i = 1; i + 1 < jumps.size(); ++i) EXPECT_EQ(jumps[i], 0x0220) << i;
    EXPECT_EQ(b.TheBox().Identification(), "KX_VELDRAN V02.73A");

    // One version later no patch is loaded and no block is followed by a jump.
    UpdateBench n(0x0111);
    ASSERT_TRUE(n.Run().success);
    for (const auto& s : n.Steps(9600)) {
        if (s.name == "LOAD_PC") {
            EXPECT_EQ(s.Addr(), 0x1200);
        }
    }
}

TEST(FirmwareUpdateTest, ABoxThatNeedsNoUpdateOrIsForeignIsLeftAlone) {
    struct Case {
        const char* identification;
        int message;
    };
    for (const Case c : {Case{"KX_VELDRAN V02.73", 50}, Case{"KX_VELDRAN V02.73Q", 50},
                         Case{"KX_VELDRAN V02.80A", 50}, Case{"KY_VELDRAN V01.00A", 49}}) {
        UpdateBench b(0x0111, c.identification);
        const auto outcome = b.Run();
        EXPECT_FALSE(outcome.success);
        EXPECT_FALSE(outcome.disableUpdateButton);
        EXPECT_EQ(b.out.ShownText(), Msg(c.message)) << c.identification;
        EXPECT_EQ(b.Names(kPort), std::vector<std::string>{"GET_VERSION"});
        EXPECT_EQ(b.TheBox().Mode(), sim::BoxMode::Firmware);
    }
}

TEST(FirmwareUpdateTest, UnacknowledgedOrDifferentBlocksFailTheUpdate) {
    // The fifth firmware block is refused: nothing after it is sent, the box stays in its
    // loader and the button stays for another try.
    UpdateBench nak(0x0111, "KX_VELDRAN V02.72A", {{0x12, 5, sim::FaultAction::Nak}});
    auto outcome = nak.Run();
    EXPECT_FALSE(outcome.success);
    EXPECT_FALSE(outcome.disableUpdateButton);
    EXPECT_EQ(nak.out.ShownText(), Msg(51) + Msg(52));
    const auto names = nak.Names9600();
    EXPECT_EQ(names.back(), "RX_DATA_BLOCK");
    EXPECT_EQ(std::count(names.begin(), names.end(), "RX_DATA_BLOCK"), 5);
    EXPECT_EQ(nak.TheBox().Mode(), sim::BoxMode::Loader);
    EXPECT_EQ(nak.out.busyOn, nak.out.busyOff);
    EXPECT_EQ(nak.out.BeepCount(), 0);

    // The patch block itself refused.
    UpdateBench patch(0x0110, "KX_VELDRAN V02.72A", {{0x12, 1, sim::FaultAction::Nak}});
    EXPECT_FALSE(patch.Run().success);
    EXPECT_EQ(patch.out.ShownText(), Msg(51) + Msg(52));

    // A block that reads back different (one byte corrupted on the way) is not trusted.
    UpdateBench diff(0x0111, "KX_VELDRAN V02.72A", {{0x14, 10, sim::FaultAction::Corrupt}});
    outcome = diff.Run();
    EXPECT_FALSE(outcome.success);
    EXPECT_EQ(diff.out.ShownText(), Msg(51) + Msg(52));
    for (const auto& s : diff.Steps(9600)) EXPECT_NE(s.name, "LOAD_PC");
}

TEST(FirmwareUpdateTest, ResetVectorReadFailureAndLostPortStillReportTheWrite) {
    // Loader version + 94 read-back blocks, then the reset vector: occurrence 96.
    UpdateBench b(0x0111, "KX_VELDRAN V02.72A", {{0x14, 96, sim::FaultAction::NoReply}});
    const auto outcome = b.Run();
    EXPECT_TRUE(outcome.success);
    EXPECT_EQ(b.out.ShownText(), Msg(51) + Msg(53));
    for (const auto& s : b.Steps(9600)) EXPECT_NE(s.name, "LOAD_PC");
    // The restart pulse still brings up the new firmware.
    EXPECT_EQ(b.TheBox().Identification(), "KX_VELDRAN V02.73A");
    EXPECT_TRUE(outcome.portReopened);

    // The box vanishes as it starts: the reopen fails and the pane says so alone.
    UpdateBench gone(0x0111, "KX_VELDRAN V02.72A", {{0x1A, 1, sim::FaultAction::Vanish}});
    const auto lost = gone.Run();
    EXPECT_TRUE(lost.success);
    EXPECT_FALSE(lost.portReopened);
    EXPECT_TRUE(lost.disableUpdateButton);
    EXPECT_EQ(gone.out.ShownText(), Msg(5));
}

// Wire time of the read-back at 9600 baud, 11 bits a character: per 128-byte block a
// 10-byte request, a 134-byte reply and the 2-byte sync; 13,548 characters for the whole
// firmware, 15.5 s.
TEST(FirmwareUpdateTest, ReadBackCostAtLoaderSpeed) {
    UpdateBench b(0x0111, "KX_VELDRAN V02.72A", {}, true);
    ASSERT_TRUE(b.Run().success) << b.out.Text();
    const auto& records = b.TheBox().GetTrace().Records();
    std::size_t lastWrite = 0;
    std::size_t vectorRead = 0;
    std::size_t firstWrite = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const auto& r = records[i];
        if (r.direction != sim::TraceDirection::Received || r.baud != 9600) continue;
        if (r.command == "RX_DATA_BLOCK") {
            if (firstWrite == 0) firstWrite = i;
            lastWrite = i;
        }
        if (r.command == "TX_DATA_BLOCK" && (r.bytes[4] | (r.bytes[5] << 8)) == 0xFFFE) {
            vectorRead = i;
        }
    }
    ASSERT_GT(lastWrite, 0U);
    ASSERT_GT(vectorRead, lastWrite);
    // The read-back runs from the sync after the last block to the reset-vector read.
    const auto readBackUs =
        static_cast<double>(records[vectorRead].atUs - records[lastWrite + 2].atUs);
    const auto writeUs = static_cast<double>(records[lastWrite + 2].atUs - records[firstWrite].atUs);
    const double wireUs = 13548.0 * 11 * 1e6 / 9600;
    RecordProperty("read_back_ms", static_cast<int>(readBackUs / 1000));
    RecordProperty("write_ms", static_cast<int>(writeUs / 1000));
    std::printf("read-back %.2f s, write %.2f s, read-back wire time %.2f s\n", readBackUs / 1e6,
                writeUs / 1e6, wireUs / 1e6);
    EXPECT_GE(readBackUs, wireUs * 0.95);
    EXPECT_LE(readBackUs, wireUs * 1.25);
}

}  // namespace
}  // namespace kx::ops
