#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

namespace tavik::render
{

inline constexpr double testSignalSampleRate = 48000.0;

/** About 4 s of stereo at 48 kHz: a decaying chord whose notes are panned slightly
    apart, so the channels differ, then a logarithmic sweep from 20 Hz to 20 kHz.
    Peak -6 dBFS. */
juce::AudioBuffer<float> makeTestSignal();

} // namespace tavik::render
