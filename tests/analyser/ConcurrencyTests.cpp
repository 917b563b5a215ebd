#include "AnalyserTesting.h"
#include "support/RealtimeGuard.h"

#include <atomic>
#include <thread>

using namespace tavik::test;

// The audio thread's side costs a copy and a signal: no allocation, and no lock but
// the event's own mutex, which the signal takes.
TEST (AnalyserRealtime, AddAudioDataNeitherAllocatesNorLocksAnythingButTheEvent)
{
    if (! RealtimeGuard::available())
        GTEST_SKIP() << "allocation and lock counting is off in sanitizer builds";
    FloatAnalyser analyser;
    analyser.setupAnalyser (48000, 48000.0f);
    auto block = binCentredSine (2, 4096, 0, 100, 0.5f);
    juce::AudioBuffer<float> empty (2, 0);

    const void* eventMutex = [&] {
        RealtimeGuard guard;
        analyser.addAudioData (empty, 0, 2);
        const auto counts = guard.counts();
        EXPECT_EQ (counts.numLockedObjects, 1);
        return counts.lockedObjects[0];
    }();

    for (int i = 0; i < 40; ++i) // more than the FIFO holds: accepted and dropped blocks
    {
        RealtimeGuard guard;
        analyser.addAudioData (block, 0, 2);
        const auto counts = guard.counts();
        EXPECT_EQ (counts.allocations, 0);
        EXPECT_EQ (counts.frees, 0);
        EXPECT_TRUE (counts.lockedOnly ({ eventMutex }));
    }
    analyser.stopThread (1000);
}

// An audio thread that prepares, feeds and releases in turn, as a host does, the
// analyser thread, and a message thread drawing and polling, all at once. Run under
// ThreadSanitizer (scripts/sanitize thread) this proves the hand-overs race-free.
TEST (AnalyserConcurrency, FeedingDrawingAndRestartingTogether)
{
    FloatAnalyser analyser;
    std::atomic<bool> done { false };

    std::thread audio ([&] {
        int position = 0;
        for (int cycle = 0; cycle < 12; ++cycle)
        {
            const float rate = cycle % 2 == 0 ? 48000.0f : 44100.0f;
            analyser.setupAnalyser (static_cast<int> (rate), rate);
            for (int block = 0; block < 40; ++block)
            {
                auto samples = binCentredSine (2, 512 + 37 * (block % 5), position, 100, 0.5f);
                analyser.addAudioData (samples, 0, 2);
                position += samples.getNumSamples();
                std::this_thread::sleep_for (std::chrono::microseconds (200));
            }
            analyser.stopThread (1000);
        }
        done = true;
    });

    juce::Path path;
    int spectra = 0;
    while (! done)
    {
        if (analyser.checkForNewSpectrum())
            ++spectra;
        analyser.createPath (path, { 0.0f, 0.0f, 400.0f, 250.0f }, 20.0f);
        std::this_thread::yield();
    }
    audio.join();

    EXPECT_GT (spectra, 0);
    EXPECT_FALSE (analyser.isThreadRunning());
    const auto level = averageOf (analyser)[100];
    EXPECT_GT (level, 0.9) << "two channels of a 0.5 sine read about 1.0";
    EXPECT_LT (level, 1.1);
}
