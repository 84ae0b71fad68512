#include "sound/completion_tones.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "sound/sound_player.h"

namespace kx::sound {

std::vector<std::int16_t> ToneSamples(const ToneSequence& tones) {
    const auto samplesIn = [&tones](unsigned ms) {
        return static_cast<std::size_t>(std::uint64_t{tones.sampleRate} * ms / 1000);
    };
    const std::size_t toneLength = samplesIn(tones.toneMs);
    const std::size_t gapLength = samplesIn(tones.gapMs);
    const std::size_t rampLength = std::min(samplesIn(tones.rampMs), toneLength / 2);
    std::vector<std::int16_t> samples;
    if (tones.count == 0) return samples;
    samples.reserve(tones.count * toneLength + (tones.count - 1) * gapLength);
    const double step = 2.0 * std::numbers::pi * tones.frequencyHz / tones.sampleRate;
    for (unsigned t = 0; t < tones.count; ++t) {
        if (t > 0) samples.insert(samples.end(), gapLength, 0);
        for (std::size_t i = 0; i < toneLength; ++i) {
            // Half a sample off the zero phase: no sample inside a tone falls on zero.
            double value = tones.peak * std::sin(step * (static_cast<double>(i) + 0.5));
            const std::size_t fromEdge = std::min(i, toneLength - 1 - i);
            if (fromEdge < rampLength) {
                // Raised-cosine rise and fall.
                const double x =
                    (static_cast<double>(fromEdge) + 0.5) / static_cast<double>(rampLength);
                value *= 0.5 - 0.5 * std::cos(std::numbers::pi * x);
            }
            samples.push_back(static_cast<std::int16_t>(std::lround(value)));
        }
    }
    return samples;
}

void PlayCompletionTones(SoundPlayer& player) {
    const ToneSequence tones;
    player.Play(ToneSamples(tones), tones.sampleRate);
}

}  // namespace kx::sound
