// Each command of a run with each fault: the run stops with the step's message within the
// command's time-out, and keeps the serial number unless the record had gone out.

#include <algorithm>

#include "link/link_frame.h"
#include "ops_test_helpers.h"
#include "sim/command_names.h"

namespace kx::ops {
namespace {

using namespace testing;
using sim::FaultAction;

struct Cell {
    std::uint8_t code;
    std::uint32_t occurrence;
    bool protect;  // ERASE_SEGMENT instead of MASS_ERASE
    int msg;
    bool numberTaken = false;  // the failure comes after the serial number was taken
    bool recordSent = false;   // ... and after the record went out
};

// F2619: GET_VERSION, TARGET_CONNECT, MASS_ERASE, SMO 0, RX, SMO 1, RX, SMO 0, TX, SMO 1,
// TX, SMO 0, RX record, TX record, BURN_FUSE, TARGET_RUN.
const Cell kCells[] = {{0x72, 1, false, 6},
                       {0x70, 1, false, 9},
                       {0x18, 1, false, 19},
                       {0x16, 1, true, 19},
                       {0x21, 1, false, 23},
                       {0x21, 3, false, 23},
                       {0x21, 5, false, 23, true},
                       {0x12, 2, false, 23},
                       {0x12, 3, false, 29, true, true},
                       {0x14, 2, false, 26},
                       {0x14, 3, false, 30, true, true},
                       {0x73, 1, false, 32, true, true}};

class RunFaults : public ::testing::TestWithParam<std::tuple<Cell, FaultAction>> {};

TEST_P(RunFaults, StopWithTheStepMessageInTime) {
    const auto [cell, action] = GetParam();
    Bench b;
    b.AddBox(49, 0, [&](auto& c) { c.faults = {{cell.code, cell.occurrence, action}}; });
    FillImage(*b.image, 0xF000, 0xF014);
    FillImage(*b.image, 0x10000, 0x10010);
    b.in.protectInfo = cell.protect;
    b.in.useProductInfo = b.in.autoIncrement = b.in.burnFuse = b.in.beep = true;
    // The counter's keeper hands out 500; it is asked only while the record has not gone out.
    int taken = 0, givenBack = 0;
    b.in.reserveSerial = [&](std::uint32_t) -> std::optional<std::uint32_t> {
        ++taken;
        EXPECT_EQ(b.Walk().find("RX:1000/24"), std::string::npos);
        return 500;
    };
    b.in.releaseSerial = [&](std::uint32_t n) { givenBack += n == 500 ? 1 : 100; };
    const RunOutcome r = RunProgramming(b.ctx, b.in);

    // An inverted status byte still reads as "connected"; nothing else is wrong then.
    const bool completes = action == FaultAction::Corrupt && cell.code == 0x70;
    // Once the record went out the number is used up, even when a later step fails.
    const bool used = completes || cell.recordSent;
    const Result want = completes                       ? Result::Succeeded
                        : action == FaultAction::Vanish ? Result::ConnectionLost
                                                        : Result::Failed;
    EXPECT_EQ(std::tuple(r.result, r.serialAdvanced), std::tuple(want, used));
    EXPECT_EQ(r.newSerial, used ? 501u : b.in.serial);
    EXPECT_EQ(std::tuple(taken, givenBack),
              std::tuple(int(completes || cell.numberTaken),
                         int(!completes && cell.numberTaken && !used)));
    const int ended = completes                                             ? 34
                      : action == FaultAction::Corrupt && cell.code == 0x72 ? 7
                                                                            : cell.msg;
    EXPECT_EQ(static_cast<int>(r.message), ended);
    if (completes) return;
    const std::string msg = Msg(ended);
    const std::string& shown = b.out.ShownText();
    // A verify failure may go on to name the first difference.
    EXPECT_TRUE(shown.ends_with(msg) || shown.find(msg + "First difference") != std::string::npos)
        << shown;
    EXPECT_EQ(b.out.BeepCount(), 0);
    EXPECT_TRUE(b.out.Balanced());
    const auto frames = b.Frames();  // nothing after the failing command
    const std::string name = sim::CommandName(cell.code);
    EXPECT_EQ(frames.back().name, name);
    EXPECT_EQ(std::count_if(frames.begin(), frames.end(), [&](auto& f) { return f.name == name; }),
              cell.occurrence);

    const std::uint32_t timeout = link::ReplyClassOf(cell.code).timeoutMs;
    const std::uint32_t settle = cell.code == 0x72 || cell.code == 0x70 ? 0 : 100;
    EXPECT_LE(b.ElapsedMs(), settle + timeout + 40);
    // A vanished port fails at once; these wait out the whole time-out.
    if (action == FaultAction::NoReply || action == FaultAction::Late ||
        action == FaultAction::Short) {
        EXPECT_GE(b.ElapsedMs(), settle + timeout);
    }
}

std::string CellName(const ::testing::TestParamInfo<std::tuple<Cell, FaultAction>>& p) {
    const auto& [cell, action] = p.param;  // e.g. RX_DATA_BLOCK3_nak
    return sim::CommandName(cell.code) + std::to_string(cell.occurrence) + "_" +
           std::string(sim::FaultActionName(action));
}

INSTANTIATE_TEST_SUITE_P(
    EveryCommandEveryFault, RunFaults,
    ::testing::Combine(::testing::ValuesIn(kCells),
                       ::testing::Values(FaultAction::NoReply, FaultAction::Nak, FaultAction::Short,
                                         FaultAction::Corrupt, FaultAction::Late,
                                         FaultAction::Vanish)),
    CellName);

}  // namespace
}  // namespace kx::ops
