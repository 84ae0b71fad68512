// Finding the programmer on COM1..COM8 and noticing when it has gone.

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "link/open_failure.h"
#include "messages/text_catalogue.h"
#include "operations/loader_probe.h"
#include "operations/operations.h"
#include "operations/version_check.h"

namespace kx::ops {
namespace {

constexpr unsigned kPortCount = 8;
constexpr std::uint32_t kNormalBaud = 115200;
constexpr int kEvenParity = 2;
// How often the waiting caller's idle hook runs (a window keeps painting).
constexpr auto kIdleSlice = std::chrono::milliseconds(20);

// What asking one port found, filled in by its own thread.
struct PortProbe {
    enum class State { Pending, Answered, Silent, OpenFailed };
    State state = State::Pending;
    link::OpenFailure failure = link::OpenFailure::None;
    std::string path;
    bool firmwareOlder = false;
    std::unique_ptr<link::ProgrammerLink> link;  // still open when Answered
};

void ProbePort(PortProbe& probe, unsigned index) {
    link::ProgrammerLink& link = *probe.link;
    const bool opened = link.OpenPort(index, kNormalBaud, kEvenParity) == link::kLinkOk;
    probe.path = link.OpenPath();
    if (!opened) {
        probe.failure = link.LastOpenFailure();
        probe.state = PortProbe::State::OpenFailed;
        return;
    }
    std::array<std::uint8_t, link::kVersionReplySize> reply{};
    if (link.GetVersion(reply) == link::kLinkOk) {
        // Any answering box counts as found; the operations judge the version.
        probe.firmwareOlder = JudgeVersionReply(reply) == FirmwareVerdict::Older;
        probe.state = PortProbe::State::Answered;
        return;
    }
    link.ClosePort();
    probe.state = PortProbe::State::Silent;
}

// The lowest port whose box answered, once every port below it has been heard out;
// kPortCount when none did; nullopt while that is not yet known.
std::optional<unsigned> Winner(const std::array<PortProbe, kPortCount>& probes) {
    for (unsigned index = 0; index < kPortCount; ++index) {
        if (probes[index].state == PortProbe::State::Pending) return std::nullopt;
        if (probes[index].state == PortProbe::State::Answered) return index;
    }
    return kPortCount;
}

// Asks all eight ports at once, each on its own link and thread, so that silent ports cost
// one time-out rather than one each. The outcome is the one asking them in turn gives:
// the lowest answering port wins and the ports above it are dropped unheard, unless
// `hearAll` (a gang wants every box).
unsigned ProbeAllPorts(OperationContext& ctx, std::array<PortProbe, kPortCount>& probes,
                       bool hearAll = false) {
    std::mutex mutex;
    std::condition_variable changed;
    std::stop_source stop;
    for (auto& probe : probes) {
        probe.link = ctx.link.Sibling();
        probe.link->SetStopToken(stop.get_token());
    }
    std::optional<unsigned> winner;
    {
        std::vector<std::jthread> threads;
        for (unsigned index = 0; index < kPortCount; ++index) {
            threads.emplace_back([&, index] {
                PortProbe result;
                result.link = std::move(probes[index].link);
                ProbePort(result, index);
                const std::lock_guard lock(mutex);
                probes[index] = std::move(result);
                changed.notify_all();
            });
        }
        const std::function<void()>& idle = ctx.link.IdleHook();
        std::unique_lock lock(mutex);
        const auto done = [&] {
            if (!hearAll) return (winner = Winner(probes)).has_value();
            for (const auto& probe : probes) {
                if (probe.state == PortProbe::State::Pending) return false;
            }
            winner = Winner(probes);
            return true;
        };
        while (!done()) {
            changed.wait_for(lock, kIdleSlice);
            if (idle) {
                lock.unlock();
                idle();
                lock.lock();
            }
        }
        // The ports above the winner need no more hearing out.
        stop.request_stop();
        lock.unlock();
    }  // joins the threads
    return *winner;
}

}  // namespace

DiscoveryOutcome FindProgrammer(OperationContext& ctx) {
    DiscoveryOutcome outcome;
    // The port a previous search left open is asked again like any other.
    ctx.link.ClosePort();
    std::array<PortProbe, kPortCount> probes;
    const unsigned winner = ProbeAllPorts(ctx, probes);

    std::vector<std::string> hints;
    std::vector<std::pair<unsigned, std::string>> silent;  // opened, but nothing answered
    for (unsigned index = 0; index < winner; ++index) {
        const PortProbe& probe = probes[index];
        if (probe.state == PortProbe::State::Silent) {
            silent.emplace_back(index, probe.path);
        } else if (probe.failure == link::OpenFailure::AccessDenied) {
            // Without this a Linux user who is not in 'dialout' only ever sees "failed".
            hints.push_back(link::OpenFailureHint(link::OpenFailure::AccessDenied, probe.path,
                                                  ctx.out.Language()) +
                            "\r\n");
        }
    }
    if (winner < kPortCount) {
        outcome.result = Result::Succeeded;
        outcome.portIndex = winner;
        outcome.portPath = probes[winner].path;
        outcome.firmwareOlder = probes[winner].firmwareOlder;
        ctx.link.TakePortFrom(*probes[winner].link);
    }
    probes = {};  // closes the other boxes' ports that answered too

    // Only when no firmware answered: a box that an unfinished update left in its loader
    // answers nothing but the sync at 9600. It stays open at the normal speed, like any
    // box; the update finds its loader again.
    for (std::size_t i = 0; outcome.result != Result::Succeeded && i < silent.size(); ++i) {
        const auto& [index, path] = silent[i];
        if (!LoaderAnswers(ctx, path)) continue;
        if (ctx.link.OpenPortPath(path, kNormalBaud, kEvenParity) != link::kLinkOk) continue;
        outcome.result = Result::Succeeded;
        outcome.loaderOnly = true;
        outcome.firmwareOlder = true;
        outcome.portIndex = index;
        outcome.portPath = path;
    }

    if (outcome.result != Result::Succeeded) {
        outcome.portIndex = kPortCount;
        std::string text(MessageText(Message::ConnectFailed, ctx.out.Language()));
        for (const auto& hint : hints) text += hint;
        ctx.out.ShowText(text);
        outcome.hints = std::move(hints);
        return outcome;
    }
    if (outcome.loaderOnly) {
        ctx.out.ShowText(SayText(ctx.out.Language(), Text::LoaderOnlyUpdateAgain));
    } else {
        ctx.out.ShowMessage(Message::Connected);
    }
    return outcome;
}

std::vector<std::string> FindAllProgrammers(OperationContext& ctx) {
    std::array<PortProbe, kPortCount> probes;
    ProbeAllPorts(ctx, probes, true);
    std::vector<std::string> found;
    for (const PortProbe& probe : probes) {
        // A port listed twice is still one box.
        if (probe.state == PortProbe::State::Answered &&
            std::find(found.begin(), found.end(), probe.path) == found.end()) {
            found.push_back(probe.path);
        }
    }
    return found;  // the probes' links close their ports as they go
}

bool CheckConnection(OperationContext& ctx) {
    if (ctx.link.IsPortAlive()) return true;
    ctx.out.ShowMessage(Message::ConnectFailed);
    return false;
}

}  // namespace kx::ops
