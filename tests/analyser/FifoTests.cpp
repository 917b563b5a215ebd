#include "AnalyserTesting.h"

using namespace tavik::test;

namespace
{
// Adds blocks of the given sizes one after the other to an analyser whose FIFO
// holds `capacity` samples (below one frame, so the thread never reads) and
// returns the ready count after each.
std::vector<int> readyAfter (int capacity, std::initializer_list<int> blocks)
{
    FloatAnalyser analyser;
    analyser.setupAnalyser (capacity, 48000.0f);
    std::vector<int> ready;
    for (const int size : blocks)
    {
        juce::AudioBuffer<float> block (1, size);
        block.clear();
        analyser.addAudioData (block, 0, 1);
        ready.push_back (analyser.getFifo().getNumReady());
    }
    analyser.stopThread (1000);
    return ready;
}
} // namespace

TEST (AnalyserFifo, AcceptsWholeBlocksThatFitAndDropsOthersWhole)
{
    struct Case
    {
        const char* what;
        int capacity;
        std::initializer_list<int> blocks;
        std::vector<int> ready;
    };
    const Case cases[] = {
        { "holds at most C - 1 samples", 100, { 99, 1 }, { 99, 99 } },
        { "a block of exactly C never fits", 100, { 100 }, { 0 } },
        { "a block that does not fit is dropped whole", 100, { 60, 50, 39 }, { 60, 60, 99 } },
        { "a zero-length block is accepted, even when full", 100, { 99, 0 }, { 99, 99 } },
        { "a block longer than the FIFO is never accepted", 10, { 11, 9 }, { 0, 9 } },
        { "capacity 1 holds nothing", 1, { 1, 0 }, { 0, 0 } },
    };
    for (const auto& c : cases)
        EXPECT_EQ (readyAfter (c.capacity, c.blocks), c.ready) << c.what;
}

TEST (AnalyserFifo, BlocksBeforeTheFirstSetupAreDropped)
{
    FloatAnalyser analyser;
    auto block = binCentredSine (2, 512, 0, 10, 0.5f);
    analyser.addAudioData (block, 0, 2);
    EXPECT_EQ (analyser.getFifo().getNumReady(), 0);
    EXPECT_FALSE (analyser.isThreadRunning());
    EXPECT_FALSE (analyser.checkForNewSpectrum());
}
