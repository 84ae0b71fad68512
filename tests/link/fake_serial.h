#pragma once
// A scripted far end for ProgrammerLink tests: replies land at virtual times on a
// ManualClock, and waiting moves that clock instead of sleeping.

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/clock.h"
#include "link/serial_device.h"

namespace kx::link::testing {

using Bytes = std::vector<std::uint8_t>;
struct Timed {
    std::uint32_t delayMs;
    Bytes bytes;
};

// Tick order that survives the 32-bit counter wrapping.
inline bool NotAfter(std::uint32_t a, std::uint32_t b) {
    return static_cast<std::int32_t>(a - b) <= 0;
}

struct FakeLine {
    explicit FakeLine(ManualClock& c) : clock(c) {}
    ManualClock& clock;
    std::function<std::vector<Timed>(const Bytes&)> responder;  // answers each write
    std::vector<Bytes> writes;
    std::vector<std::string> log;                           // "<ms> <event>"
    std::vector<std::pair<std::uint32_t, Bytes>> inFlight;  // arrival order
    Bytes rx;
    bool alive = true, open = false;
    std::uint32_t transmitBusyMs = 0, longestWaitMs = 0;

    void Arrive(std::uint32_t delayMs, Bytes b) {
        const std::uint32_t at = clock.NowMs() + delayMs;
        auto pos = std::find_if(inFlight.begin(), inFlight.end(),
                                [at](const auto& p) { return !NotAfter(p.first, at); });
        inFlight.insert(pos, {at, std::move(b)});
    }
    void Deliver() {
        while (!inFlight.empty() && NotAfter(inFlight.front().first, clock.NowMs())) {
            rx.insert(rx.end(), inFlight.front().second.begin(), inFlight.front().second.end());
            inFlight.erase(inFlight.begin());
        }
    }
    void Log(const std::string& what) { log.push_back(std::to_string(clock.NowMs()) + " " + what); }
};

class FakeDevice final : public SerialDevice {
  public:
    explicit FakeDevice(std::shared_ptr<FakeLine> line) : l_(std::move(line)) { l_->open = true; }
    ~FakeDevice() override {
        l_->open = false;
        l_->Log("closed");
    }
    std::size_t QueuedBytes() override {
        l_->Deliver();
        return l_->rx.size();
    }
    std::size_t WaitForInput(std::size_t count, std::uint32_t timeoutMs) override {
        l_->longestWaitMs = std::max(l_->longestWaitMs, timeoutMs);
        const std::uint32_t deadline = l_->clock.NowMs() + timeoutMs;
        std::size_t queued = QueuedBytes();
        for (const auto& [at, bytes] : l_->inFlight) {
            if (queued >= count || !NotAfter(at, deadline)) break;
            if ((queued += bytes.size()) >= count) l_->clock.Advance(at - l_->clock.NowMs());
        }
        if (queued < count) l_->clock.Advance(deadline - l_->clock.NowMs());
        return QueuedBytes();
    }
    std::size_t Read(std::uint8_t* dst, std::size_t n) override {
        const std::size_t taken = std::min(n, QueuedBytes());
        std::copy_n(l_->rx.begin(), taken, dst);
        l_->rx.erase(l_->rx.begin(), l_->rx.begin() + static_cast<std::ptrdiff_t>(taken));
        return taken;
    }
    bool Write(const std::uint8_t* src, std::size_t n) override {
        if (!l_->alive) return false;
        l_->writes.emplace_back(src, src + n);
        if (l_->responder) {
            for (Timed& t : l_->responder(l_->writes.back())) l_->Arrive(t.delayMs, t.bytes);
        }
        return true;
    }
    void PurgeReceive() override {
        QueuedBytes();
        l_->rx.clear();
        l_->Log("purge rx");
    }
    void PurgeTransmit() override { l_->Log("purge tx"); }
    void Drain(std::uint32_t maxMs) override {
        l_->clock.Advance(std::min(maxMs, l_->transmitBusyMs));
        l_->Log("drained");
    }
    bool IsAlive() override { return l_->alive; }
    void SetDtr(bool on) override { l_->Log(on ? "dtr on" : "dtr off"); }
    void SetRts(bool on) override { l_->Log(on ? "rts on" : "rts off"); }

  private:
    std::shared_ptr<FakeLine> l_;
};

// Lines by port index; an index without a line fails to open with `failure`.
struct FakePorts final : PortProvider {
    std::map<unsigned, std::shared_ptr<FakeLine>> lines;
    OpenFailure failure = OpenFailure::NoSuchPort;
    std::vector<std::pair<unsigned, std::uint32_t>> opens;

    std::unique_ptr<SerialDevice> Open(unsigned index, std::uint32_t baud,
                                       OpenFailure& why) override {
        opens.emplace_back(index, baud);
        if (lines.count(index) == 0) {
            why = failure;
            return nullptr;
        }
        return std::make_unique<FakeDevice>(lines[index]);
    }
    std::string PortName(unsigned index) const override { return "fake" + std::to_string(index); }
};

}  // namespace kx::link::testing
