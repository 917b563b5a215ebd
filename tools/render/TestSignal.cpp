#include "tools/render/TestSignal.h"

#include <algorithm>
#include <array>
#include <cmath>

juce::AudioBuffer<float> tavik::render::makeTestSignal()
{
    constexpr double rate = testSignalSampleRate;
    constexpr double chordSeconds = 1.8;
    constexpr double sweepSeconds = 2.2;
    constexpr double lowest = 20.0;
    constexpr double highest = 20000.0;
    constexpr double fadeSeconds = 0.01;

    const int chordLength = juce::roundToInt (chordSeconds * rate);
    const int sweepLength = juce::roundToInt (sweepSeconds * rate);

    juce::AudioBuffer<float> signal (2, chordLength + sweepLength);
    auto* left = signal.getWritePointer (0);
    auto* right = signal.getWritePointer (1);

    struct Note
    {
        double frequency;
        double pan; // -1 left to +1 right
    };

    // A minor ninth chord, spread a little across the stereo field.
    constexpr std::array<Note, 5> chord { { { 110.0, -0.3 }, { 220.0, 0.2 }, { 261.63, -0.15 },
                                            { 329.63, 0.35 }, { 493.88, -0.25 } } };

    for (int i = 0; i < chordLength; ++i)
    {
        const double t = i / rate;
        const double envelope = std::min (1.0, t / 0.005) * std::exp (-2.5 * t);
        double l = 0.0;
        double r = 0.0;

        for (const auto& note : chord)
        {
            const double tone = std::sin (juce::MathConstants<double>::twoPi * note.frequency * t);
            l += tone * (1.0 - note.pan);
            r += tone * (1.0 + note.pan);
        }

        left[i] = static_cast<float> (l * envelope);
        right[i] = static_cast<float> (r * envelope);
    }

    // Exponential sweep: the phase integrates f(t) = lowest * (highest/lowest)^(t/T).
    const double ratio = std::log (highest / lowest);

    for (int i = 0; i < sweepLength; ++i)
    {
        const double t = i / rate;
        const double phase = juce::MathConstants<double>::twoPi * lowest * sweepSeconds / ratio
                           * (std::exp (t / sweepSeconds * ratio) - 1.0);
        const double fade = std::max (0.0, std::min ({ 1.0, t / fadeSeconds, (sweepSeconds - t) / fadeSeconds }));
        const auto sample = static_cast<float> (std::sin (phase) * fade);

        left[chordLength + i] = sample;
        right[chordLength + i] = sample;
    }

    const float chordPeak = juce::jmax (signal.getMagnitude (0, 0, chordLength),
                                        signal.getMagnitude (1, 0, chordLength));
    const float targetPeak = juce::Decibels::decibelsToGain (-6.0f);

    signal.applyGain (0, 0, chordLength, targetPeak / chordPeak);
    signal.applyGain (1, 0, chordLength, targetPeak / chordPeak);
    signal.applyGain (0, chordLength, sweepLength, targetPeak);
    signal.applyGain (1, chordLength, sweepLength, targetPeak);

    return signal;
}
