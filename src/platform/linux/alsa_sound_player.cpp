// The sound player on Linux: ALSA's default device, fed from a worker thread so that neither
// the window's painting nor the command line waits for the sound card.

#include <alsa/asoundlib.h>
#include <pthread.h>
#include <signal.h>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "platform/sound.h"

namespace kx::platform {
namespace {

using sound::SoundPlayer;

// ALSA prints its errors to stderr. A missing sound card (a server, a remote session, CI) is
// no fault of ours, and a beep is never worth an error line, so they go nowhere.
void Quiet(const char* /*file*/, int /*line*/, const char* /*function*/, int /*err*/,
           const char* /*fmt*/, ...) {}

struct Sound {
    std::vector<std::int16_t> samples;
    unsigned sampleRate = 0;
};

void PlayNow(const Sound& sound) {
    snd_pcm_t* pcm = nullptr;
    // Opened without blocking: a device another program holds must not stall the player.
    if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) return;
    constexpr unsigned kLatencyUs = 100000;
    if (snd_pcm_nonblock(pcm, 0) == 0 &&
        snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, 1,
                           sound.sampleRate, 1, kLatencyUs) == 0) {
        const std::int16_t* at = sound.samples.data();
        auto left = static_cast<snd_pcm_uframes_t>(sound.samples.size());
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
template <class Body>
std::thread StartWithoutSignals(Body body) {
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    std::thread thread(std::move(body));
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return thread;
}

class AlsaSoundPlayer final : public SoundPlayer {
  public:
    AlsaSoundPlayer() : worker_(StartWithoutSignals([this] { Work(); })) {}
    ~AlsaSoundPlayer() override {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_one();
        worker_.join();
    }
    AlsaSoundPlayer(const AlsaSoundPlayer&) = delete;
    AlsaSoundPlayer& operator=(const AlsaSoundPlayer&) = delete;

    void Play(std::vector<std::int16_t> samples, unsigned sampleRate) override {
        {
            const std::lock_guard lock(mutex_);
            pending_ = Sound{std::move(samples), sampleRate};
        }
        wake_.notify_one();
    }

  private:
    void Work() {
        static std::once_flag quieted;
        std::call_once(quieted, [] { snd_lib_error_set_handler(&Quiet); });
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stopping_ || pending_.has_value(); });
            if (!pending_) return;  // stopping, and nothing left to play
            const Sound sound = std::move(*pending_);
            pending_.reset();
            lock.unlock();
            PlayNow(sound);
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<Sound> pending_;
    bool stopping_ = false;
    std::thread worker_;  // last: starts once everything above exists
};

}  // namespace

std::unique_ptr<SoundPlayer> MakeSystemSoundPlayer() {
    return std::make_unique<AlsaSoundPlayer>();
}

}  // namespace kx::platform
