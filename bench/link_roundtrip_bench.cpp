// Round trip of one acknowledge command over a pseudo-terminal whose far end answers at
// once: what the link itself adds to every exchange with the box.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "common/clock.h"
#include "link/programmer_link.h"
#include "platform/serial_ports.h"

namespace {

constexpr std::size_t kVppFrameSize = 10;  // 4-byte head, 4-byte payload, checksum

// Answers 0x90 to every complete frame it reads on the master side.
class InstantBox {
  public:
    InstantBox() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0) {
            if (const char* name = ::ptsname(master_)) slave_ = name;
        }
    }
    ~InstantBox() {
        Stop();
        if (master_ >= 0) ::close(master_);
    }
    bool Ok() const { return !slave_.empty(); }
    const std::string& SlavePath() const { return slave_; }

    void Start() {
        thread_ = std::thread([this] {
            std::size_t pending = 0;
            std::uint8_t buffer[256];
            while (!stop_.load()) {
                pollfd watch{master_, POLLIN, 0};
                if (::poll(&watch, 1, 20) <= 0 || (watch.revents & POLLIN) == 0) continue;
                const ssize_t got = ::read(master_, buffer, sizeof buffer);
                if (got <= 0) continue;
                pending += static_cast<std::size_t>(got);
                for (; pending >= kVppFrameSize; pending -= kVppFrameSize) {
                    const std::uint8_t ack = kx::link::kAck;
                    if (::write(master_, &ack, 1) != 1) return;
                }
            }
        });
    }
    void Stop() {
        stop_.store(true);
        if (thread_.joinable()) thread_.join();
    }

  private:
    int master_ = -1;
    std::string slave_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

void BM_VppTestRoundTrip(benchmark::State& state) {
    InstantBox box;
    if (!box.Ok()) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    kx::link::PortPaths paths;
    paths[0] = box.SlavePath();
    const auto ports = kx::platform::MakePortProvider(paths);
    kx::link::ProgrammerLink link(*ports, kx::SystemClock());
    if (link.OpenPort(0, 115200) != kx::link::kLinkOk) {
        state.SkipWithError("cannot open the pseudo-terminal");
        return;
    }
    box.Start();
    for (auto _ : state) {
        if (link.VppTest() != kx::link::kLinkOk) {
            state.SkipWithError("VPP_TEST was not acknowledged");
            break;
        }
    }
    box.Stop();
}
BENCHMARK(BM_VppTestRoundTrip)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
