#include "ops_test_helpers.h"

#include <algorithm>

namespace kx::ops::testing {

std::unique_ptr<link::SerialDevice> BenchPorts::Open(unsigned index, std::uint32_t baud,
                                                     link::OpenFailure& why) {
    if (denied.count(index) != 0) {
        why = link::OpenFailure::AccessDenied;
        return nullptr;
    }
    return sim.Open(index, baud, why);
}

Bench::Bench(UiLanguage language) : out(language, clock) {
    out.SetSoundOn(true);
}

sim::Box& Bench::AddBox(int row, unsigned index, sim::BoxConfig config) {
    config.target.row = row;
    sim::Box& box = ports.sim.AddBox(index, std::move(config));
    link.OpenPort(index, 115200, 2);
    return box;
}

std::vector<Frame> Bench::Frames() {
    std::vector<Frame> frames;
    for (const auto& r : Box().GetTrace().Records()) {
        if (r.direction != sim::TraceDirection::Received || r.command == "SYNC") continue;
        const std::size_t n =
            r.bytes.size() > 4 ? std::min<std::size_t>(r.bytes[2], r.bytes.size() - 4) : 0;
        frames.push_back({r.command, {r.bytes.begin() + 4, r.bytes.begin() + 4 + n}});
    }
    return frames;
}

std::vector<std::string> Bench::Names() {
    std::vector<std::string> names;
    for (const auto& f : Frames()) names.push_back(f.name);
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
    return in;
}

}  // namespace kx::ops::testing
