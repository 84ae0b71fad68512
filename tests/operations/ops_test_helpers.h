#pragma once
// Simulated boxes on a manual clock, wired with a text pane, an image and security words
// into one OperationContext.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "messages/text_output.h"
#include "operations/operations.h"
#include "sim/simulated_ports.h"

namespace kx::ops::testing {

using Bytes = std::vector<std::uint8_t>;

struct Frame {  // a frame the box received
    std::string name;
    Bytes payload;
    std::uint16_t Addr() const { return static_cast<std::uint16_t>(payload[0] | payload[1] << 8); }
};

// Counts cursor changes, so a test sees that every busy phase ended.
class RecordingOutput : public TextOutput {
  public:
    using TextOutput::TextOutput;
    int busyOn = 0, busyOff = 0;
    bool Balanced() const { return busyOn == busyOff; }

  protected:
    void OnBusy(bool on) override { ++(on ? busyOn : busyOff); }
};

// The simulated ports, named as the simulator names them ("/dev/ttyS<n>" where it has none);
// indices in `denied` refuse to open for lack of permission.
class BenchPorts final : public link::PortProvider {
  public:
    explicit BenchPorts(Clock& clock) : sim(clock) {}
    std::unique_ptr<link::SerialDevice> Open(unsigned index, std::uint32_t baud,
                                             link::OpenFailure& why) override {
        if (denied.count(index) == 0) return sim.Open(index, baud, why);
        why = link::OpenFailure::AccessDenied;
        return nullptr;
    }
    std::string PortName(unsigned index) const override {
        const std::string name = sim.PortName(index);
        return name.empty() ? "/dev/ttyS" + std::to_string(index) : name;
    }
    sim::SimulatedPorts sim;
    std::set<unsigned> denied;
};

std::string Msg(int n, UiLanguage language = UiLanguage::English);

// Sound is on and every confirmation is answered yes.
struct Bench {
    explicit Bench(UiLanguage language = UiLanguage::English);
    // A box with a chip of catalogue `row` on port `index`, set up by `edit` and opened by the
    // link; `in` selects the same row.
    sim::Box& AddBox(int row, unsigned index = 0,
                     const std::function<void(sim::BoxConfig&)>& edit = {});
    sim::Box& Box() { return *ports.sim.BoxAt(boxIndex); }
    std::vector<Frame> Frames();  // without loader sync bytes
    // The frames as one line, blocks with address and length, offsets as O<n>:
    // "GET_VERSION TARGET_CONNECT O1 RX:F000/32 TX:F000/32 ".
    std::string Walk();
    bool Shows(int msg) { return out.Text().find(Msg(msg)) != std::string::npos; }
    std::uint32_t ElapsedMs() { return clock.NowMs() - startMs; }

    ManualClock clock{1000};
    BenchPorts ports{clock};
    link::ProgrammerLink link{ports, clock};
    RecordingOutput out;
    std::unique_ptr<image::CodeImage> image = std::make_unique<image::CodeImage>();
    security::SecurityWords words;
    OperationContext ctx{link, out, clock, *image, words};
    OperationInputs in;
    unsigned boxIndex = 0;
    std::uint32_t startMs = clock.NowMs();
};

// Fills [from, to) with a pattern that never holds 0xFF.
void FillImage(image::CodeImage& image, std::uint32_t from, std::uint32_t to);

}  // namespace kx::ops::testing
