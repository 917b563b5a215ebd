#include "AnalyserTesting.h"

using namespace tavik::test;

namespace
{
constexpr int bin = 100;           // 1171.875 Hz at 48 kHz
constexpr float amplitude = 0.5f;

// A bin-centred sine of amplitude A has magnitude A·Σw/2 = 2048·A in its bin (the
// window sums to 4096); its mirror image lies 2·bin bins away, where the Hann
// window's leakage is below 1e-7. Single-precision windowing and FFT, and reading
// the level back through the drawn path (log10, then a power of ten in double),
// add errors of order 1e-6: a relative tolerance of 1e-3 is ample and still far
// below the 25 % steps being checked.
constexpr double tolerance = 1.0e-3;

// Feeds the analyser with the stream from sample `position` onwards until it
// reports a new frame; returns the new position.
int feedOneFrame (FloatAnalyser& analyser, int position, int numSamples, int numChannels = 1, float a = amplitude)
{
    auto block = binCentredSine (numChannels, numSamples, position, bin, a);
    analyser.addAudioData (block, 0, numChannels);
    EXPECT_TRUE (waitForSpectrum (analyser));
    return position + numSamples;
}
} // namespace

TEST (AnalyserAnalysis, SteadySineBuildsUpOverFourFramesThenHolds)
{
    FloatAnalyser analyser;
    analyser.setupAnalyser (48000, 48000.0f);

    int position = feedOneFrame (analyser, 0, fftSize);
    EXPECT_NEAR (averageOf (analyser)[bin], 0.25 * amplitude, 0.25 * amplitude * tolerance);

    for (const double expected : { 0.5, 0.75, 1.0, 1.0, 1.0 })
    {
        position = feedOneFrame (analyser, position, fftSize / 2);
        EXPECT_NEAR (averageOf (analyser)[bin], expected * amplitude, expected * amplitude * tolerance);
    }

    const auto levels = averageOf (analyser);
    EXPECT_LT (levels[bin / 2], 1.0e-3 * amplitude) << "a bin far from the sine stays low";
    analyser.stopThread (1000);
}

TEST (AnalyserAnalysis, SummedChannelsCountTwiceAndOnlyTheNamedChannelsCount)
{
    FloatAnalyser analyser;
    analyser.setupAnalyser (48000, 48000.0f);
    int position = 0;
    for (int frame = 0; frame < 4; ++frame)
        position = feedOneFrame (analyser, position, frame == 0 ? fftSize : fftSize / 2, 2);
    EXPECT_NEAR (averageOf (analyser)[bin], 2.0 * amplitude, 2.0 * amplitude * tolerance);

    // Channel 0 loud at another bin, channels 1 and 2 carry the sine: only 1 and 2 are read.
    FloatAnalyser partial;
    partial.setupAnalyser (48000, 48000.0f);
    auto block = binCentredSine (3, fftSize, 0, bin, amplitude);
    const auto loud = binCentredSine (1, fftSize, 0, 40, 1.0f);
    block.copyFrom (0, 0, loud, 0, 0, fftSize);
    partial.addAudioData (block, 1, 2);
    ASSERT_TRUE (waitForSpectrum (partial));
    const auto levels = averageOf (partial);
    EXPECT_NEAR (levels[bin], 0.25 * 2.0 * amplitude, 0.5 * amplitude * tolerance);
    EXPECT_LT (levels[40], 1.0e-3);
    analyser.stopThread (1000);
    partial.stopThread (1000);
}

TEST (AnalyserAnalysis, SilenceAfterALoudPassageReturnsToTheFloorAfterFourFrames)
{
    FloatAnalyser analyser;
    analyser.setupAnalyser (48000, 48000.0f);
    int position = 0;
    for (int frame = 0; frame < 6; ++frame)
        position = feedOneFrame (analyser, position, frame == 0 ? fftSize : fftSize / 2, 1, 1.0f);
    ASSERT_NEAR (averageOf (analyser)[bin], 1.0, tolerance);

    // The first silent hop still holds half a frame of sine; after that come four
    // frames of pure silence.
    for (int frame = 0; frame < 5; ++frame)
        position = feedOneFrame (analyser, position, fftSize / 2, 1, 0.0f);

    for (const double level : averageOf (analyser))
        EXPECT_LT (level, 1.0e-4); // the running sum keeps at most a rounding residue
    analyser.stopThread (1000);
}

TEST (AnalyserAnalysis, FifoOfOneFrameOrLessNeverAnalyses)
{
    for (const int capacity : { 2048, 4096 })
    {
        FloatAnalyser analyser;
        analyser.setupAnalyser (capacity, 48000.0f);
        for (int i = 0; i < 8; ++i)
        {
            auto block = binCentredSine (1, 1024, i * 1024, bin, amplitude);
            analyser.addAudioData (block, 0, 1);
        }
        std::this_thread::sleep_for (std::chrono::milliseconds (50));
        EXPECT_FALSE (analyser.checkForNewSpectrum()) << capacity;
        EXPECT_EQ (averageOf (analyser)[bin], 0.0) << capacity;
        analyser.stopThread (1000);
    }
}

TEST (AnalyserAnalysis, NewSpectrumIsReportedOncePerRaise)
{
    FloatAnalyser analyser;
    EXPECT_FALSE (analyser.checkForNewSpectrum());
    analyser.setupAnalyser (48000, 48000.0f);
    feedOneFrame (analyser, 0, fftSize); // consumes the raise
    EXPECT_FALSE (analyser.checkForNewSpectrum());
    EXPECT_FALSE (analyser.checkForNewSpectrum());
    analyser.stopThread (1000);
}

TEST (AnalyserAnalysis, WrappingWritesAndReadsKeepTheStreamIntact)
{
    // 6000 samples of storage: the second frame is read across the end of the
    // storage, from a block that was itself written in two pieces.
    FloatAnalyser analyser;
    analyser.setupAnalyser (6000, 48000.0f);
    int position = feedOneFrame (analyser, 0, fftSize);
    position = feedOneFrame (analyser, position, fftSize / 2);
    position = feedOneFrame (analyser, position, fftSize / 2);
    EXPECT_NEAR (averageOf (analyser)[bin], 0.75 * amplitude, 0.75 * amplitude * tolerance);
    analyser.stopThread (1000);
}

TEST (AnalyserLifecycle, RestartKeepsTheAverageAndResizesTheFifo)
{
    FloatAnalyser analyser;
    EXPECT_EQ (analyser.getThreadName(), "Tavik-Analyser");
    EXPECT_FALSE (analyser.isThreadRunning());
    analyser.stopThread (1000); // never started: returns at once

    analyser.setupAnalyser (48000, 48000.0f);
    EXPECT_TRUE (analyser.isThreadRunning());
    feedOneFrame (analyser, 0, fftSize);
    const auto before = averageOf (analyser);

    analyser.stopThread (1000);
    EXPECT_FALSE (analyser.isThreadRunning());
    analyser.setupAnalyser (96000, 96000.0f);
    EXPECT_TRUE (analyser.isThreadRunning());
    EXPECT_EQ (analyser.getFifo().getTotalSize(), 96000);
    EXPECT_EQ (analyser.getFifo().getNumReady(), 0);

    // Same magnitudes; the path now maps bins at the new rate, so compare levels.
    const auto after = averageOf (analyser);
    EXPECT_NEAR (after[bin], before[bin], before[bin] * 1.0e-5);

    // Preparing again while running is safe: the thread is stopped first.
    analyser.setupAnalyser (44100, 44100.0f);
    EXPECT_TRUE (analyser.isThreadRunning());
    EXPECT_EQ (analyser.getFifo().getTotalSize(), 44100);
    analyser.stopThread (1000);
}
