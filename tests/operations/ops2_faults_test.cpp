// Every command of the read, the offline download and the firmware update, with every fault
// the simulated box can inject on its first occurrence: the operation must end with its own
// message, inside the time-outs, with the cursor restored.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "operations/operations.h"
#include "ops_test_helpers.h"
#include "sim/command_names.h"

namespace kx::ops {
namespace {

using sim::FaultAction;
using testing::Bench;
using testing::FillImage;
using testing::Msg;

enum class Op { Read, Download, Update };

struct Target {
    Op op;
    int code;
};

constexpr int kF2619 = 49;
constexpr int kF149 = 13;

// The message the operation must end with when `code` meets `fault`.
int ExpectedMessage(Op op, int code, FaultAction fault) {
    const bool corrupt = fault == FaultAction::Corrupt;
    switch (op) {
        case Op::Read:
            // A corrupted status still reads as "connected"; a corrupted data byte passes
            // unseen, since data replies carry no check the link looks at.
            if (code == 0x70) return corrupt ? 42 : 9;
            if (code == 0x21) return 41;
            return corrupt ? 42 : 41;
        case Op::Download:
            if (code == 0x72) return corrupt ? 7 : 6;  // the first letter no longer matches
            if (code == 0x74) return 26;
            return 45;
        case Op::Update:
            switch (code) {
                case 0x72: return corrupt ? 49 : 9;
                case 0x77: return 9;
                // The jump into the loader's entry is not checked; only a box that is gone
                // makes the next command fail.
                case 0x1A: return fault == FaultAction::Vanish ? 52 : 53;
                // A lost or garbled sync answer is harmless; a refused sync leaves the loader
                // deaf to the next frame.
                case sim::kSyncCode:
                    return (fault == FaultAction::Vanish || fault == FaultAction::Nak) ? 52 : 53;
                default: return 52;  // mass erase, password, version read, patch block
            }
    }
    return -1;
}

bool IsSuccessMessage(int message) { return message == 42 || message == 53; }

class Ops2FaultTest : public ::testing::TestWithParam<std::tuple<Target, FaultAction>> {};

TEST_P(Ops2FaultTest, EndsWithItsMessageInTime) {
    const auto [target, fault] = GetParam();
    sim::BoxConfig config;
    config.faults.push_back({target.code, 1, fault});
    Bench b;
    b.out.SetConfirmHandler([](int, std::string_view) { return true; });
    OperationInputs in;
    bool success = false;
    std::uint32_t limitMs = 3000;

    switch (target.op) {
        case Op::Read:
            b.AddBox(kF2619, 0, config);
            in.deviceRow = kF2619;
            in.readAddressText = "0FF00";  // two blocks each side of 0x10000
            in.readLengthText = "00200";
            success = ReadTarget(b.ctx, in).success;
            break;
        case Op::Download:
            b.AddBox(kF149, 0, config);
            in.deviceRow = kF149;
            FillImage(*b.image, 0x2000, 0x2090);
            FillImage(*b.image, 0x3000, 0x3090);  // three chunks
            success = DownloadOffline(b.ctx, in).success;
            break;
        case Op::Update:
            config.identification = "KX_VELDRAN V02.72A";
            config.loaderVersion = 0x0110;  // the patch path sends every loader command
            b.AddBox(kF149, 0, config);
            success = UpdateFirmware(b.ctx, in, 0).success;
            limitMs = 5000;
            break;
    }

    const int expected = ExpectedMessage(target.op, target.code, fault);
    const std::string pane = b.out.ShownText();
    EXPECT_NE(pane.find(Msg(expected)), std::string::npos) << pane;
    if (!IsSuccessMessage(expected)) {
        ASSERT_GE(pane.size(), Msg(expected).size());
        EXPECT_EQ(pane.substr(pane.size() - Msg(expected).size()), Msg(expected)) << pane;
        EXPECT_EQ(b.out.BeepCount(), 0);
    }
    EXPECT_EQ(success, IsSuccessMessage(expected));
    EXPECT_EQ(b.out.busyOn, b.out.busyOff);
    EXPECT_LE(b.ElapsedMs(), limitMs);
}

const Target kTargets[] = {
    {Op::Read, 0x70},     {Op::Read, 0x21},     {Op::Read, 0x14},
    {Op::Download, 0x72}, {Op::Download, 0x75}, {Op::Download, 0x76}, {Op::Download, 0x74},
    {Op::Update, 0x72},   {Op::Update, 0x77},   {Op::Update, sim::kSyncCode},
    {Op::Update, 0x18},   {Op::Update, 0x10},   {Op::Update, 0x14},
    {Op::Update, 0x1A},   {Op::Update, 0x12},
};

std::string Name(const ::testing::TestParamInfo<std::tuple<Target, FaultAction>>& info) {
    const auto [target, fault] = info.param;
    const char* op = target.op == Op::Read ? "Read" : target.op == Op::Download ? "Download"
                                                                                : "Update";
    return std::string(op) + "_" + sim::CommandName(target.code) + "_" +
           std::string(sim::FaultActionName(fault));
}

INSTANTIATE_TEST_SUITE_P(
    AllCommands, Ops2FaultTest,
    ::testing::Combine(::testing::ValuesIn(kTargets),
                       ::testing::Values(FaultAction::NoReply, FaultAction::Nak,
                                         FaultAction::Short, FaultAction::Corrupt,
                                         FaultAction::Late, FaultAction::Vanish)),
    Name);

}  // namespace
}  // namespace kx::ops
