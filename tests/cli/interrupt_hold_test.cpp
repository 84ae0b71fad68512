#include "cli/interrupt_hold.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <thread>

namespace kx::cli {
namespace {

using namespace std::chrono_literals;

bool WaitUntilRequested(const InterruptHold& hold) {
    for (int i = 0; i < 200 && !hold.Requested(); ++i) std::this_thread::sleep_for(10ms);
    return hold.Requested();
}

bool Blocked(int signal) {
    sigset_t now;
    pthread_sigmask(SIG_BLOCK, nullptr, &now);
    return sigismember(&now, signal) == 1;
}

TEST(InterruptHold, FirstSignalIsNotedNotFatalAndTheMaskComesBack) {
    int firstCalls = 0;
    const auto countFirst = [&] {
        ++firstCalls;
        return std::string();
    };
    {
        InterruptHold hold({countFirst, {}}, 70, 100ms);
        EXPECT_FALSE(hold.Requested());
        kill(getpid(), SIGTERM);
        ASSERT_TRUE(WaitUntilRequested(hold));
        // A second signal after the window counts as a new first one, not as the end.
        std::this_thread::sleep_for(250ms);
        kill(getpid(), SIGHUP);
        for (int i = 0; i < 200 && firstCalls < 2; ++i) std::this_thread::sleep_for(10ms);
        // One that arrives as the hold ends is still taken, not left to kill the process.
        std::this_thread::sleep_for(150ms);
        kill(getpid(), SIGINT);
        EXPECT_TRUE(hold.Release());
    }
    EXPECT_GE(firstCalls, 2);
    // An ignored signal (nohup) stays ignored: the hold neither takes nor announces it.
    std::signal(SIGHUP, SIG_IGN);
    {
        InterruptHold hold({countFirst, {}}, 70);
        kill(getpid(), SIGHUP);
        std::this_thread::sleep_for(100ms);
        EXPECT_FALSE(hold.Release());
    }
    std::signal(SIGHUP, SIG_DFL);
    EXPECT_FALSE(Blocked(SIGINT));
    EXPECT_FALSE(Blocked(SIGTERM));
}

}  // namespace
}  // namespace kx::cli
