#pragma once
// A scripted far end for ProgrammerLink tests: replies arrive at virtual times on a
// ManualClock, and waiting moves that clock instead of sleeping.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/clock.h"
#include "link/serial_device.h"

namespace kx::link::testing {

using Bytes = std::vector<std::uint8_t>;

struct TimedReply {
    std::uint32_t delayMs;  // after the write that caused it
    Bytes bytes;
};

class FakeLine {
public:
    explicit FakeLine(ManualClock& clock) : clock_(clock) {}

    // Answers each write; the default stays silent.
    std::function<std::vector<TimedReply>(const Bytes& written)> responder;

    // Bytes that turn up `delayMs` from now regardless of any write.
    void Arrive(std::uint32_t delayMs, Bytes bytes);

    // Device side.
    std::size_t Queued();
    std::size_t WaitFor(std::size_t count, std::uint32_t timeoutMs);
    std::size_t Read(std::uint8_t* dst, std::size_t n);
    void Written(const std::uint8_t* src, std::size_t n);
    void PurgeReceive();
    void Log(const std::string& what);

    ManualClock& clock() { return clock_; }

    std::vector<Bytes> writes;
    std::vector<std::string> events;  // "<ms> <what>"
    bool alive = true;
    bool open = false;
    std::uint32_t transmitBusyMs = 0;  // how long Drain would have to wait
    std::uint32_t longestWaitMs = 0;
    int waitCalls = 0;

private:
    struct Pending {
        std::uint32_t at;
        Bytes bytes;
    };
    void Deliver();

    ManualClock& clock_;
    std::vector<Pending> pending_;  // in arrival order
    Bytes rx_;
};

class FakeDevice final : public SerialDevice {
public:
    explicit FakeDevice(std::shared_ptr<FakeLine> line);
    ~FakeDevice() override;

    std::size_t QueuedBytes() override { return line_->Queued(); }
    std::size_t WaitForInput(std::size_t count, std::uint32_t timeoutMs) override {
        return line_->WaitFor(count, timeoutMs);
    }
    std::size_t Read(std::uint8_t* dst, std::size_t n) override { return line_->Read(dst, n); }
    bool Write(const std::uint8_t* src, std::size_t n) override;
    void PurgeReceive() override;
    void PurgeTransmit() override { line_->Log("purge tx"); }
    void Drain(std::uint32_t maxMs) override;
    bool IsAlive() override { return line_->alive; }
    void SetDtr(bool asserted) override { line_->Log(asserted ? "dtr on" : "dtr off"); }
    void SetRts(bool asserted) override { line_->Log(asserted ? "rts on" : "rts off"); }

private:
    std::shared_ptr<FakeLine> line_;
};

// Lines by port index; an index without a line fails to open.
class FakePorts final : public PortProvider {
public:
    std::unique_ptr<SerialDevice> Open(unsigned index, std::uint32_t baud,
                                       OpenFailure& why) override;
    std::string PortName(unsigned index) const override;

    std::map<unsigned, std::shared_ptr<FakeLine>> lines;
    OpenFailure failure = OpenFailure::NoSuchPort;  // reported for a missing index
    std::vector<std::pair<unsigned, std::uint32_t>> opens;  // (index, baud) asked for
};

}  // namespace kx::link::testing
