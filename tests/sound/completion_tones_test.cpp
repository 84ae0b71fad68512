// The completion tones measured as a listener hears them.

#include "sound/completion_tones.h"

#include <gtest/gtest.h>

#include <vector>

#include "sound/sound_player.h"

namespace kx::sound {
namespace {

// A stretch of sound between silences of `minSilence` zeros or more, its sign changes, its peak.
struct Tone {
    std::size_t begin = 0, end = 0;
    std::vector<std::size_t> crossings;
    int peak = 0;
};

std::vector<Tone> Tones(const std::vector<std::int16_t>& s, std::size_t minSilence) {
    std::vector<Tone> tones;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == 0) continue;
        if (tones.empty() || i - tones.back().end >= minSilence) tones.push_back({i, i, {}, 0});
        Tone& t = tones.back();
        if (t.end > t.begin && (s[i] > 0) != (s[t.end - 1] > 0)) t.crossings.push_back(i);
        t.end = i + 1;
        t.peak = std::max(t.peak, std::abs(int{s[i]}));
    }
    return tones;
}

TEST(CompletionTones, ThreeTonesOf3000HzAnd50MsWith50MsPauses) {
    // 44100 Hz holds no whole number of periods in a tone, 8000 Hz only 2.67 samples each.
    for (const unsigned rate : {48000u, 44100u, 8000u}) {
        SCOPED_TRACE(rate);
        const std::vector<std::int16_t> s = ToneSamples({.sampleRate = rate});
        const auto ms = [rate](std::size_t n) { return static_cast<double>(n) * 1000.0 / rate; };
        const std::vector<Tone> tones = Tones(s, rate / 1000);  // pauses: 1 ms of zeros or more
        ASSERT_EQ(tones.size(), 3u);
        // A ramp's outermost samples may round to zero: a tenth of a millisecond at most.
        EXPECT_LE(ms(tones.front().begin), 0.1);
        EXPECT_LE(ms(s.size() - tones.back().end), 0.1);
        for (std::size_t k = 0; k < tones.size(); ++k) {
            const Tone& t = tones[k];
            EXPECT_NEAR(ms(t.end - t.begin), 50.0, 0.15);
            if (k > 0) {
                EXPECT_NEAR(ms(t.begin - tones[k - 1].end), 50.0, 0.15);
            }
            // From the first to the last sign change: (changes - 1) half periods.
            ASSERT_GE(t.crossings.size(), 2u);
            const double halfPeriods = static_cast<double>(t.crossings.size() - 1);
            EXPECT_NEAR(halfPeriods / 2 / ms(t.crossings.back() - t.crossings.front()) * 1000,
                        3000.0, 30.0);
            EXPECT_GT(t.peak, 32767 / 4);      // clearly audible
            EXPECT_LT(t.peak, 32767 * 3 / 4);  // far from clipping
        }
    }
}

}  // namespace
}  // namespace kx::sound
