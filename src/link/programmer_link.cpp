#include "link/programmer_link.h"

#include <algorithm>
#include <vector>

#include "link/link_frame.h"

namespace kx::link {
namespace {

constexpr unsigned kLastPortIndex = 7;
constexpr int kEvenParity = 2;
// Upper bound of the wait on close: a full 1024-byte queue at 9600 baud takes 1.17 s. The
// device waits only for the wire time of what it actually holds.
constexpr std::uint32_t kCloseDrainMs = 1500;
// Long enough to stay cheap, short enough that a window painting from the idle hook
// stays smooth.
constexpr std::uint32_t kWaitSliceMs = 20;

}  // namespace

ProgrammerLink::ProgrammerLink(PortProvider& ports, Clock& clock) : ports_(ports), clock_(clock) {}

ProgrammerLink::~ProgrammerLink() {
    ClosePort();
}

int ProgrammerLink::OpenPort(unsigned index, std::uint32_t baud, int parity) {
    const unsigned clamped = std::min(index, kLastPortIndex);
    openIndex_ = clamped;
    return OpenWith(ports_.PortName(clamped), parity,
                    [&](OpenFailure& why) { return ports_.Open(clamped, baud, why); });
}

int ProgrammerLink::OpenPortPath(const std::string& path, std::uint32_t baud, int parity) {
    return OpenWith(path, parity,
                    [&](OpenFailure& why) { return ports_.OpenPath(path, baud, why); });
}

int ProgrammerLink::OpenWith(std::string path, int parity, const DeviceOpener& open) {
    ClosePort();
    openPath_ = std::move(path);
    lastOpenFailure_ = OpenFailure::None;
    // The transport only knows 8E1; anything else cannot be honoured.
    if (parity != kEvenParity) {
        lastOpenFailure_ = OpenFailure::ConfigureFailed;
        return kLinkOpenFailed;
    }
    OpenFailure why = OpenFailure::None;
    std::unique_ptr<SerialDevice> device = open(why);
    if (!device) {
        lastOpenFailure_ = why == OpenFailure::None ? OpenFailure::NoSuchPort : why;
        return kLinkOpenFailed;
    }
    device_ = std::move(device);
    device_->PurgeTransmit();
    device_->PurgeReceive();
    return kLinkOk;
}

void ProgrammerLink::ClosePort() {
    if (!device_) return;
    // Purging a queue that still holds the last frame (TARGET_RUN at the end of a run)
    // would throw it away; only a queue that does not empty is given up.
    if (!device_->Drain(kCloseDrainMs)) device_->PurgeTransmit();
    device_->PurgeReceive();
    device_.reset();
}

std::unique_ptr<ProgrammerLink> ProgrammerLink::Sibling() const {
    return std::make_unique<ProgrammerLink>(ports_, clock_);
}

void ProgrammerLink::TakePortFrom(ProgrammerLink& other) {
    if (&other == this) return;
    ClosePort();
    device_ = std::move(other.device_);
    openIndex_ = other.openIndex_;
    openPath_ = other.openPath_;
    lastOpenFailure_ = OpenFailure::None;
}

bool ProgrammerLink::IsPortAlive() {
    if (!device_) return false;
    if (device_->IsAlive()) return true;
    // Nothing can be drained or purged on a vanished device: just drop it.
    device_.reset();
    return false;
}

std::size_t ProgrammerLink::WaitForInput(std::uint16_t count, std::uint32_t timeoutMs) {
    if (!device_) return 0;
    // Elapsed time as an unsigned difference, so a tick counter that wraps during the wait
    // neither ends it early nor makes it endless.
    const std::uint32_t start = clock_.NowMs();
    for (;;) {
        const std::uint32_t elapsed = clock_.NowMs() - start;
        const std::uint32_t remaining = elapsed >= timeoutMs ? 0 : timeoutMs - elapsed;
        const std::uint32_t slice = std::min(remaining, kWaitSliceMs);
        const std::uint32_t sliceStart = clock_.NowMs();
        const std::size_t queued = device_->WaitForInput(count, slice);
        if (queued >= count) return queued;
        const std::uint32_t now = clock_.NowMs();
        if (now - start >= timeoutMs || stop_.stop_requested()) return queued;
        // A device that returned early without moving the clock must not turn the wait
        // into a spin: let the clock cover the rest of the slice.
        const std::uint32_t spent = now - sliceStart;
        if (spent < slice) clock_.SleepMs(slice - spent);
        if (idleHook_) idleHook_();
        if (!device_) return 0;
    }
}

void ProgrammerLink::SetDtrLine(int level) {
    // Inverted sense: level 1 releases DTR.
    if (device_) device_->SetDtr(level != 1);
}

void ProgrammerLink::SetRtsLine(int level) {
    if (device_) device_->SetRts(level == 1);
}

void ProgrammerLink::ResetProgrammer() {
    SetDtrLine(0);
    SetRtsLine(0);
    clock_.SleepMs(30);
    SetDtrLine(1);
    clock_.SleepMs(10);
    clock_.SleepMs(50);
    if (device_) {
        device_->PurgeTransmit();
        device_->PurgeReceive();
    }
}

int ProgrammerLink::SendCommand(std::uint8_t code, std::span<const std::uint8_t> payload,
                                std::span<std::uint8_t> reply) {
    if (!device_) return kLinkCommandFailed;
    const std::vector<std::uint8_t> frame = BuildLinkFrame(code, payload);
    if (frame.empty()) return kLinkCommandFailed;  // payload too long for one frame

    const ReplyClass replyClass = ReplyClassOf(code);
    const bool dataClass = replyClass.kind == ReplyKind::EchoLength ||
                           replyClass.kind == ReplyKind::Fixed26 ||
                           replyClass.kind == ReplyKind::Fixed10;
    const std::span<const std::uint8_t> padded(frame.data() + 4, frame[2]);
    const std::size_t expected = ExpectedReplyLength(code, padded);
    if (dataClass) {
        // Refuse before anything goes out rather than read past the caller's buffer.
        if (expected == 0) return kLinkCommandFailed;
        if (!reply.empty() && reply.size() < expected) return kLinkCommandFailed;
    }

    // Stale bytes (a late reply to an earlier command) must never answer this one.
    device_->PurgeReceive();
    if (!device_->Write(frame.data(), frame.size())) return kLinkCommandFailed;
    device_->QueuedBytes();  // clears line errors left by the previous exchange

    switch (replyClass.kind) {
        case ReplyKind::None:
            return kLinkCommandFailed;
        case ReplyKind::AckShort:
        case ReplyKind::AckLong: {
            if (WaitForInput(1, replyClass.timeoutMs) < 1 || !device_) return kLinkCommandFailed;
            std::uint8_t answer = 0;
            if (device_->Read(&answer, 1) != 1) return kLinkCommandFailed;
            return answer == kAck ? kLinkOk : kLinkCommandFailed;
        }
        case ReplyKind::EchoLength:
        case ReplyKind::Fixed26:
        case ReplyKind::Fixed10:
            break;
    }
    if (reply.empty()) return kLinkOk;
    const auto wanted = static_cast<std::uint16_t>(expected);
    if (WaitForInput(wanted, replyClass.timeoutMs) < expected || !device_) {
        return kLinkCommandFailed;
    }
    // Read exactly the reply; any surplus stays queued until the next command's purge.
    if (device_->Read(reply.data(), expected) != expected) return kLinkCommandFailed;
    return kLinkOk;
}

int ProgrammerLink::SyncLoader(std::uint32_t timeoutMs) {
    if (!device_) return kLinkSyncFailed;
    device_->PurgeReceive();
    const std::uint8_t sync = kFrameHeader;
    if (!device_->Write(&sync, 1)) return kLinkSyncFailed;
    if (WaitForInput(1, timeoutMs) < 1 || !device_) return kLinkSyncFailed;
    std::uint8_t answer = 0;
    if (device_->Read(&answer, 1) != 1) return kLinkSyncFailed;
    return answer == kAck ? kLinkOk : kLinkSyncFailed;
}

}  // namespace kx::link
