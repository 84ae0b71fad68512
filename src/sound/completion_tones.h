#pragma once
// The completion signal as samples: three short 3000 Hz tones with a pause between them,
// generated here so that every platform's player sounds the same.

#include <cstdint>
#include <vector>

namespace kx::sound {

class SoundPlayer;

struct ToneSequence {
    unsigned sampleRate = 48000;
    unsigned frequencyHz = 3000;
    unsigned toneMs = 50;
    unsigned gapMs = 50;
    unsigned count = 3;
    // Peak of each tone: half of full scale, loud enough beside a machine, never clipped.
    std::int16_t peak = 16384;
    // Each tone rises and falls over this time, inside its length, so that it does not click.
    unsigned rampMs = 2;
};

// Mono signed 16-bit samples: `count` tones of `toneMs`, `gapMs` of silence between them, none
// before the first or after the last.
std::vector<std::int16_t> ToneSamples(const ToneSequence& tones = {});

// Hands the default sequence to `player`; returns at once.
void PlayCompletionTones(SoundPlayer& player);

}  // namespace kx::sound
