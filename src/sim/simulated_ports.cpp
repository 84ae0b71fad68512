#include "sim/simulated_ports.h"

#include <algorithm>
#include <atomic>
#include <deque>

namespace kx::sim {

std::uint64_t VirtualTime::NowUs() {
    const std::lock_guard lock(mutex_);
    const std::uint32_t now = clock_.NowMs();
    nowUs_ += std::uint64_t{static_cast<std::uint32_t>(now - lastMs_)} * 1000;
    lastMs_ = now;
    return nowUs_;
}

void VirtualTime::AdvanceTo(std::uint64_t us) {
    const std::uint64_t now = NowUs();
    if (us <= now) return;
    const std::uint64_t ms = (us - now + 999) / 1000;
    clock_.SleepMs(static_cast<std::uint32_t>(std::min<std::uint64_t>(ms, 0xFFFFFFFFu)));
}

struct SimulatedPorts::Port {
    std::unique_ptr<Box> box;        // null: a silent device
    std::atomic<bool> open = false;  // checked by whichever thread opens it
    std::string name;
};

namespace {

class SimulatedDevice final : public link::SerialDevice {
  public:
    SimulatedDevice(std::shared_ptr<SimulatedPorts::Port> port, std::shared_ptr<VirtualTime> time,
                    std::uint32_t baud)
        : port_(std::move(port)), time_(std::move(time)), baud_(baud) {
        port_->open = true;
        if (Box* b = port_->box.get()) b->SetControlLines(false, false, time_->NowUs());
    }
    ~SimulatedDevice() override { port_->open = false; }
    SimulatedDevice(const SimulatedDevice&) = delete;
    SimulatedDevice& operator=(const SimulatedDevice&) = delete;

    std::size_t QueuedBytes() override {
        Pump(time_->NowUs());
        return rx_.size();
    }

    std::size_t WaitForInput(std::size_t count, std::uint32_t timeoutMs) override {
        const std::uint64_t deadline = time_->NowUs() + std::uint64_t{timeoutMs} * 1000;
        if (QueuedBytes() >= count) return rx_.size();
        // When would the count-th byte be here? Bytes at another speed never count.
        std::uint64_t due = deadline;
        if (Box* b = Live()) {
            std::size_t have = rx_.size();
            for (const auto& x : b->PendingOutput()) {
                if (x.baud != baud_) continue;
                if (++have >= count) {
                    due = std::min(due, x.atUs);
                    break;
                }
            }
        }
        time_->AdvanceTo(due);
        return QueuedBytes();
    }

    std::size_t Read(std::uint8_t* dst, std::size_t n) override {
        if (port_->box && port_->box->Vanished()) return 0;
        Pump(time_->NowUs());
        const std::size_t k = std::min(n, rx_.size());
        std::copy_n(rx_.begin(), k, dst);
        rx_.erase(rx_.begin(), rx_.begin() + static_cast<std::ptrdiff_t>(k));
        return k;
    }

    bool Write(const std::uint8_t* src, std::size_t n) override {
        if (!port_->box) return true;  // the silent device swallows everything
        Box* b = Live();
        if (b == nullptr) return false;
        b->Receive(std::span<const std::uint8_t>(src, n), time_->NowUs(),
                   LineSettings{baud_, true});
        return !b->Vanished();
    }

    // Also drops reply bytes still on their way: a late reply must never be taken for the
    // answer to the command that follows the purge.
    void PurgeReceive() override {
        rx_.clear();
        if (Box* b = Live()) b->DiscardOutput();
    }
    void PurgeTransmit() override {}
    // Written bytes reach the box at once.
    bool Drain(std::uint32_t /*maxMs*/) override { return true; }

    bool IsAlive() override { return !(port_->box && port_->box->Vanished()); }

    void SetDtr(bool asserted) override {
        dtr_ = asserted;
        if (Box* b = Live()) b->SetControlLines(dtr_, rts_, time_->NowUs());
    }
    void SetRts(bool asserted) override {
        rts_ = asserted;
        if (Box* b = Live()) b->SetControlLines(dtr_, rts_, time_->NowUs());
    }

  private:
    Box* Live() {
        Box* b = port_->box.get();
        return (b != nullptr && !b->Vanished()) ? b : nullptr;
    }
    // Moves arrived reply bytes into the receive queue; bytes sent at another speed arrive
    // as line errors and are lost.
    void Pump(std::uint64_t nowUs) {
        Box* b = Live();
        if (b == nullptr) return;
        for (const auto& x : b->TakeOutput(nowUs)) {
            if (x.baud == baud_) rx_.push_back(x.value);
        }
    }

    std::shared_ptr<SimulatedPorts::Port> port_;
    std::shared_ptr<VirtualTime> time_;
    std::uint32_t baud_;
    bool dtr_ = false;
    bool rts_ = false;
    std::deque<std::uint8_t> rx_;
};

unsigned Slot(unsigned index) {
    return index > 7 ? 7 : index;
}

}  // namespace

SimulatedPorts::SimulatedPorts(Clock& clock) : time_(std::make_shared<VirtualTime>(clock)) {}
SimulatedPorts::~SimulatedPorts() = default;

Box& SimulatedPorts::AddBox(unsigned index, BoxConfig config) {
    auto port = std::make_shared<Port>();
    port->box = std::make_unique<Box>(std::move(config));
    port->name = FreshName(index);
    ports_[Slot(index)] = port;
    return *port->box;
}

void SimulatedPorts::AddSilentPort(unsigned index) {
    auto port = std::make_shared<Port>();
    port->name = FreshName(index);
    ports_[Slot(index)] = port;
}

std::string SimulatedPorts::FreshName(unsigned index) const {
    const std::string base = "sim:COM" + std::to_string(Slot(index) + 1);
    std::string name = base;
    // The port being replaced at `index` gives its name up.
    const auto taken = [this, index](const std::string& n) {
        for (unsigned i = 0; i < ports_.size(); ++i) {
            if (i != Slot(index) && ports_[i] && ports_[i]->name == n) return true;
        }
        return false;
    };
    for (int copy = 2; taken(name); ++copy) name = base + "#" + std::to_string(copy);
    return name;
}

void SimulatedPorts::MovePort(unsigned from, unsigned to) {
    if (Slot(from) == Slot(to)) return;
    ports_[Slot(to)] = std::move(ports_[Slot(from)]);
    ports_[Slot(from)].reset();
}

void SimulatedPorts::RemovePort(unsigned index) {
    ports_[Slot(index)].reset();
}

Box* SimulatedPorts::BoxAt(unsigned index) {
    const auto& port = ports_[Slot(index)];
    return port ? port->box.get() : nullptr;
}

std::unique_ptr<link::SerialDevice> SimulatedPorts::Open(unsigned index, std::uint32_t baud,
                                                         link::OpenFailure& why) {
    const auto& port = ports_[Slot(index)];
    if (!port || (port->box && port->box->Vanished())) {
        why = link::OpenFailure::NoSuchPort;
        return nullptr;
    }
    if (port->open) {
        why = link::OpenFailure::Busy;
        return nullptr;
    }
    why = link::OpenFailure::None;
    return std::make_unique<SimulatedDevice>(port, time_, baud);
}

std::string SimulatedPorts::PortName(unsigned index) const {
    const auto& port = ports_[Slot(index)];
    return port ? port->name : std::string();
}

}  // namespace kx::sim
