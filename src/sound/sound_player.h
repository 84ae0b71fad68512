#pragma once
// Playing a sound without holding up the caller. Each platform supplies its player in one
// file of its own (ALSA on Linux: alsa_sound_player.cpp); tests supply a recording one.

#include <cstdint>
#include <memory>
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

// The platform's player. Destroying it lets a sound already asked for finish first.
std::unique_ptr<SoundPlayer> MakeSystemSoundPlayer();

}  // namespace kx::sound
