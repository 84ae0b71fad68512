#include "platform/interrupts.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <ctime>
#include <thread>

namespace kx::platform {
namespace {

constexpr long kPollNs = 50'000'000;  // how quickly the watcher notices the end of the hold

}  // namespace

struct HeldInterrupts::State {
    std::function<void()> onRequest;
    sigset_t held{};
    sigset_t previous{};
    std::atomic<bool> stop{false};
    bool ended = false;
    std::thread watcher;
};

HeldInterrupts::HeldInterrupts(std::function<void()> onRequest)
    : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.onRequest = std::move(onRequest);
    sigemptyset(&s.held);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction now {};
        if (sigaction(signal, nullptr, &now) == 0 && now.sa_handler == SIG_IGN) continue;
        sigaddset(&s.held, signal);
    }
    // Blocked before the watcher starts, so that it inherits the mask and no thread of the
    // process can be killed by them; the watcher takes them with sigtimedwait.
    pthread_sigmask(SIG_BLOCK, &s.held, &s.previous);
    s.watcher = std::thread([&s] {
        const timespec poll{0, kPollNs};
        while (!s.stop) {
            if (sigtimedwait(&s.held, nullptr, &poll) > 0) s.onRequest();
        }
    });
}

HeldInterrupts::~HeldInterrupts() {
    End();
}

bool HeldInterrupts::End() {
    State& s = *state_;
    if (s.ended) return false;
    s.ended = true;
    s.stop = true;
    s.watcher.join();
    // A signal that came after the watcher's last look is still pending: take it here, so
    // that unblocking does not kill the process after all.
    bool late = false;
    const timespec none{0, 0};
    while (sigtimedwait(&s.held, nullptr, &none) > 0) late = true;
    pthread_sigmask(SIG_SETMASK, &s.previous, nullptr);
    return late;
}

void EndProcessNow(int status) {
    _exit(status);
}

}  // namespace kx::platform
