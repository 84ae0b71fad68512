#include "ops_test_helpers.h"

#include <algorithm>

#include "messages/text_format.h"

namespace kx::ops::testing {

Bench::Bench(UiLanguage language) : out(language, clock) {
    out.SetBeepOn(true);
    out.SetConfirmHandler([](Message, std::string_view) { return true; });
}

sim::Box& Bench::AddBox(int row, unsigned index, const std::function<void(sim::BoxConfig&)>& edit) {
    sim::BoxConfig config;
    if (edit) edit(config);
    config.target.row = in.deviceRow = row;
    boxIndex = index;
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

std::string Bench::Walk() {
    std::string walk;
    for (const auto& f : Frames()) {
        const auto count = [&] { return std::to_string(f.payload[2]); };
        walk += f.name == "SET_MEM_OFFSET" ? "O" + count()
                : f.name.ends_with("_DATA_BLOCK")
                    ? f.name.substr(0, 2) + ":" + FormatHex(f.Addr()) + "/" + count()
                    : f.name;
        walk += ' ';
    }
    return walk;
}

std::string Msg(int n, UiLanguage language) {
    return std::string(MessageText(static_cast<Message>(n), language));
}

void FillImage(image::CodeImage& image, std::uint32_t from, std::uint32_t to) {
    for (std::uint32_t a = from; a < to; ++a) image.Set(a, static_cast<std::uint8_t>(a * 7 % 251));
}

}  // namespace kx::ops::testing
