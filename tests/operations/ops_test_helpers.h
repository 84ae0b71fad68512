#pragma once
// Simulated boxes on a manual clock, wired with a text pane, an image and security words
// into one OperationContext.

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "messages/text_output.h"
#include "operations/operation_context.h"
#include "sim/simulated_ports.h"

namespace kx::ops::testing {

struct Frame {  // a frame the box received
    std::string name;
    std::vector<std::uint8_t> payload;
    std::uint16_t Addr() const { return static_cast<std::uint16_t>(payload[0] | payload[1] << 8); }
};

// Counts cursor changes, so a test sees that every busy phase ended.
class RecordingOutput : public TextOutput {
  public:
    using TextOutput::TextOutput;
    int busyOn = 0, busyOff = 0;

  protected:
    void OnBusy(bool on) override { ++(on ? busyOn : busyOff); }
};

// The simulated ports; indices in `denied` refuse to open for lack of permission.
class BenchPorts final : public link::PortProvider {
  public:
    explicit BenchPorts(Clock& clock) : sim(clock) {}
    std::unique_ptr<link::SerialDevice> Open(unsigned index, std::uint32_t baud,
                                             link::OpenFailure& why) override;
    std::string PortName(unsigned index) const override {
        return "/dev/ttyS" + std::to_string(index);
    }
    sim::SimulatedPorts sim;
    std::set<unsigned> denied;
};

struct Bench {
    explicit Bench(UiLanguage language = UiLanguage::English);
    // A box with a chip of catalogue `row` on port `index`, opened by the link.
    sim::Box& AddBox(int row, unsigned index = 0, sim::BoxConfig config = {});
    sim::Box& Box() { return *ports.sim.BoxAt(link.OpenIndex()); }
    std::vector<Frame> Frames();
    std::vector<std::string> Names();
    std::uint32_t ElapsedMs() { return clock.NowMs() - startMs; }

    ManualClock clock{1000};
    BenchPorts ports{clock};
    link::ProgrammerLink link{ports, clock};
    RecordingOutput out;
    std::unique_ptr<image::CodeImage> image = std::make_unique<image::CodeImage>();
    security::SecurityWords words;
    OperationContext ctx{link, out, clock, *image, words};
    std::uint32_t startMs = clock.NowMs();
};

std::string Msg(int n, UiLanguage language = UiLanguage::English);
// Fills [from, to) with a pattern that never holds 0xFF.
void FillImage(image::CodeImage& image, std::uint32_t from, std::uint32_t to);
// JTAG, supply, erase, program, verify, run; no product information, no beep.
OperationInputs RunInputs(int row);

}  // namespace kx::ops::testing
