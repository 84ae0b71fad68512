#pragma once
// Serial ports that lead straight to simulated boxes, on a shared virtual clock. Waiting for
// a reply moves the clock to the reply's arrival (or the deadline) instead of sleeping when
// the clock is a ManualClock; with the system clock it really sleeps.

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "common/clock.h"
#include "link/serial_device.h"
#include "sim/box.h"

namespace kx::sim {

// Microsecond time derived from a millisecond Clock (which may wrap). The ports of one
// SimulatedPorts share it, from as many threads as have ports open.
class VirtualTime {
  public:
    explicit VirtualTime(Clock& clock) : clock_(clock), lastMs_(clock.NowMs()) {}
    std::uint64_t NowUs();
    // Lets the clock run (sleep or advance) until at least `us`.
    void AdvanceTo(std::uint64_t us);
    Clock& GetClock() { return clock_; }

  private:
    Clock& clock_;
    std::mutex mutex_;
    std::uint32_t lastMs_;
    std::uint64_t nowUs_ = 0;
};

class SimulatedPorts final : public link::PortProvider {
  public:
    explicit SimulatedPorts(Clock& clock);
    ~SimulatedPorts() override;
    SimulatedPorts(const SimulatedPorts&) = delete;
    SimulatedPorts& operator=(const SimulatedPorts&) = delete;

    // Puts a box on port `index` (0..7), replacing whatever was there.
    Box& AddBox(unsigned index, BoxConfig config = {});
    // A port whose device never answers (another kind of device on COMx).
    void AddSilentPort(unsigned index);
    void RemovePort(unsigned index);
    // The port on `from` now stands at `to` (an adapter plugged in or pulled ahead of it),
    // replacing whatever was there; it keeps its name, as a device node does.
    void MovePort(unsigned from, unsigned to);
    // The box on `index`, or null.
    Box* BoxAt(unsigned index);

    // Different ports may be opened and used from different threads at once; adding, moving
    // or removing ports must not overlap with that.
    std::unique_ptr<link::SerialDevice> Open(unsigned index, std::uint32_t baud,
                                             link::OpenFailure& why) override;
    // "sim:COM<n>" after the index the port was added at ("sim:COM<n>#2" if a port moved
    // away from there still holds that name).
    std::string PortName(unsigned index) const override;

    std::uint64_t NowUs() { return time_->NowUs(); }

    struct Port;

  private:
    std::string FreshName(unsigned index) const;

    std::shared_ptr<VirtualTime> time_;
    std::array<std::shared_ptr<Port>, 8> ports_;
};

}  // namespace kx::sim
