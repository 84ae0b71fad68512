#pragma once
// Playing a sound without holding up the caller. Each system supplies its player
// (platform/sound.h); tests supply a recording one.

#include <cstdint>
#include <vector>

namespace kx::sound {

class SoundPlayer {
  public:
    virtual ~SoundPlayer() = default;

    // Starts playing mono signed 16-bit samples and returns at once. A sound asked for while
    // another plays follows it (only the latest such waits). Where there is no sound device
    // nothing is heard and nothing is reported.
    virtual void Play(std::vector<std::int16_t> samples, unsigned sampleRate) = 0;
};

}  // namespace kx::sound
