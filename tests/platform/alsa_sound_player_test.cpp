// The Linux player with no sound device: silent, and its thread takes no signals.

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include "platform/sound.h"
#include "sound/completion_tones.h"

namespace kx::platform {
namespace {

TEST(SystemSoundPlayer, SilentWithoutADeviceAndTakesNoSignals) {
    // A configuration file that is not there: ALSA knows no device at all.
    ASSERT_EQ(setenv("ALSA_CONFIG_PATH", "/nonexistent/kx-asound.conf", 1), 0);
    testing::internal::CaptureStderr();
    auto player = MakeSystemSoundPlayer();
    // Held in this thread once the player exists, as the command line holds Ctrl-C: still
    // pending for us, not taken by the player's thread.
    signal(SIGUSR1, [](int) {});
    sigset_t usr1;
    sigemptyset(&usr1);
    sigaddset(&usr1, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &usr1, nullptr);
    kill(getpid(), SIGUSR1);
    usleep(50'000);  // time for any thread that would take it
    const timespec second{1, 0};
    EXPECT_EQ(sigtimedwait(&usr1, nullptr, &second), SIGUSR1);
    pthread_sigmask(SIG_UNBLOCK, &usr1, nullptr);
    sound::PlayCompletionTones(*player);
    player.reset();  // waits for the sound, as the program's end does
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    unsetenv("ALSA_CONFIG_PATH");
}

}  // namespace
}  // namespace kx::platform
