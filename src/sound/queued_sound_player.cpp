#include "sound/queued_sound_player.h"

#include <utility>

namespace kx::sound {

QueuedSoundPlayer::QueuedSoundPlayer(PlayToEnd playToEnd, const StartThread& startThread)
    : playToEnd_(std::move(playToEnd)),
      worker_(startThread ? startThread([this] { Work(); }) : std::thread([this] { Work(); })) {}

QueuedSoundPlayer::~QueuedSoundPlayer() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    worker_.join();
}

void QueuedSoundPlayer::Play(std::vector<std::int16_t> samples, unsigned sampleRate) {
    {
        const std::lock_guard lock(mutex_);
        pending_ = Sound{std::move(samples), sampleRate};
    }
    wake_.notify_one();
}

void QueuedSoundPlayer::Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || pending_.has_value(); });
        if (!pending_) return;  // stopping, and nothing left to play
        const Sound sound = std::move(*pending_);
        pending_.reset();
        lock.unlock();
        playToEnd_(sound.samples, sound.sampleRate);
        lock.lock();
    }
}

}  // namespace kx::sound
