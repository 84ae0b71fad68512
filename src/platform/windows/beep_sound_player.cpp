// The sound player on Windows: Beep, the way the completion sound has always been made
// there. Beep takes a pitch and a length, not samples, so each tone of the samples is played
// as one Beep of its pitch and length, after the silence before it. Fed from the queued
// player's worker, since Beep returns only when its tone has ended.

#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/sound.h"
#include "sound/queued_sound_player.h"

namespace kx::platform {
namespace {

struct Tone {
    unsigned silenceBeforeMs = 0;
    unsigned frequencyHz = 0;
    unsigned lengthMs = 0;
};

// The tones in the samples: stretches of sound apart by at least a millisecond of silence,
// each with its pitch from its zero crossings.
std::vector<Tone> TonesOf(const std::vector<std::int16_t>& samples, unsigned sampleRate) {
    std::vector<Tone> tones;
    if (sampleRate == 0) return tones;
    const std::size_t gap = std::max(1u, sampleRate / 1000);
    std::size_t i = 0;
    std::size_t lastEnd = 0;
    while (i < samples.size()) {
        while (i < samples.size() && samples[i] == 0) ++i;
        if (i == samples.size()) break;
        const std::size_t begin = i;
        std::size_t end = i;
        std::size_t crossings = 0;
        std::size_t quiet = 0;
        for (std::size_t j = begin + 1; j < samples.size() && quiet < gap; ++j) {
            if (samples[j] == 0) {
                ++quiet;
                continue;
            }
            quiet = 0;
            end = j;
            if ((samples[j] > 0) != (samples[j - 1] > 0) && samples[j - 1] != 0) ++crossings;
        }
        const std::size_t length = end + 1 - begin;
        Tone tone;
        tone.silenceBeforeMs = static_cast<unsigned>((begin - lastEnd) * 1000 / sampleRate);
        tone.lengthMs = static_cast<unsigned>(length * 1000 / sampleRate);
        tone.frequencyHz = static_cast<unsigned>(crossings * sampleRate / 2 / length);
        // Beep's range; a stretch outside it (a click, noise) is no tone.
        if (tone.lengthMs > 0 && tone.frequencyHz >= 37 && tone.frequencyHz <= 32767) {
            tones.push_back(tone);
        }
        lastEnd = end + 1;
        i = end + 1;
    }
    return tones;
}

void PlayToEnd(const std::vector<std::int16_t>& samples, unsigned sampleRate) {
    for (const Tone& tone : TonesOf(samples, sampleRate)) {
        if (tone.silenceBeforeMs > 0) ::Sleep(tone.silenceBeforeMs);
        ::Beep(tone.frequencyHz, tone.lengthMs);  // no speaker: returns false, unheard
    }
}

}  // namespace

std::unique_ptr<sound::SoundPlayer> MakeSystemSoundPlayer() {
    return std::make_unique<sound::QueuedSoundPlayer>(&PlayToEnd);
}

}  // namespace kx::platform
