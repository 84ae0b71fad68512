#pragma once
// Millisecond time source. Operations, the link and the elapsed-time line take it by
// reference so that tests and the in-process simulator can run on a virtual clock.

#include <atomic>
#include <cstdint>

namespace kx {

class Clock {
  public:
    virtual ~Clock() = default;
    // Free-running millisecond tick; wraps like a 32-bit tick count.
    virtual std::uint32_t NowMs() = 0;
    virtual void SleepMs(std::uint32_t ms) = 0;
};

// The machine's monotonic clock.
Clock& SystemClock();

// A clock that only moves when told to; SleepMs advances it. Several threads may share it
// (ports probed at once): each one's sleep moves everyone's time, so how far it moved over
// such work depends on how the threads were scheduled; only lower bounds hold there.
class ManualClock final : public Clock {
  public:
    explicit ManualClock(std::uint32_t start = 0) : now_(start) {}
    std::uint32_t NowMs() override { return now_.load(); }
    void SleepMs(std::uint32_t ms) override { now_ += ms; }
    void Advance(std::uint32_t ms) { now_ += ms; }

  private:
    std::atomic<std::uint32_t> now_;
};

}  // namespace kx
