// The sound player on Linux: ALSA's default device, fed from the queued player's worker.

#include <alsa/asoundlib.h>
#include <pthread.h>
#include <signal.h>

#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "platform/sound.h"
#include "sound/queued_sound_player.h"

namespace kx::platform {
namespace {

// ALSA prints its errors to stderr. A missing sound card (a server, a remote session, CI) is
// no fault of ours, and a beep is never worth an error line, so they go nowhere.
void Quiet(const char* /*file*/, int /*line*/, const char* /*function*/, int /*err*/,
           const char* /*fmt*/, ...) {}

void PlayToEnd(const std::vector<std::int16_t>& samples, unsigned sampleRate) {
    static std::once_flag quieted;
    std::call_once(quieted, [] { snd_lib_error_set_handler(&Quiet); });
    snd_pcm_t* pcm = nullptr;
    // Opened without blocking: a device another program holds must not stall the player.
    if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) return;
    constexpr unsigned kLatencyUs = 100000;
    if (snd_pcm_nonblock(pcm, 0) == 0 &&
        snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, 1, sampleRate, 1,
                           kLatencyUs) == 0) {
        const std::int16_t* at = samples.data();
        auto left = static_cast<snd_pcm_uframes_t>(samples.size());
        int recoveries = 0;
        while (left > 0) {
            const snd_pcm_sframes_t written = snd_pcm_writei(pcm, at, left);
            if (written < 0) {
                // An underrun or a suspend; after a few the device is not worth waiting for.
                if (++recoveries > 3 || snd_pcm_recover(pcm, static_cast<int>(written), 1) < 0)
                    break;
                continue;
            }
            at += written;
            left -= static_cast<snd_pcm_uframes_t>(written);
        }
        if (left == 0) snd_pcm_drain(pcm);
    }
    snd_pcm_close(pcm);
}

// The worker takes no signals. The program decides which thread gets them (the command line
// holds Ctrl-C for a thread of its own while a unit runs); a signal that landed here would end
// the process in the middle of programming a chip.
std::thread StartWithoutSignals(std::function<void()> body) {
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    std::thread thread(std::move(body));
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return thread;
}

}  // namespace

std::unique_ptr<sound::SoundPlayer> MakeSystemSoundPlayer() {
    return std::make_unique<sound::QueuedSoundPlayer>(&PlayToEnd, &StartWithoutSignals);
}

}  // namespace kx::platform
