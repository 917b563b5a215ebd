#include "AnalyserTesting.h"

#include <limits>

using namespace tavik::test;

namespace
{
const juce::Rectangle<float> bounds { 10.0f, 20.0f, 1000.0f, 400.0f };

// Octaves above 20 Hz, in double: the reference for the single-precision mapping.
double octavesAbove20 (double frequency) { return std::log2 (frequency / 20.0); }

// The mapping is evaluated in single precision: a log and a division put the x
// error near 1e-7 · 10 octaves relative, under 1e-3 px on a 1000 px axis; y is off
// by at most a few ulps of 400 px.
constexpr float xTolerance = 1.0e-3f;
constexpr float yTolerance = 1.0e-4f;
} // namespace

TEST (AnalyserPath, BeforeSetupEveryPointSitsInTheBottomLeftCorner)
{
    FloatAnalyser analyser;
    juce::Path path;
    path.addRectangle (0.0f, 0.0f, 5.0f, 5.0f); // previous contents are discarded
    analyser.createPath (path, bounds, 20.0f);
    const auto points = pointsOf (path);
    ASSERT_EQ (points.size(), static_cast<size_t> (numBins + 1));
    for (const auto& p : points)
        EXPECT_EQ (p, juce::Point<float> (bounds.getX(), bounds.getBottom()));
}

TEST (AnalyserPath, ZeroSpectrumRunsAlongTheBottomFromLeftOfTheEdgeToPastTheRight)
{
    for (const float rate : { 44100.0f, 48000.0f })
    {
        FloatAnalyser analyser;
        analyser.setupAnalyser (static_cast<int> (rate), rate);
        analyser.stopThread (1000);
        juce::Path path;
        analyser.createPath (path, bounds, 20.0f);
        const auto points = pointsOf (path);
        ASSERT_EQ (points.size(), static_cast<size_t> (numBins + 1));

        EXPECT_EQ (points[0], points[1]) << "bin 0 starts the path and is repeated";
        EXPECT_EQ (points[0].x, bounds.getX());
        for (const auto& p : points)
            EXPECT_EQ (p.y, bounds.getBottom());

        const double bin1 = octavesAbove20 (rate / fftSize);
        const double bin2047 = octavesAbove20 (2047.0 * rate / fftSize);
        EXPECT_NEAR (points[2].x, bounds.getX() + 100.0 * bin1, xTolerance) << rate;
        EXPECT_NEAR (points.back().x, bounds.getX() + 100.0 * bin2047, xTolerance) << rate;
        EXPECT_LT (points[2].x, bounds.getX());
        EXPECT_GT (points.back().x, bounds.getRight());
    }
}

TEST (AnalyserPath, FrequencyPositions)
{
    // At 81920 Hz bin k is 20·k Hz: 20 Hz on the left edge, 40 Hz a tenth in,
    // 20480 Hz on the right edge.
    FloatAnalyser analyser;
    analyser.setupAnalyser (81920, 81920.0f);
    analyser.stopThread (1000);
    struct Case { int bin; float x; };
    for (const auto& c : { Case { 0, 10.0f }, Case { 1, 10.0f }, Case { 2, 110.0f }, Case { 4, 210.0f }, Case { 1024, 1010.0f } })
        EXPECT_NEAR (analyser.binToX (c.bin, bounds, 20.0f), c.x, xTolerance) << c.bin;

    EXPECT_EQ (analyser.binToX (700, { 10.0f, 20.0f, 0.0f, 400.0f }, 20.0f), 10.0f) << "zero width";
}

TEST (AnalyserPath, LevelPositions)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float top = bounds.getY(), height = bounds.getHeight(), bottom = bounds.getBottom();
    // −20·log10(0.5)/80 of the height, from the decibel definition.
    const float halfBelowTop = static_cast<float> (-20.0 * std::log10 (0.5) / 80.0) * height;

    struct Case { float level; float y; };
    const Case cases[] = {
        { 1.0f, top },
        { 0.1f, top + 0.25f * height },
        { 0.01f, top + 0.5f * height },
        { 0.5f, top + halfBelowTop },
        { 2.0f, top - halfBelowTop },
        { 1.0e-4f, bottom },
        { 1.0e-6f, bottom },
        { 0.0f, bottom },
        { -0.5f, bottom },
        { nan, bottom },
    };
    for (const auto& c : cases)
        EXPECT_NEAR (FloatAnalyser::levelToY (c.level, bounds), c.y, yTolerance) << c.level;

    EXPECT_EQ (FloatAnalyser::levelToY (0.3f, { 10.0f, 20.0f, 1000.0f, 0.0f }), 20.0f) << "zero height";
}

TEST (AnalyserPath, DrawsTheAverageWithTheMapping)
{
    FloatAnalyser analyser;
    analyser.setupAnalyser (48000, 48000.0f);
    auto block = binCentredSine (1, fftSize, 0, 100, 1.0f);
    analyser.addAudioData (block, 0, 1);
    ASSERT_TRUE (waitForSpectrum (analyser));
    analyser.stopThread (1000);

    juce::Path path;
    analyser.createPath (path, bounds, 20.0f);
    const auto points = pointsOf (path);
    ASSERT_EQ (points.size(), static_cast<size_t> (numBins + 1));
    // One frame of a full-scale sine: a quarter of 1.0, −12.04 dB.
    EXPECT_NEAR (points[101].x, bounds.getX() + 100.0 * octavesAbove20 (100.0 * 48000.0 / fftSize), xTolerance);
    EXPECT_NEAR (points[101].y, bounds.getY() + (20.0 * std::log10 (4.0) / 80.0) * bounds.getHeight(), 0.05);

    const juce::Rectangle<float> flat { 10.0f, 20.0f, 1000.0f, 0.0f };
    analyser.createPath (path, flat, 20.0f);
    for (const auto& p : pointsOf (path))
        EXPECT_EQ (p.y, 20.0f);
}
