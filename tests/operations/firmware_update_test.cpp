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

using testing::Msg;

TEST(FirmwareContainerTest, CarriedStandInsAndDamagedContainers) {
    const auto fw = ParseFirmwareContainer(ProgrammerFirmwareBytes());
    ASSERT_TRUE(fw && fw->segments.size() == 2);
    EXPECT_EQ(ProgrammerFirmwareBytes().size(), 11866U);
    EXPECT_EQ(fw->segments[0].address, 0x1100);
    EXPECT_EQ(fw->segments[0].wordCount, 5912);
    EXPECT_EQ(fw->segments[1].address, 0xFFE0);
    EXPECT_EQ(fw->WordSum() * 2, 11856);
    std::string id;
    for (std::uint32_t a = 0x11C5; a < 0x11C5 + 21; ++a) id += static_cast<char>(*fw->ByteAt(a));
    EXPECT_EQ(id, std::string("#0AKX_VELDRAN V02.73") + '\0');
    const auto patch = ParseFirmwareContainer(LoaderPatchBytes());
    ASSERT_TRUE(patch && patch->segments.size() == 1);
    EXPECT_EQ(patch->segments[0].address, 0x0220);
    EXPECT_EQ(patch->segments[0].bytes.size(), 194U);

    using E = ContainerError;
    const std::vector<std::pair<std::vector<std::uint8_t>, E>> bad = {
        {{}, E::Empty},
        {{0, 0}, E::NoSegments},
        {{2, 0, 0x00, 0x11, 1, 0, 0xAA, 0xBB}, E::Truncated},  // second segment missing
        {{1, 0, 0x00, 0x11, 1, 0, 0xAA, 0xBB, 0xCC}, E::TrailingBytes},
        {{1, 0, 0x01, 0x11, 1, 0, 0xAA, 0xBB}, E::BadSegment},  // odd address
        {{1, 0, 0xFE, 0xFF, 2, 0, 1, 2, 3, 4}, E::BadSegment},  // runs past 0xFFFF
    };
    for (const auto& [bytes, expected] : bad) {
        E error = E::None;
        EXPECT_FALSE(ParseFirmwareContainer(bytes, &error));
        EXPECT_EQ(error, expected) << bytes.size();
    }
}

constexpr unsigned kPort = 2;

struct UpdateBench : testing::Bench {
    explicit UpdateBench(std::uint16_t loader = 0x0111, std::string id = "KX_VELDRAN V02.72A",
                         std::vector<sim::FaultRule> faults = {}, bool timing = false) {
        sim::BoxConfig config;
        config.identification = std::move(id);
        config.loaderVersion = loader;
        config.faults = std::move(faults);
        config.timing = timing;
        AddBox(13, kPort, config);
        out.SetConfirmHandler([](int, std::string_view) { return true; });
    }
    UpdateOutcome Run() { return UpdateFirmware(ctx, OperationInputs{}, kPort); }
    sim::Box& TheBox() { return *ports.sim.BoxAt(kPort); }
    // What the loader received at 9600 baud, sync bytes included: "NAME@address".
    std::vector<std::string> Loader(bool withAddress = false) {
        std::vector<std::string> steps;
        for (const auto& r : TheBox().GetTrace().Records()) {
            if (r.direction != sim::TraceDirection::Received || r.baud != 9600) continue;
            char at[8] = "";
            if (withAddress && r.bytes.size() > 5) {
                std::snprintf(at, sizeof at, "@%04X", r.bytes[4] | r.bytes[5] << 8);
            }
            steps.push_back(r.command + at);
        }
        return steps;
    }
};

std::vector<std::string> ExpectedLoaderTalk(bool patched) {
    std::vector<std::string> n = {"SYNC", "MASS_ERASE",    "SYNC", "RX_PASSWORD",
                                  "SYNC", "TX_DATA_BLOCK", "SYNC"};
    if (patched) {
        n.insert(n.end() - 1, {"SYNC", "LOAD_PC", "SYNC", "RX_PASSWORD", "SYNC", "RX_DATA_BLOCK",
                               "SYNC", "LOAD_PC"});
    }
    for (int block = 0; block < 94; ++block) {
        n.push_back("RX_DATA_BLOCK");
        if (patched) n.insert(n.end(), {"SYNC", "LOAD_PC"});
        n.push_back("SYNC");
    }
    for (int block = 0; block < 94; ++block) n.insert(n.end(), {"TX_DATA_BLOCK", "SYNC"});
    n.insert(n.end(), {"TX_DATA_BLOCK", "SYNC", "LOAD_PC"});
    return n;
}

TEST(FirmwareUpdateTest, UpdatesOldBoxesWithAndWithoutThePatch) {
    UpdateBench b;
    const auto outcome = b.Run();
    ASSERT_TRUE(outcome.success) << b.out.Text();
    EXPECT_TRUE(outcome.disableUpdateButton && outcome.portReopened);
    EXPECT_EQ(b.out.ShownText(), Msg(51) + Msg(53));
    EXPECT_EQ(b.out.busyOn, b.out.busyOff);
    EXPECT_EQ(b.Loader(), ExpectedLoaderTalk(false));
    const auto steps = b.Loader(true);
    EXPECT_EQ(steps[5], "TX_DATA_BLOCK@0FFA");
    EXPECT_EQ(steps[7], "RX_DATA_BLOCK@1100");
    EXPECT_EQ(steps[7 + 2 * 92], "RX_DATA_BLOCK@3F00");
    EXPECT_EQ(steps[7 + 2 * 93], "RX_DATA_BLOCK@FFE0");
    EXPECT_EQ(steps.back(), "LOAD_PC@1200");  // the stand-in's reset vector
    EXPECT_EQ(b.out.ProgressPos(), 11856U);
    EXPECT_EQ(b.out.ProgressUpper(), 11856U);
    std::array<std::uint8_t, link::kVersionReplySize> reply{};
    ASSERT_EQ(b.link.GetVersion(reply), link::kLinkOk);  // the written firmware answers
    EXPECT_EQ(link::VersionText(reply), "KX_VELDRAN V02.73A");

    UpdateBench old(0x0110);
    ASSERT_TRUE(old.Run().success) << old.out.Text();
    EXPECT_EQ(old.Loader(), ExpectedLoaderTalk(true));
    const auto jumps = old.Loader(true);
    EXPECT_EQ(std::count(jumps.begin(), jumps.end(), "LOAD_PC@0C22"), 1);
    EXPECT_EQ(std::count(jumps.begin(), jumps.end(), "LOAD_PC@0220"), 95);
}

TEST(FirmwareUpdateTest, VersionJudgementAndFailedWrites) {
    for (auto [id, msg] : {std::pair{"KX_VELDRAN V02.73", 50},
                           {"KX_VELDRAN V02.80A", 50},
                           {"KY_VELDRAN V01.00A", 49}}) {
        UpdateBench b(0x0111, id);
        EXPECT_FALSE(b.Run().disableUpdateButton);
        EXPECT_EQ(b.out.ShownText(), Msg(msg)) << id;
        EXPECT_EQ(b.Names(), std::vector<std::string>{"GET_VERSION"});
    }
    // A refused firmware block, or one that reads back different, ends the update with the
    // box left in its loader and the button kept for another try.
    for (const sim::FaultRule fault : {sim::FaultRule{0x12, 5, sim::FaultAction::Nak},
                                       sim::FaultRule{0x14, 10, sim::FaultAction::Corrupt}}) {
        UpdateBench b(0x0111, "KX_VELDRAN V02.72A", {fault});
        EXPECT_FALSE(b.Run().disableUpdateButton);
        EXPECT_EQ(b.out.ShownText(), Msg(51) + Msg(52));
        EXPECT_EQ(b.TheBox().Mode(), sim::BoxMode::Loader);
        const auto names = b.Loader();
        EXPECT_EQ(std::count(names.begin(), names.end(), "LOAD_PC"), 0);
    }
}

TEST(FirmwareUpdateTest, ResetVectorReadFailureAndLostPortStillReportTheWrite) {
    // Loader version + 94 read-back blocks, then the reset vector: occurrence 96.
    UpdateBench b(0x0111, "KX_VELDRAN V02.72A", {{0x14, 96, sim::FaultAction::NoReply}});
    const auto outcome = b.Run();
    EXPECT_TRUE(outcome.success && outcome.portReopened);
    EXPECT_EQ(b.out.ShownText(), Msg(51) + Msg(53));
    EXPECT_EQ(b.Loader().back(), "TX_DATA_BLOCK");                 // no jump
    EXPECT_EQ(b.TheBox().Identification(), "KX_VELDRAN V02.73A");  // the pulse restarts it

    UpdateBench gone(0x0111, "KX_VELDRAN V02.72A", {{0x1A, 1, sim::FaultAction::Vanish}});
    const auto lost = gone.Run();
    EXPECT_TRUE(lost.success && lost.disableUpdateButton && !lost.portReopened);
    EXPECT_EQ(gone.out.ShownText(), Msg(5));
}

// Wire time of the read-back at 9600 baud, 11 bits a character: per 128-byte block a
// 10-byte request, a 134-byte reply and the 2-byte sync; 13,548 characters in all, 15.5 s.
TEST(FirmwareUpdateTest, ReadBackCostAtLoaderSpeed) {
    UpdateBench b(0x0111, "KX_VELDRAN V02.72A", {}, true);
    ASSERT_TRUE(b.Run().success) << b.out.Text();
    std::uint64_t firstWrite = 0, readStart = 0, readEnd = 0;
    for (const auto& r : b.TheBox().GetTrace().Records()) {
        if (r.direction != sim::TraceDirection::Received || r.baud != 9600) continue;
        if (r.command == "RX_DATA_BLOCK" && firstWrite == 0) firstWrite = r.atUs;
        if (r.command == "TX_DATA_BLOCK" && firstWrite != 0) {
            if (readStart == 0) readStart = r.atUs;
            readEnd = r.atUs;  // the last is the reset-vector read
        }
    }
    const auto readBack = static_cast<double>(readEnd - readStart);
    const double wire = 13548.0 * 11 * 1e6 / 9600;
    std::printf("read-back %.2f s, write %.2f s, read-back wire time %.2f s\n", readBack / 1e6,
                static_cast<double>(readStart - firstWrite) / 1e6, wire / 1e6);
    EXPECT_GE(readBack, wire * 0.95);
    EXPECT_LE(readBack, wire * 1.25);
}

}  // namespace
}  // namespace kx::ops
