// Each command of the read, the download and the update meets each fault on its first
// occurrence: the operation ends with its own message, in time, the cursor restored; a read
// changes the image only when it succeeds, and then holds exactly the chip's bytes.

#include <array>
#include <cstring>

#include "ops_test_helpers.h"
#include "sim/command_names.h"

namespace kx::ops {
namespace {

using namespace testing;
using sim::FaultAction;

constexpr std::array kFaults = {FaultAction::NoReply, FaultAction::Nak,  FaultAction::Short,
                                FaultAction::Corrupt, FaultAction::Late, FaultAction::Vanish};

struct Case {
    const char* op;
    int code;
    std::array<int, 6> message;  // per fault, in the order of kFaults
};

// Read: a corrupted status still reads as "connected", a corrupted data block is read again.
// Download: a corrupted identification is foreign. Update (old loader: the patch path): the
// jump to the loader and the sync byte go unchecked; a refused sync deafens the loader.
constexpr Case kCases[] = {
    {"Read", 0x70, {9, 9, 9, 42, 9, 9}},
    {"Read", 0x21, {41, 41, 41, 41, 41, 41}},
    {"Read", 0x14, {41, 41, 41, 42, 41, 41}},
    {"Download", 0x72, {6, 6, 6, 7, 6, 6}},
    {"Download", 0x75, {45, 45, 45, 45, 45, 45}},
    {"Download", 0x76, {45, 45, 45, 45, 45, 45}},
    {"Download", 0x74, {26, 26, 26, 26, 26, 26}},
    {"Update", 0x72, {9, 9, 9, 49, 9, 9}},
    {"Update", 0x77, {9, 9, 9, 9, 9, 9}},
    {"Update", sim::kSyncCode, {53, 52, 53, 53, 53, 52}},
    {"Update", 0x18, {52, 52, 52, 52, 52, 52}},
    {"Update", 0x10, {52, 52, 52, 52, 52, 52}},
    {"Update", 0x14, {52, 52, 52, 52, 52, 52}},
    {"Update", 0x1A, {53, 53, 53, 53, 53, 52}},
    {"Update", 0x12, {52, 52, 52, 52, 52, 52}},
};

class Ops2FaultTest : public ::testing::TestWithParam<std::tuple<Case, std::size_t>> {};

TEST_P(Ops2FaultTest, EndsWithItsMessageInTime) {
    const auto [c, fault] = GetParam();
    const std::string op = c.op;
    Bench b;
    const auto withFault = [&](sim::BoxConfig& k) { k.faults = {{c.code, 1, kFaults[fault]}}; };
    Result result = Result::Failed;
    if (op == "Read") {
        b.AddBox(49, 0, withFault);  // F2619: two blocks each side of 0x10000
        auto chip = std::make_unique<image::CodeImage>();
        FillImage(*chip, 0xFF00, 0x10100);
        b.Box().Target()->Preload(0xFF00,
                                  std::span<const std::uint8_t>(chip->Data() + 0xFF00, 0x200));
        b.image->Set(0x2000, 0x42);  // a loaded file
        const auto before = std::make_unique<image::CodeImage>(*b.image);
        b.in.readAddressText = "0FF00";
        b.in.readLengthText = "00200";
        result = ReadTarget(b.ctx, b.in).result;
        const auto& expected = result == Result::Succeeded ? chip : before;
        EXPECT_EQ(std::memcmp(b.image->Data(), expected->Data(), image::kImageSize), 0);
    } else if (op == "Download") {
        b.AddBox(13, 0, withFault);
        FillImage(*b.image, 0x2000, 0x2090);
        FillImage(*b.image, 0x3000, 0x3090);  // three chunks
        result = DownloadOffline(b.ctx, b.in);
    } else {
        b.AddBox(13, 0, [&](auto& k) {
            withFault(k);
            k.identification = "KX_VELDRAN V02.72A";
            k.loaderVersion = 0x0110;
        });
        result = UpdateFirmware(b.ctx, b.in, b.ports.PortName(0)).result;
    }

    const int expected = c.message[fault];
    const bool good = expected == 42 || expected == 53;
    const std::string& pane = b.out.ShownText();
    EXPECT_TRUE(good ? b.Shows(expected) : pane.ends_with(Msg(expected))) << pane;
    EXPECT_EQ(std::tuple(result == Result::Succeeded, b.out.BeepCount()),
              std::tuple(good, good ? 1 : 0));
    EXPECT_TRUE(b.out.Balanced());
    EXPECT_LE(b.ElapsedMs(), 5000U);
    // A box gone mid-operation is a lost connection (the command line's exit 3).
    EXPECT_EQ(result == Result::ConnectionLost, kFaults[fault] == FaultAction::Vanish);
}

// An adapter pulled while the question is open: the operation notices before it sends
// anything, and says that the connection is lost.
TEST(ConfirmedStartTest, BoxPulledDuringTheQuestionIsALostConnection) {
    for (const bool update : {false, true}) {
        Bench b;
        b.AddBox(13, 0, [](auto& c) { c.identification = "KX_VELDRAN V02.72A"; });
        b.out.SetConfirmHandler([&b](Message, std::string_view) {
            b.Box().Vanish(0);
            return true;
        });
        const Result result = update ? UpdateFirmware(b.ctx, b.in, b.ports.PortName(0)).result
                                     : DownloadOffline(b.ctx, b.in);
        EXPECT_EQ(result, Result::ConnectionLost);
        EXPECT_EQ(b.out.ShownText(), Msg(5));
        EXPECT_EQ(b.Walk(), "");
    }
}

std::string CaseName(const ::testing::TestParamInfo<std::tuple<Case, std::size_t>>& p) {
    const auto& [c, fault] = p.param;
    return std::string(c.op) + "_" + sim::CommandName(c.code) + "_" +
           std::string(sim::FaultActionName(kFaults[fault]));
}

INSTANTIATE_TEST_SUITE_P(AllCommands, Ops2FaultTest,
                         ::testing::Combine(::testing::ValuesIn(kCases),
                                            ::testing::Range<std::size_t>(0, 6)),
                         CaseName);

}  // namespace
}  // namespace kx::ops
