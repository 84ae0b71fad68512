#pragma once
// A bench for operation tests: simulated boxes on a manual clock, the link, a text pane,
// the code image and the security words, wired into one OperationContext.

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "messages/text_output.h"
#include "operations/operation_context.h"
#include "sim/simulated_ports.h"

namespace kx::ops::testing {

// A frame the box received, decoded.
struct Frame {
    std::string name;
    std::vector<std::uint8_t> payload;  // padding included
    std::uint16_t Addr() const { return static_cast<std::uint16_t>(payload[0] | payload[1] << 8); }
};

// Counts cursor changes so a test can see that every busy phase ended.
class RecordingOutput : public TextOutput {
  public:
    using TextOutput::TextOutput;
    int busyOn = 0;
    int busyOff = 0;

  protected:
    void OnBusy(bool on) override { ++(on ? busyOn : busyOff); }
};

// The simulated ports, with some indices refusing to open for lack of permission.
class BenchPorts final : public link::PortProvider {
  public:
    explicit BenchPorts(Clock& clock) : sim(clock) {}
    std::unique_ptr<link::SerialDevice> Open(unsigned index, std::uint32_t baud,
                                             link::OpenFailure& why) override;
    std::string PortName(unsigned index) const override;
    sim::SimulatedPorts sim;
    std::set<unsigned> denied;
};

class Bench {
  public:
    explicit Bench(UiLanguage language = UiLanguage::English);
    // A box with a chip of catalogue `row` on port `index`; the link is opened on it.
    sim::Box& AddBox(int row, unsigned index = 0, sim::BoxConfig config = {});
    sim::Box& Box(unsigned index = 0) { return *ports.sim.BoxAt(index); }
    std::vector<Frame> Frames(unsigned index = 0);
    std::vector<std::string> Names(unsigned index = 0);
    std::uint32_t ElapsedMs() { return clock.NowMs() - startMs_; }
    void ResetTimer() { startMs_ = clock.NowMs(); }

    ManualClock clock;
    BenchPorts ports;
    link::ProgrammerLink link;
    RecordingOutput out;
    std::unique_ptr<image::CodeImage> image;
    security::SecurityWords words;
    OperationContext ctx;

  private:
    std::uint32_t startMs_ = 0;
};

std::string Msg(int n, UiLanguage language = UiLanguage::English);
// Fills [from, to) with a pattern that never holds 0xFF.
void FillImage(image::CodeImage& image, std::uint32_t from, std::uint32_t to);
// Run inputs for `row` in JTAG mode: erase, program, verify, run; no beep, no product info.
OperationInputs RunInputs(int row);

}  // namespace kx::ops::testing
