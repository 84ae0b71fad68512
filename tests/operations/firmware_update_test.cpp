#include <algorithm>
#include <cstdlib>
#include <span>
#include <tuple>

#include "messages/text_catalogue.h"
#include "operations/firmware_container.h"
#include "ops_test_helpers.h"

namespace kx::ops {
namespace {

using namespace testing;

// Where it is read, an empty value counts as not set.
void SetVariable(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value);
#else
    setenv(name, value, 1);
#endif
}

TEST(FirmwareContainerTest, DamagedContainersAreRefused) {
    using E = ContainerError;
    const std::vector<std::pair<Bytes, E>> bad = {
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

constexpr unsigned kPort = 2;  // the update reopens the port it was given

// A box with older firmware and a loader that needs no patch, unless `edit` says otherwise.
struct Update : Bench {
    explicit Update(const std::function<void(sim::BoxConfig&)>& edit = {},
                    UiLanguage language = UiLanguage::English)
        : Bench(language) {
        AddBox(13, kPort, [&](auto& c) {
            c.identification = "KX_VELDRAN V02.72A";
            c.loaderVersion = 0x0111;
            if (edit) edit(c);
        });
    }
    UpdateOutcome Run(const std::string& path = "sim:COM3") {
        return UpdateFirmware(ctx, in, path);
    }
    // What the loader received at 9600 baud, a letter a frame: S sync, M MASS_ERASE,
    // P RX_PASSWORD, R RX_DATA_BLOCK, T TX_DATA_BLOCK, J LOAD_PC.
    std::string Talk(char letter = 0, std::vector<unsigned>* addresses = nullptr) {
        std::string talk;
        for (const auto& r : Box().GetTrace().Records()) {
            if (r.direction != sim::TraceDirection::Received || r.baud != 9600) continue;
            talk += r.command == "RX_PASSWORD" ? 'P' : r.command == "LOAD_PC" ? 'J' : r.command[0];
            if (talk.back() == letter) addresses->push_back(r.bytes[4] | r.bytes[5] << 8);
        }
        return talk;
    }
    std::vector<unsigned> At(char letter) {  // the addresses of one kind of frame
        std::vector<unsigned> addresses;
        Talk(letter, &addresses);
        return addresses;
    }
};

// Erase, unlock, loader version, [patch], 94 blocks written (each followed by the patch's
// entry), 94 read back, the reset vector and the jump to it.
std::string ExpectedTalk(bool patched) {
    std::string talk = std::string("SMSPST") + (patched ? "SJSPSRSJ" : "") + "S";
    for (int block = 0; block < 94; ++block) talk += patched ? "RSJS" : "RS";
    for (int block = 0; block < 94; ++block) talk += "TS";
    return talk + "TSJ";
}

constexpr const char* kReadBackLine =
    "Firmware written; reading it back to check it (about 16 s), do not interrupt...\r\n";

// With wire times on: the read-back costs its 9600-baud wire time, 11 bits a character; per
// 128-byte block a 10-byte request, a 134-byte reply and the 2-byte sync: 13,548 characters.
TEST(FirmwareUpdateTest, UpdatesOldBoxesWithAndWithoutThePatch) {
    Update b([](auto& c) { c.timing = true; });
    const auto outcome = b.Run();
    ASSERT_EQ(outcome.result, Result::Succeeded) << b.out.Text();
    EXPECT_TRUE(outcome.portReopened);
    // The bar covers the write and the read-back; the read-back has its own line.
    EXPECT_EQ(b.out.ShownText(), Msg(51) + kReadBackLine + Msg(53));
    EXPECT_TRUE(b.out.Balanced());
    ASSERT_EQ(b.Talk(), ExpectedTalk(false));
    const auto rx = b.At('R');  // the stand-in: 0x1100.., the vectors, reset to 0x1200
    EXPECT_EQ((std::vector{b.At('T')[0], rx[0], rx[92], rx[93], b.At('J')[0]}),
              (std::vector{0x0FFAu, 0x1100u, 0x3F00u, 0xFFE0u, 0x1200u}));
    EXPECT_EQ(std::tuple(b.out.ProgressPos(), b.out.ProgressUpper()), std::tuple(23712U, 23712U));
    std::array<std::uint8_t, link::kVersionReplySize> reply{};
    ASSERT_EQ(b.link.GetVersion(reply), link::kLinkOk);  // the written firmware answers
    EXPECT_EQ(link::VersionText(reply), "KX_VELDRAN V02.73A");
    std::vector<double> reads;  // the loader version, 94 blocks, the reset vector
    for (const auto& r : b.Box().GetTrace().Records())
        if (r.direction == sim::TraceDirection::Received && r.command == "TX_DATA_BLOCK")
            reads.push_back(static_cast<double>(r.atUs) / 1e6);
    const double wire = 13548.0 * 11 / 9600;
    EXPECT_GE(reads.back() - reads[1], wire * 0.95);
    EXPECT_LE(reads.back() - reads[1], wire * 1.25);

    Update old([](auto& c) { c.loaderVersion = 0x0110; });
    ASSERT_EQ(old.Run().result, Result::Succeeded) << old.out.Text();
    EXPECT_EQ(old.Talk(), ExpectedTalk(true));
    const auto jumps = old.At('J');
    EXPECT_EQ(std::count(jumps.begin(), jumps.end(), 0x0C22u), 1);
    EXPECT_EQ(std::count(jumps.begin(), jumps.end(), 0x0220u), 95);
}

TEST(FirmwareUpdateTest, VersionJudgement) {
    for (auto id : {"KX_VELDRAN V02.73", "KX_VELDRAN V02.80A"}) {  // current, newer
        Update b([&](auto& c) { c.identification = id; });
        const auto outcome = b.Run();
        EXPECT_EQ(outcome.result, Result::UpToDate);
        EXPECT_EQ(b.out.ShownText(), Msg(50)) << id;
        EXPECT_EQ(b.Walk(), "GET_VERSION ");
    }
}

// Missing containers, and stand-ins unless allowed, are refused with how to build with real ones.
TEST(FirmwareUpdateTest, OnlyRealOrAllowedFirmwareIsWritten) {
    const Bytes real{1, 0, 0x00, 0x11, 1, 0, 0xAA, 0xBB};
    const auto standIn = ProgrammerFirmwareBytes(), standInPatch = LoaderPatchBytes();
    using L = UiLanguage;
    for (const auto& [firmware, patch, lang, what] :
         {std::tuple{std::span<const std::uint8_t>{}, std::span(real), L::Chinese,
                     "固件文件programmer_firmware.bin（本版本编译时未带入此文件）不可用"},
          {standIn, std::span(real), L::English,
           "programmer_firmware.bin this program carries is a stand-in"},
          {std::span(real), standInPatch, L::Chinese,
           "loader_patch.bin是仅供测试和模拟器使用的替代文件"}}) {
        const std::string refusal = CarriedFirmwareRefusal(firmware, patch, false, lang);
        EXPECT_NE(refusal.find(what), std::string::npos) << refusal;
        EXPECT_NE(refusal.find("cmake -DKX_FIRMWARE_DIR="), std::string::npos) << refusal;
    }
    EXPECT_EQ(CarriedFirmwareRefusal(real, real, false, L::English), "");
    EXPECT_EQ(CarriedFirmwareRefusal(standIn, standInPatch, true, L::English), "");

    // Without the environment's permission nothing reaches the box, not even a question.
    const char* const set = std::getenv("KX_ALLOW_STANDIN_FIRMWARE");
    const std::string allowed = set != nullptr ? set : "";
    SetVariable("KX_ALLOW_STANDIN_FIRMWARE", "");
    Update b;
    int questions = 0;
    b.out.SetConfirmHandler([&](Message, std::string_view) { return ++questions > 0; });
    const auto outcome = b.Run();
    SetVariable("KX_ALLOW_STANDIN_FIRMWARE", allowed.c_str());
    EXPECT_EQ(outcome.result, Result::Failed);
    EXPECT_EQ(b.out.ShownText(),
              CarriedFirmwareRefusal(standIn, standInPatch, false, UiLanguage::English));
    EXPECT_EQ(std::tuple(b.Walk(), questions), std::tuple("", 0));
    EXPECT_EQ(b.Box().Identification(), "KX_VELDRAN V02.72A");
}

TEST(FirmwareUpdateTest, ResetVectorReadFailureAndLostPortStillReportTheWrite) {
    // Loader version + 94 read-back blocks, then the reset vector: occurrence 96.
    Update b([](auto& c) { c.faults = {{0x14, 96, sim::FaultAction::NoReply}}; });
    const auto outcome = b.Run();
    EXPECT_TRUE(outcome.result == Result::Succeeded && outcome.portReopened);
    EXPECT_EQ(b.out.ShownText(), Msg(51) + kReadBackLine + Msg(53));
    EXPECT_TRUE(b.Talk().ends_with("TST"));                     // no jump
    EXPECT_EQ(b.Box().Identification(), "KX_VELDRAN V02.73A");  // the pulse restarts it

    Update gone([](auto& c) { c.faults = {{0x1A, 1, sim::FaultAction::Vanish}}; });
    const auto lost = gone.Run();
    EXPECT_TRUE(lost.result == Result::Succeeded && !lost.portReopened);
    EXPECT_EQ(gone.out.ShownText(), Msg(5));
}

// The update reopens the path discovery found, though an adapter plugged in meanwhile moved
// the box to another index; a path that has gone is a lost programmer.
TEST(FirmwareUpdateTest, ReopensThePathDiscoveryFound) {
    for (const bool gone : {false, true}) {
        Update b;
        const DiscoveryOutcome found = FindProgrammer(b.ctx);
        ASSERT_TRUE(found.result == Result::Succeeded && found.firmwareOlder);
        b.ports.sim.MovePort(kPort, kPort + 1);
        b.boxIndex = kPort + 1;
        b.ports.sim.AddSilentPort(kPort);
        if (gone) b.ports.sim.RemovePort(kPort + 1);  // the link still holds it open
        const UpdateOutcome outcome = b.Run(found.portPath);
        EXPECT_EQ(std::tuple(outcome.result, outcome.portReopened),
                  std::tuple(gone ? Result::ConnectionLost : Result::Succeeded, !gone));
        EXPECT_EQ(b.out.ShownText(), Msg(51) + (gone ? Msg(9) : kReadBackLine + Msg(53)));
        if (!gone) {
            EXPECT_EQ(b.Box().Identification(), "KX_VELDRAN V02.73A");
        }
    }
}

// A refused or misread firmware block leaves the box in its loader and the button enabled;
// the update run again (after a new search or at once) finishes it, patch and all.
TEST(FirmwareUpdateTest, AnUnfinishedUpdateIsFinishedFromTheLoader) {
    for (const auto& [fault, loader, language] :
         {std::tuple{sim::FaultRule{0x12, 47, sim::FaultAction::Nak}, 0x0111, UiLanguage::English},
          {sim::FaultRule{0x14, 10, sim::FaultAction::Corrupt}, 0x0110, UiLanguage::Chinese}}) {
        Update b(
            [&](auto& c) {
                c.loaderVersion = static_cast<std::uint16_t>(loader);
                c.faults = {fault};
            },
            language);
        const std::string readBack = language == UiLanguage::English
                                         ? kReadBackLine
                                         : "固件已写入，正在读回校验（约16秒），请勿中断...\r\n";
        const bool failsInReadBack = fault.action == sim::FaultAction::Corrupt;
        EXPECT_NE(b.Run().result, Result::Succeeded);
        EXPECT_EQ(b.out.ShownText(),
                  Msg(51, language) + (failsInReadBack ? readBack : "") + Msg(52, language));
        ASSERT_EQ(b.Box().Mode(), sim::BoxMode::Loader);

        if (language == UiLanguage::English) {
            const DiscoveryOutcome found = FindProgrammer(b.ctx);
            EXPECT_TRUE(found.result == Result::Succeeded && found.loaderOnly &&
                        found.firmwareOlder);
            EXPECT_EQ(std::tuple(found.portPath, b.link.OpenPath()),
                      std::tuple("sim:COM3", "sim:COM3"));
            EXPECT_EQ(b.out.ShownText(), SayText(language, Text::LoaderOnlyUpdateAgain));
        }
        const UpdateOutcome again = b.Run();
        ASSERT_TRUE(again.result == Result::Succeeded && again.portReopened) << b.out.Text();
        EXPECT_EQ(b.out.ShownText(), SayText(language, Text::LoaderOnlyFinishingUpdate) +
                                         Msg(51, language) + readBack + Msg(53, language));
        const std::string talk = b.Talk();
        EXPECT_EQ(std::count(talk.begin(), talk.end(), 'M'), 2);
        std::array<std::uint8_t, link::kVersionReplySize> reply{};
        ASSERT_EQ(b.link.GetVersion(reply), link::kLinkOk);
        EXPECT_EQ(link::VersionText(reply), "KX_VELDRAN V02.73A");
    }
}

}  // namespace
}  // namespace kx::ops
