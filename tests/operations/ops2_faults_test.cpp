// Each command of the read, the offline download and the firmware update meets each fault
// the simulated box can inject (on its first occurrence): the operation must end with its
// own message, inside the time-outs, with the cursor restored.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <tuple>

#include "operations/operations.h"
#include "ops_test_helpers.h"
#include "sim/command_names.h"

namespace kx::ops {
namespace {

using sim::FaultAction;

enum class Op { Read, Download, Update };

constexpr std::array kFaults = {FaultAction::NoReply, FaultAction::Nak,  FaultAction::Short,
                                FaultAction::Corrupt, FaultAction::Late, FaultAction::Vanish};

struct Case {
    Op op;
    int code;
    std::array<int, 6> message;  // per fault, in the order of kFaults
};

// Read: a corrupted status still reads as "connected", and a corrupted data byte passes
// unseen (the link does not check data replies). Download: a corrupted identification is
// foreign. Update (old loader, so the patch path runs): the jump to the loader entry and the
// sync byte are not checked; a refused sync leaves the loader deaf to the next frame.
constexpr Case kCases[] = {
    {Op::Read, 0x70, {9, 9, 9, 42, 9, 9}},
    {Op::Read, 0x21, {41, 41, 41, 41, 41, 41}},
    {Op::Read, 0x14, {41, 41, 41, 42, 41, 41}},
    {Op::Download, 0x72, {6, 6, 6, 7, 6, 6}},
    {Op::Download, 0x75, {45, 45, 45, 45, 45, 45}},
    {Op::Download, 0x76, {45, 45, 45, 45, 45, 45}},
    {Op::Download, 0x74, {26, 26, 26, 26, 26, 26}},
    {Op::Update, 0x72, {9, 9, 9, 49, 9, 9}},
    {Op::Update, 0x77, {9, 9, 9, 9, 9, 9}},
    {Op::Update, sim::kSyncCode, {53, 52, 53, 53, 53, 52}},
    {Op::Update, 0x18, {52, 52, 52, 52, 52, 52}},
    {Op::Update, 0x10, {52, 52, 52, 52, 52, 52}},
    {Op::Update, 0x14, {52, 52, 52, 52, 52, 52}},
    {Op::Update, 0x1A, {53, 53, 53, 53, 53, 52}},
    {Op::Update, 0x12, {52, 52, 52, 52, 52, 52}},
};

class Ops2FaultTest : public ::testing::TestWithParam<std::tuple<Case, std::size_t>> {};

TEST_P(Ops2FaultTest, EndsWithItsMessageInTime) {
    const auto [c, fault] = GetParam();
    sim::BoxConfig config;
    config.faults.push_back({c.code, 1, kFaults[fault]});
    testing::Bench b;
    b.out.SetConfirmHandler([](int, std::string_view) { return true; });
    OperationInputs in;
    bool success = false;
    if (c.op == Op::Read) {
        in.deviceRow = 49;  // F2619: two blocks each side of 0x10000
        b.AddBox(in.deviceRow, 0, config);
        in.readAddressText = "0FF00";
        in.readLengthText = "00200";
        success = ReadTarget(b.ctx, in).success;
    } else if (c.op == Op::Download) {
        in.deviceRow = 13;
        b.AddBox(in.deviceRow, 0, config);
        testing::FillImage(*b.image, 0x2000, 0x2090);
        testing::FillImage(*b.image, 0x3000, 0x3090);  // three chunks
        success = DownloadOffline(b.ctx, in).success;
    } else {
        config.identification = "KX_VELDRAN V02.72A";
        config.loaderVersion = 0x0110;
        b.AddBox(13, 0, config);
        success = UpdateFirmware(b.ctx, in, 0).success;
    }

    const int expected = c.message[fault];
    const bool good = expected == 42 || expected == 53;
    const std::string pane = b.out.ShownText();
    const std::string msg = testing::Msg(expected);
    EXPECT_NE(pane.find(msg), std::string::npos) << pane;
    if (!good) {
        EXPECT_EQ(pane.substr(pane.size() - std::min(pane.size(), msg.size())), msg);
    }
    EXPECT_EQ(success, good);
    EXPECT_EQ(b.out.BeepCount(), good ? 1 : 0);
    EXPECT_EQ(b.out.busyOn, b.out.busyOff);
    EXPECT_LE(b.ElapsedMs(), 5000U);
}

std::string CaseName(const ::testing::TestParamInfo<std::tuple<Case, std::size_t>>& p) {
    const auto& [c, fault] = p.param;
    const char* op[] = {"Read", "Download", "Update"};
    return std::string(op[static_cast<int>(c.op)]) + "_" + sim::CommandName(c.code) + "_" +
           std::string(sim::FaultActionName(kFaults[fault]));
}

INSTANTIATE_TEST_SUITE_P(AllCommands, Ops2FaultTest,
                         ::testing::Combine(::testing::ValuesIn(kCases),
                                            ::testing::Range<std::size_t>(0, 6)),
                         CaseName);

}  // namespace
}  // namespace kx::ops
