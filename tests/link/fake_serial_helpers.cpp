#include <algorithm>

#include "fake_serial.h"

namespace kx::link::testing {
namespace {

// Tick order that survives the 32-bit counter wrapping.
bool NotAfter(std::uint32_t a, std::uint32_t b) { return static_cast<std::int32_t>(a - b) <= 0; }

}  // namespace

void FakeLine::Arrive(std::uint32_t delayMs, Bytes bytes) {
    const std::uint32_t at = clock_.NowMs() + delayMs;
    const auto pos = std::find_if(pending_.begin(), pending_.end(),
                                  [at](const Pending& p) { return !NotAfter(p.at, at); });
    pending_.insert(pos, Pending{at, std::move(bytes)});
}

void FakeLine::Deliver() {
    const std::uint32_t now = clock_.NowMs();
    while (!pending_.empty() && NotAfter(pending_.front().at, now)) {
        rx_.insert(rx_.end(), pending_.front().bytes.begin(), pending_.front().bytes.end());
        pending_.erase(pending_.begin());
    }
}

std::size_t FakeLine::Queued() {
    Deliver();
    return rx_.size();
}

std::size_t FakeLine::WaitFor(std::size_t count, std::uint32_t timeoutMs) {
    ++waitCalls;
    longestWaitMs = std::max(longestWaitMs, timeoutMs);
    Deliver();
    const std::uint32_t deadline = clock_.NowMs() + timeoutMs;
    std::size_t queued = rx_.size();
    for (const Pending& p : pending_) {
        if (queued >= count || !NotAfter(p.at, deadline)) break;
        queued += p.bytes.size();
        if (queued >= count) clock_.Advance(p.at - clock_.NowMs());
    }
    if (queued < count) clock_.Advance(deadline - clock_.NowMs());
    Deliver();
    return rx_.size();
}

std::size_t FakeLine::Read(std::uint8_t* dst, std::size_t n) {
    Deliver();
    const std::size_t taken = std::min(n, rx_.size());
    std::copy_n(rx_.begin(), taken, dst);
    rx_.erase(rx_.begin(), rx_.begin() + static_cast<std::ptrdiff_t>(taken));
    return taken;
}

void FakeLine::Written(const std::uint8_t* src, std::size_t n) {
    writes.emplace_back(src, src + n);
    if (!responder) return;
    for (TimedReply& reply : responder(writes.back())) Arrive(reply.delayMs, std::move(reply.bytes));
}

void FakeLine::PurgeReceive() {
    Deliver();
    rx_.clear();
    Log("purge rx");
}

void FakeLine::Log(const std::string& what) {
    events.push_back(std::to_string(clock_.NowMs()) + " " + what);
}

FakeDevice::FakeDevice(std::shared_ptr<FakeLine> line) : line_(std::move(line)) {
    line_->open = true;
}

FakeDevice::~FakeDevice() {
    line_->open = false;
    line_->Log("closed");
}

bool FakeDevice::Write(const std::uint8_t* src, std::size_t n) {
    if (!line_->alive) return false;
    line_->Written(src, n);
    return true;
}

void FakeDevice::PurgeReceive() { line_->PurgeReceive(); }

void FakeDevice::Drain(std::uint32_t maxMs) {
    const std::uint32_t waited = std::min(maxMs, line_->transmitBusyMs);
    line_->clock().Advance(waited);
    line_->Log("drained " + std::to_string(waited));
}

std::unique_ptr<SerialDevice> FakePorts::Open(unsigned index, std::uint32_t baud,
                                              OpenFailure& why) {
    opens.emplace_back(index, baud);
    const auto it = lines.find(index);
    if (it == lines.end()) {
        why = failure;
        return nullptr;
    }
    return std::make_unique<FakeDevice>(it->second);
}

std::string FakePorts::PortName(unsigned index) const {
    return lines.count(index) != 0 ? "fake" + std::to_string(index) : std::string();
}

}  // namespace kx::link::testing
