#pragma once
// A SoundPlayer that plays on a worker thread of its own, so that neither the window's
// painting nor the command line waits for the sound device. Each system gives it the call
// that plays one sound to the end (platform/<system>/).

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "sound/sound_player.h"

namespace kx::sound {

class QueuedSoundPlayer final : public SoundPlayer {
  public:
    // Plays `samples` at `sampleRate` and returns when they have been heard.
    using PlayToEnd =
        std::function<void(const std::vector<std::int16_t>& samples, unsigned sampleRate)>;
    // Starts the worker thread; a system may start it with signals blocked.
    using StartThread = std::function<std::thread(std::function<void()> body)>;

    explicit QueuedSoundPlayer(PlayToEnd playToEnd, const StartThread& startThread = {});
    // Plays what was asked for last, then ends the worker.
    ~QueuedSoundPlayer() override;
    QueuedSoundPlayer(const QueuedSoundPlayer&) = delete;
    QueuedSoundPlayer& operator=(const QueuedSoundPlayer&) = delete;

    void Play(std::vector<std::int16_t> samples, unsigned sampleRate) override;

  private:
    struct Sound {
        std::vector<std::int16_t> samples;
        unsigned sampleRate = 0;
    };
    void Work();

    PlayToEnd playToEnd_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<Sound> pending_;
    bool stopping_ = false;
    std::thread worker_;  // last: starts once everything above exists
};

}  // namespace kx::sound
