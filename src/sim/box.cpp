#include "sim/box.h"

#include <algorithm>

#include "link/link_frame.h"
#include "sim/command_names.h"
#include "sim/sim_timing.h"

namespace kx::sim {
namespace {

// The box's own MCU: F149-class memory map.
constexpr std::uint32_t kOwnFlashStart = 0x1100;
constexpr std::uint32_t kOwnFlashEnd = 0x10000;
constexpr std::uint32_t kOwnRamSize = 0x800;

// Decoded request fields for the trace.
void DescribeRequest(int code, std::span<const std::uint8_t> p, std::uint8_t memOffset,
                     TraceFields& f) {
    auto word = [&](std::size_t i) {
        return static_cast<std::uint32_t>(p.size() > i + 1 ? p[i] | (p[i + 1] << 8) : 0);
    };
    auto byte = [&](std::size_t i) { return static_cast<std::uint32_t>(p.size() > i ? p[i] : 0); };
    switch (code) {
        case 0x10:
        case 0x12:
        case 0x14:
            f.Hex("addr", word(0)).Number("n", byte(2));
            if (code != 0x10 && memOffset != 0) f.Hex("offset", memOffset, 2);
            break;
        case 0x16:
            f.Hex("addr", word(0)).Hex("word", word(2));
            break;
        case 0x1A:
            f.Hex("addr", word(0));
            break;
        case 0x21:
            f.Hex("offset", byte(2), 2);
            break;
        case 0x70: {
            const auto o = word(0);
            f.Hex("options", o).Text("mode", (o & 0x40) ? "SBW" : (o & 0x01) ? "BSL" : "JTAG");
            f.Flag("supply", o & 0x02).Flag("protect_info", o & 0x04).Flag("verify", o & 0x08);
            f.Flag("fuse", o & 0x10).Flag("run", o & 0x20).Flag("erase_seg_a", o & 0x4000);
            break;
        }
        case 0x74:
            f.Hex("offset", byte(0) | byte(1) << 8 | byte(3) << 16, 6).Number("n", byte(2));
            break;
        case 0x76:
            f.Hex("offset", byte(0) | byte(1) << 8 | byte(2) << 16, 6).Number("n", byte(3));
            break;
        case 0x75:
            f.Number("count", byte(0)).Number("complement", byte(1)).Hex("options", word(2));
            f.Number("length", byte(4) | byte(5) << 8 | byte(6) << 16).Number("auto_inc", byte(7));
            f.Hex("info_addr", word(40)).Number("limit", word(66));
            break;
        default:
            break;
    }
}

}  // namespace

Box::Box(BoxConfig config)
    : config_(std::move(config)),
      faults_(config_.faults),
      receiver_(timing::kIdleGapUs),
      store_(config_.storeSize, 0xFF),
      ownFlash_(kOwnFlashStart, kOwnFlashEnd - kOwnFlashStart, 512),
      ownInfo_(kInfoStart, kInfoEnd - kInfoStart, 128),
      ownRam_(kOwnRamSize, 0x00) {
    trace_.SetKeep(config_.keepTrace);
    if (config_.target.present) target_ = std::make_unique<TargetChip>(config_.target);
    WriteFactoryFirmware();
    StartFirmware();
}

Box::Reply Box::Ack() {
    Reply r;
    r.bytes = {link::kAck};
    r.fields.Text("reply", "ack");
    return r;
}

Box::Reply Box::Nak(std::string_view why) {
    Reply r;
    r.bytes = {link::kNak};
    r.fields.Text("reply", "nak").Text("why", why);
    return r;
}

// Data replies are BSL data frames: 0x80, 0x00, N, N, data, checksum; without the checksum,
// head and check bytes stay zero.
std::vector<std::uint8_t> Box::DataReply(std::span<const std::uint8_t> data, bool checksum) {
    const auto n = static_cast<std::uint8_t>(data.size());
    // Sized up front: GCC 12 at -O2 mis-warns (array-bounds) on inserting into a 4-byte vector.
    std::vector<std::uint8_t> out(4 + data.size());
    if (!checksum) {
        std::copy(data.begin(), data.end(), out.begin() + 4);
        out.resize(out.size() + 2, 0x00);
        return out;
    }
    out[0] = link::kFrameHeader;
    out[1] = 0x00;
    out[2] = n;
    out[3] = n;
    std::copy(data.begin(), data.end(), out.begin() + 4);
    std::vector<std::uint8_t> even = out;
    if (even.size() % 2 != 0) even.push_back(0xFF);
    const auto sum = link::FrameChecksum(even);
    out.push_back(static_cast<std::uint8_t>(sum & 0xFF));
    out.push_back(static_cast<std::uint8_t>(sum >> 8));
    return out;
}

void Box::TraceEvent(std::uint64_t atUs, std::string what, std::vector<std::uint8_t> bytes,
                     std::string fields) {
    trace_.Add({atUs, TraceDirection::Event, ListenBaud(), std::move(what), std::move(bytes),
                std::move(fields)});
}

void Box::Receive(std::span<const std::uint8_t> bytes, std::uint64_t startUs,
                  const LineSettings& line) {
    if (vanished_ || bytes.empty()) return;
    const std::uint64_t byteUs = config_.timing ? timing::ByteUs(line.baud) : 0;
    std::vector<RxEvent> events;
    std::vector<std::uint8_t> misheard;
    std::uint64_t lastUs = startUs;
    for (std::size_t i = 0; i < bytes.size() && !vanished_; ++i) {
        const std::uint64_t at = startUs + (i + 1) * byteUs;
        lastUs = at;
        // A UART at another speed or framing only sees noise; a dead box sees nothing.
        if (mode_ == BoxMode::Dead) continue;
        if (line.baud != ListenBaud() || !line.is8E1) {
            misheard.push_back(bytes[i]);
            receiver_.Garble(at);
            continue;
        }
        if (!misheard.empty()) {
            TraceEvent(at, "wrong_speed", std::move(misheard),
                       TraceFields().Number("line_baud", line.baud).Take());
            misheard.clear();
        }
        receiver_.Feed(bytes[i], at, events);
        for (const auto& e : events) HandleEvent(e, line);
        events.clear();
    }
    if (!misheard.empty()) {
        TraceEvent(lastUs, "wrong_speed", std::move(misheard),
                   TraceFields().Number("line_baud", line.baud).Take());
    }
    auto skipped = receiver_.TakeSkipped();
    if (!skipped.empty()) TraceEvent(lastUs, "skipped", std::move(skipped));
}

void Box::HandleEvent(const RxEvent& event, const LineSettings& line) {
    switch (event.kind) {
        case RxKind::Frame:
            HandleFrame(event);
            return;
        case RxKind::Sync:
            HandleSync(event);
            return;
        case RxKind::Truncated:
            TraceEvent(event.atUs, "truncated", event.raw);
            return;
        case RxKind::BadChecksum:
        case RxKind::BadHeader: {
            const char* what = event.kind == RxKind::BadChecksum ? "bad_checksum" : "bad_header";
            TraceEvent(event.atUs, what, event.raw,
                       TraceFields().Number("line_baud", line.baud).Take());
            Emit(event.Command(), Nak(what), event.atUs, std::nullopt);
            return;
        }
    }
}

void Box::HandleSync(const RxEvent& event) {
    trace_.Add({event.atUs, TraceDirection::Received, ListenBaud(), "SYNC", event.raw, {}});
    const auto fault = faults_.Next(kSyncCode);
    if (fault == FaultAction::Vanish) {
        Vanish(event.atUs);
        return;
    }
    if (fault == FaultAction::Nak) {
        receiver_.SetSynced(false);
        Emit(kSyncCode, Nak("fault"), event.atUs, fault);
        return;
    }
    Emit(kSyncCode, Ack(), event.atUs, fault);
}

void Box::HandleFrame(const RxEvent& event) {
    const std::uint8_t code = event.Command();
    const auto payload = event.Payload();
    TraceFields request;
    DescribeRequest(code, payload, memOffset_, request);
    trace_.Add({event.atUs, TraceDirection::Received, ListenBaud(), CommandName(code), event.raw,
                request.Take()});

    const auto fault = faults_.Next(code);
    if (fault == FaultAction::Vanish) {
        Vanish(event.atUs);
        return;
    }
    if (fault == FaultAction::Nak) {
        Emit(code, Nak("fault"), event.atUs, fault);
        return;
    }
    Reply reply =
        mode_ == BoxMode::Loader ? HandleLoader(code, payload) : HandleFirmware(code, payload);
    const auto then = reply.then;
    Emit(code, std::move(reply), event.atUs, fault);
    switch (then) {
        case Reply::Then::Stay:
            break;
        case Reply::Then::EnterLoader:
            EnterLoader();
            break;
        case Reply::Then::StartFirmware:
            StartFirmware();
            break;
        case Reply::Then::RestartLoader:
            loaderUnlocked_ = false;
            patchArmed_ = false;
            break;
        case Reply::Then::Die:
            mode_ = BoxMode::Dead;
            receiver_.Reset();
            TraceEvent(busyUntilUs_, "dead", {});
            break;
    }
}

void Box::Emit(int code, Reply reply, std::uint64_t readyUs, std::optional<FaultAction> fault) {
    auto& bytes = reply.bytes;
    std::uint64_t delayUs = 0;
    if (fault && !bytes.empty()) {
        reply.fields.Text("fault", FaultActionName(*fault));
        switch (*fault) {
            case FaultAction::NoReply:
                bytes.clear();
                break;
            case FaultAction::Short:
                bytes.pop_back();
                break;
            case FaultAction::Corrupt: {
                const std::size_t i = bytes.size() > 4 ? 4 : 0;
                bytes[i] = static_cast<std::uint8_t>(~bytes[i]);
                break;
            }
            case FaultAction::Noise: {
                // Replies hit by noise never agree with each other.
                const std::size_t data = bytes.size() > 6 ? bytes.size() - 6 : 0;
                const std::size_t i = data == 0 ? 0 : 4 + faults_.Count(code) % data;
                bytes[i] = static_cast<std::uint8_t>(~bytes[i]);
                break;
            }
            case FaultAction::Late: {
                const std::uint64_t timeoutMs =
                    code == kSyncCode
                        ? 20
                        : link::ReplyClassOf(static_cast<std::uint8_t>(code)).timeoutMs;
                delayUs = timeoutMs * 1000 + timing::kLateMarginUs;
                break;
            }
            case FaultAction::Nak:
            case FaultAction::Vanish:
                break;
        }
    }
    const std::uint64_t byteUs = config_.timing ? timing::ByteUs(ListenBaud()) : 0;
    const std::uint64_t workUs = config_.timing ? reply.workUs : 0;
    const std::uint64_t startUs = std::max(readyUs, busyUntilUs_) + workUs;
    busyUntilUs_ = startUs + bytes.size() * byteUs;
    const std::uint64_t sendUs = startUs + delayUs;
    trace_.Add({sendUs, TraceDirection::Sent, ListenBaud(), CommandName(code), bytes,
                reply.fields.Take()});
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const TimedByte b{sendUs + (i + 1) * byteUs, ListenBaud(), bytes[i]};
        // Late replies may overtake nothing but can be overtaken; keep the queue in time order.
        auto pos = std::upper_bound(output_.begin(), output_.end(), b.atUs,
                                    [](std::uint64_t t, const TimedByte& x) { return t < x.atUs; });
        output_.insert(pos, b);
    }
}

std::vector<TimedByte> Box::TakeOutput(std::uint64_t nowUs) {
    std::vector<TimedByte> out;
    while (!output_.empty() && output_.front().atUs <= nowUs) {
        out.push_back(output_.front());
        output_.pop_front();
    }
    return out;
}

void Box::SetControlLines(bool dtr, bool rts, std::uint64_t nowUs) {
    if (dtr && !dtr_) dtrSinceUs_ = nowUs;
    const bool released = !dtr && dtr_;
    dtr_ = dtr;
    if (released && !rts && nowUs - dtrSinceUs_ >= 1000) Restart(nowUs, "reset_pulse");
}

void Box::PowerCycle(std::uint64_t nowUs) {
    Restart(nowUs, "power_cycle");
}

void Box::Vanish(std::uint64_t nowUs) {
    TraceEvent(nowUs, "vanish", {});
    vanished_ = true;
    output_.clear();
    session_ = {};
}

void Box::Reattach(std::uint64_t nowUs) {
    vanished_ = false;
    Restart(nowUs, "reattach");
}

void Box::Restart(std::uint64_t nowUs, const char* why) {
    output_.clear();
    busyUntilUs_ = nowUs;
    receiver_.Reset();
    session_ = {};
    memOffset_ = 0;
    loaderUnlocked_ = false;
    ramCodeAt0220_ = false;
    patchArmed_ = false;
    if (FirmwareEntry()) {
        StartFirmware();
    } else {
        mode_ = BoxMode::Dead;
        identification_.clear();
    }
    TraceEvent(nowUs, why, {},
               TraceFields()
                   .Text("mode", mode_ == BoxMode::Dead ? "dead" : "firmware")
                   .Text("identification", identification_)
                   .Take());
}

void Box::StartFirmware() {
    mode_ = BoxMode::Firmware;
    receiver_.SetSyncMode(false);
    identification_ = FirmwareIdentification();
    session_ = {};
    memOffset_ = 0;
}

void Box::EnterLoader() {
    mode_ = BoxMode::Loader;
    receiver_.SetSyncMode(true);
    session_ = {};
    loaderUnlocked_ = false;
    ramCodeAt0220_ = false;
    patchArmed_ = false;
}

}  // namespace kx::sim
