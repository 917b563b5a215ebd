#pragma once

#include "analyser/Analyser.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

namespace tavik::test
{
using FloatAnalyser = Analyser<float>;

constexpr int fftSize = FloatAnalyser::fftSize;
constexpr int numBins = FloatAnalyser::numBins;

/** A continuous sine at the centre of bin `bin`, sample `first` onwards. */
inline juce::AudioBuffer<float> binCentredSine (int numChannels, int numSamples, int first, int bin, float amplitude)
{
    juce::AudioBuffer<float> buffer (numChannels, numSamples);
    const double step = 2.0 * juce::MathConstants<double>::pi * bin / fftSize;
    for (int c = 0; c < numChannels; ++c)
        for (int i = 0; i < numSamples; ++i)
            buffer.setSample (c, i, amplitude * static_cast<float> (std::sin (step * (first + i))));
    return buffer;
}

/** Waits (up to two seconds) for the analyser to report a new spectrum. */
inline bool waitForSpectrum (FloatAnalyser& analyser)
{
    for (int i = 0; i < 2000; ++i)
    {
        if (analyser.checkForNewSpectrum())
            return true;
        std::this_thread::sleep_for (std::chrono::milliseconds (1));
    }
    return false;
}

/** The path's points: the start point, then one point per bin. */
inline std::vector<juce::Point<float>> pointsOf (const juce::Path& path)
{
    std::vector<juce::Point<float>> points;
    for (juce::Path::Iterator it (path); it.next();)
        points.emplace_back (it.x1, it.y1);
    return points;
}

/** Reads the averaged magnitude of every bin back from the drawn path: with bounds
    800 high, y = 800 − 10·(dB + 80). */
inline std::vector<double> averageOf (FloatAnalyser& analyser)
{
    juce::Path path;
    analyser.createPath (path, { 0.0f, 0.0f, 1000.0f, 800.0f }, 20.0f);
    const auto points = pointsOf (path);
    std::vector<double> levels;
    for (size_t i = 1; i < points.size(); ++i)
    {
        const double decibels = (800.0 - points[i].y) / 10.0 - 80.0;
        levels.push_back (decibels <= -80.0 ? 0.0 : std::pow (10.0, decibels / 20.0));
    }
    return levels;
}
} // namespace tavik::test
