#include "plugin/TutorialProcessor.h"
#include "support/RealtimeGuard.h"

#include <gtest/gtest.h>

#include <vector>

using tavik::test::RealtimeCounts;
using tavik::test::RealtimeGuard;

TEST (RealtimeGuard, SeesAllocationsAndLocksMadeInsideTheFramework)
{
    if (! RealtimeGuard::available())
        GTEST_SKIP() << "allocation and lock counting is off in sanitizer builds";
    juce::CriticalSection lock;
    RealtimeCounts counts;
    {
        RealtimeGuard guard;
        juce::String grown;
        for (int i = 0; i < 50; ++i)
            grown << "more text " << i;
        { const juce::ScopedLock sl (lock); }
        std::vector<float> v (100);
        counts = guard.counts();
    }
    EXPECT_GT (counts.allocations, 0);
    EXPECT_GT (counts.frees, 0);
    EXPECT_GT (counts.locks, 0);
}

// Every mode, curve and block size, including the empty block and a block with
// non-finite samples: no allocation and no free; the only lock is the framework's
// active-editor lock, taken to learn whether an editor is open.
TEST (RealtimeSafety, ProcessBlockNeverAllocatesNorLocks)
{
    if (! RealtimeGuard::available())
        GTEST_SKIP() << "allocation and lock counting is off in sanitizer builds";
    TutorialProcessor p;
    p.prepareToPlay (48000.0, 8192);

    const void* activeEditorLock = [&p] {
        RealtimeGuard guard;
        p.getActiveEditor();
        const auto counts = guard.counts();
        EXPECT_EQ (counts.numLockedObjects, 1);
        return counts.lockedObjects[0];
    }();

    juce::MidiBuffer midi;
    juce::AudioBuffer<float> buffer (2, 8192);

    for (int mode = 0; mode < 3; ++mode)
    {
        for (int curve = 0; curve < Tavik::numCurves; ++curve)
        {
            auto* source = p.parameters.getParameter ("source");
            auto* satType = p.parameters.getParameter ("satType");
            auto* gain = p.parameters.getParameter ("gain");
            source->setValueNotifyingHost (source->convertTo0to1 (static_cast<float> (mode)));
            satType->setValueNotifyingHost (satType->convertTo0to1 (static_cast<float> (curve)));
            gain->setValueNotifyingHost (gain->convertTo0to1 (4.0f));

            for (const int size : { 0, 1, 31, 512, 4097, 8192 })
            {
                for (int c = 0; c < 2; ++c)
                    for (int i = 0; i < size; ++i)
                        buffer.setSample (c, i, 1.5f * std::sin (0.01f * static_cast<float> (i + c)));
                if (size > 3)
                {
                    buffer.setSample (0, 1, std::numeric_limits<float>::quiet_NaN());
                    buffer.setSample (1, 2, std::numeric_limits<float>::infinity());
                    buffer.setSample (0, 3, 1.0e38f);
                }
                juce::AudioBuffer<float> block (buffer.getArrayOfWritePointers(), 2, size);

                RealtimeCounts counts;
                {
                    RealtimeGuard guard;
                    p.processBlock (block, midi);
                    counts = guard.counts();
                }
                EXPECT_EQ (counts.allocations, 0) << mode << "/" << curve << "/" << size;
                EXPECT_EQ (counts.frees, 0) << mode << "/" << curve << "/" << size;
                EXPECT_LE (counts.locks, 2) << mode << "/" << curve << "/" << size;
                EXPECT_TRUE (counts.lockedOnly ({ activeEditorLock })) << mode << "/" << curve << "/" << size;
            }
        }
    }
    p.releaseResources();
}
