#include "ops_test_helpers.h"

namespace kx::ops::testing {

std::unique_ptr<link::SerialDevice> BenchPorts::Open(unsigned index, std::uint32_t baud,
                                                     link::OpenFailure& why) {
    if (denied.count(index) != 0) {
        why = link::OpenFailure::AccessDenied;
        return nullptr;
    }
    return sim.Open(index, baud, why);
}

std::string BenchPorts::PortName(unsigned index) const {
    return "/dev/ttyS" + std::to_string(index);
}

Bench::Bench(UiLanguage language)
    : clock(1000),
      ports(clock),
      link(ports, clock),
      out(language, clock),
      image(std::make_unique<image::CodeImage>()),
      ctx{link, out, clock, *image, words},
      startMs_(clock.NowMs()) {
    out.SetSoundOn(true);
}

sim::Box& Bench::AddBox(int row, unsigned index, sim::BoxConfig config) {
    config.target.row = row;
    sim::Box& box = ports.sim.AddBox(index, std::move(config));
    link.OpenPort(index, 115200, 2);
    return box;
}

std::vector<Frame> Bench::Frames(unsigned index) {
    std::vector<Frame> frames;
    for (const auto& r : Box(index).GetTrace().Records()) {
        if (r.direction != sim::TraceDirection::Received || r.command == "SYNC") continue;
        const std::size_t n = r.bytes.size() > 2 ? r.bytes[2] : 0;
        Frame f{r.command, {}};
        if (r.bytes.size() >= 4 + n) f.payload.assign(r.bytes.begin() + 4, r.bytes.begin() + 4 + n);
        frames.push_back(std::move(f));
    }
    return frames;
}

std::vector<std::string> Bench::Names(unsigned index) {
    std::vector<std::string> names;
    for (const auto& f : Frames(index)) names.push_back(f.name);
    return names;
}

std::string Msg(int n, UiLanguage language) {
    return std::string(MessageText(n, language));
}

void FillImage(image::CodeImage& image, std::uint32_t from, std::uint32_t to) {
    for (std::uint32_t a = from; a < to; ++a) image.Set(a, static_cast<std::uint8_t>(a * 7 % 251));
}

OperationInputs RunInputs(int row) {
    OperationInputs in;
    in.deviceRow = row;
    in.runAfter = true;
    return in;
}

}  // namespace kx::ops::testing
