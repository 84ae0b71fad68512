// Each command of a full run and each way its reply can go wrong: the run stops with the
// step's message within the command's time-out and keeps the serial number.

#include <gtest/gtest.h>

#include "link/link_frame.h"
#include "operations/operations.h"
#include "ops_test_helpers.h"
#include "sim/command_names.h"

namespace kx::ops {
namespace {

using sim::FaultAction;

struct Cell {
    std::uint8_t code;
    std::uint32_t occurrence;
    bool protect;  // ERASE_SEGMENT instead of MASS_ERASE
    int msg;
};

// F2619: GET_VERSION, TARGET_CONNECT, MASS_ERASE, SMO 0, RX, SMO 1, RX, SMO 0, TX, SMO 1,
// TX, SMO 0, RX record, TX record, BURN_FUSE, TARGET_RUN.
const Cell kCells[] = {{0x72, 1, false, 6},  {0x70, 1, false, 9},  {0x18, 1, false, 19},
                       {0x16, 1, true, 19},  {0x21, 1, false, 23}, {0x21, 3, false, 23},
                       {0x21, 5, false, 23}, {0x12, 2, false, 23}, {0x12, 3, false, 29},
                       {0x14, 2, false, 26}, {0x14, 3, false, 30}, {0x73, 1, false, 32}};

class RunFaults : public ::testing::TestWithParam<std::tuple<Cell, FaultAction>> {};

TEST_P(RunFaults, StopWithTheStepMessageInTime) {
    const auto [cell, action] = GetParam();
    testing::Bench b;
    sim::BoxConfig cfg;
    cfg.faults.push_back({cell.code, cell.occurrence, action});
    b.AddBox(49, 0, cfg);
    testing::FillImage(*b.image, 0xF000, 0xF014);
    testing::FillImage(*b.image, 0x10000, 0x10010);
    OperationInputs in = testing::RunInputs(49);
    in.protectInfo = cell.protect;
    in.useProductInfo = in.autoIncrement = in.burnFuse = in.beep = true;
    const RunOutcome r = RunProgramming(b.ctx, in);

    // An inverted status byte still reads as "connected"; nothing else is wrong then.
    const bool completes = action == FaultAction::Corrupt && cell.code == 0x70;
    EXPECT_EQ(r.success, completes);
    EXPECT_EQ(r.serialAdvanced, completes);
    EXPECT_EQ(r.newSerial, completes ? in.serial + 1 : in.serial);
    EXPECT_EQ(r.connectionLost, action == FaultAction::Vanish);
    if (completes) return;
    const int msg = action == FaultAction::Corrupt && cell.code == 0x72 ? 7 : cell.msg;
    const std::string& shown = b.out.ShownText();
    const std::size_t at = shown.rfind(testing::Msg(msg));
    ASSERT_NE(at, std::string::npos) << shown;
    const std::string after = shown.substr(at + testing::Msg(msg).size());
    EXPECT_TRUE(after.empty() || after.rfind("First difference", 0) == 0) << shown;
    EXPECT_EQ(b.out.BeepCount(), 0);
    EXPECT_EQ(b.out.busyOn, b.out.busyOff);
    const auto names = b.Names();  // nothing after the failing command
    EXPECT_EQ(names.back(), sim::CommandName(cell.code));
    EXPECT_EQ(std::count(names.begin(), names.end(), names.back()), cell.occurrence);

    const std::uint32_t timeout = link::ReplyClassOf(cell.code).timeoutMs;
    const std::uint32_t settle = cell.code == 0x72 || cell.code == 0x70 ? 0 : 100;
    EXPECT_LE(b.ElapsedMs(), settle + timeout + 40);
    // A vanished port fails at once; these wait out the whole time-out.
    if (action == FaultAction::NoReply || action == FaultAction::Late ||
        action == FaultAction::Short) {
        EXPECT_GE(b.ElapsedMs(), settle + timeout);
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryCommandEveryFault, RunFaults,
    ::testing::Combine(::testing::ValuesIn(kCells),
                       ::testing::Values(FaultAction::NoReply, FaultAction::Nak, FaultAction::Short,
                                         FaultAction::Corrupt, FaultAction::Late,
                                         FaultAction::Vanish)));

}  // namespace
}  // namespace kx::ops
