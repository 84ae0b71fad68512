#pragma once
// The system's player for the completion sound: ALSA's default device on Linux; on Windows
// the PC speaker's Beep, which plays its own tone in place of the samples.

#include <memory>

#include "sound/sound_player.h"

namespace kx::platform {

// Destroying the player lets a sound already asked for finish first.
std::unique_ptr<sound::SoundPlayer> MakeSystemSoundPlayer();

}  // namespace kx::platform
