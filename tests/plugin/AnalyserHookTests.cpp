#include "plugin/TutorialProcessor.h"
#include "support/RealtimeGuard.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <thread>

using tavik::test::RealtimeGuard;

namespace
{
constexpr int fftSize = Analyser<float>::fftSize;

void prepareQuietly (TutorialProcessor& p, double sampleRate)
{
    ::testing::internal::CaptureStderr();
    p.prepareToPlay (sampleRate, 512);
    ::testing::internal::GetCapturedStderr();
}

void setReal (TutorialProcessor& p, const char* id, float value)
{
    auto* param = p.parameters.getParameter (id);
    param->setValueNotifyingHost (param->convertTo0to1 (value));
}

// Left: a sine at the centre of bin 100; right: one at bin 300.
juce::AudioBuffer<float> twoTones (int numSamples)
{
    juce::AudioBuffer<float> buffer (2, numSamples);
    for (int i = 0; i < numSamples; ++i)
    {
        buffer.setSample (0, i, 0.5f * static_cast<float> (std::sin (2.0 * juce::MathConstants<double>::pi * 100 * i / fftSize)));
        buffer.setSample (1, i, 0.25f * static_cast<float> (std::sin (2.0 * juce::MathConstants<double>::pi * 300 * i / fftSize)));
    }
    return buffer;
}

bool waitForSpectrum (Analyser<float>& analyser)
{
    for (int i = 0; i < 2000; ++i)
    {
        if (analyser.checkForNewSpectrum())
            return true;
        std::this_thread::sleep_for (std::chrono::milliseconds (1));
    }
    return false;
}

// The level in a bin as drawn: bounds 800 high, 10 px per dB below 0 dB.
double levelIn (Analyser<float>& analyser, int bin)
{
    juce::Path path;
    analyser.createPath (path, { 0.0f, 0.0f, 1000.0f, 800.0f }, 20.0f);
    juce::Path::Iterator it (path);
    for (int i = 0; i <= bin + 1; ++i)
        it.next();
    const double decibels = (800.0 - it.y1) / 10.0 - 80.0;
    return decibels <= -80.0 ? 0.0 : std::pow (10.0, decibels / 20.0);
}

struct OpenEditor
{
    explicit OpenEditor (TutorialProcessor& p) : editor (p.createEditorIfNeeded()) {}
    std::unique_ptr<juce::AudioProcessorEditor> editor;
};
} // namespace

TEST (AnalyserHooks, ThreadsRunExactlyFromPreparationToRelease)
{
    TutorialProcessor p;
    Analyser<float>* analysers[] = { &p.inputAnalyser, &p.outputAnalyser };
    for (auto* a : analysers)
    {
        EXPECT_EQ (a->getThreadName(), "Tavik-Analyser");
        EXPECT_FALSE (a->isThreadRunning());
    }
    p.releaseResources(); // never prepared: nothing to stop

    struct Case { double rate; int fifoSize; };
    for (const auto& c : { Case { 44100.0, 44100 }, Case { 88200.7, 88200 }, Case { 48000.0, 48000 } })
    {
        prepareQuietly (p, c.rate);
        Analyser<float> reference;
        reference.setupAnalyser (1, static_cast<float> (c.rate));
        reference.stopThread (1000);
        for (auto* a : analysers)
        {
            EXPECT_TRUE (a->isThreadRunning()) << c.rate;
            EXPECT_EQ (a->getFifo().getTotalSize(), c.fifoSize);
            EXPECT_EQ (a->binToX (700, { 0, 0, 1000, 100 }, 20.0f), reference.binToX (700, { 0, 0, 1000, 100 }, 20.0f));
        }
    }
    prepareQuietly (p, 96000.0); // again without a release between
    for (auto* a : analysers)
        EXPECT_EQ (a->getFifo().getTotalSize(), 96000);

    p.releaseResources();
    for (auto* a : analysers)
        EXPECT_FALSE (a->isThreadRunning());

    prepareQuietly (p, 48000.0); // the destructor stops them
}

TEST (AnalyserHooks, NothingIsFedWithoutAnEditor)
{
    TutorialProcessor p;
    prepareQuietly (p, 48000.0);
    juce::MidiBuffer midi;
    for (int i = 0; i < 4; ++i)
    {
        auto block = twoTones (512);
        p.processBlock (block, midi);
    }
    EXPECT_EQ (p.inputAnalyser.getFifo().getNumReady(), 0);
    EXPECT_EQ (p.outputAnalyser.getFifo().getNumReady(), 0);
    p.releaseResources();
}

TEST (AnalyserHooks, InputSeesTheDeliveredBlockAndOutputTheShapedOne)
{
    TutorialProcessor p;
    setReal (p, "source", 0.0f); // mono(L): the right output is silenced
    setReal (p, "satType", 0.0f);
    prepareQuietly (p, 48000.0);
    OpenEditor open (p);
    ASSERT_NE (open.editor, nullptr);

    auto block = twoTones (fftSize);
    juce::MidiBuffer midi;
    p.processBlock (block, midi);
    ASSERT_TRUE (waitForSpectrum (p.inputAnalyser));
    ASSERT_TRUE (waitForSpectrum (p.outputAnalyser));

    // One frame of a bin-centred sine reads a quarter of its amplitude.
    EXPECT_NEAR (levelIn (p.inputAnalyser, 100), 0.125, 1.0e-3);
    EXPECT_NEAR (levelIn (p.inputAnalyser, 300), 0.0625, 1.0e-3);
    EXPECT_NEAR (levelIn (p.outputAnalyser, 100), 0.125, 1.0e-3);
    EXPECT_LT (levelIn (p.outputAnalyser, 300), 1.0e-4);

    open.editor.reset();
    p.releaseResources();
}

TEST (AnalyserHooks, BlocksBeforePreparationAreDroppedEvenWithAnEditor)
{
    TutorialProcessor p;
    OpenEditor open (p);
    ASSERT_NE (open.editor, nullptr);
    auto block = twoTones (512);
    juce::MidiBuffer midi;
    p.processBlock (block, midi);
    EXPECT_EQ (p.inputAnalyser.getFifo().getNumReady(), 0);
    EXPECT_EQ (p.outputAnalyser.getFifo().getNumReady(), 0);
}

// With an editor open the block goes to both analysers: the only locks are the
// framework's active-editor lock and the two analysers' event mutexes.
TEST (AnalyserHooks, ProcessBlockWithAnEditorAllocatesNothing)
{
    if (! RealtimeGuard::available())
        GTEST_SKIP() << "allocation and lock counting is off in sanitizer builds";
    TutorialProcessor p;
    prepareQuietly (p, 48000.0);
    OpenEditor open (p);
    ASSERT_NE (open.editor, nullptr);

    juce::AudioBuffer<float> empty (2, 0);
    auto learn = [] (auto&& call) {
        RealtimeGuard guard;
        call();
        const auto counts = guard.counts();
        EXPECT_EQ (counts.numLockedObjects, 1);
        return counts.lockedObjects[0];
    };
    const void* editorLock = learn ([&] { p.getActiveEditor(); });
    const void* inputEvent = learn ([&] { p.inputAnalyser.addAudioData (empty, 0, 2); });
    const void* outputEvent = learn ([&] { p.outputAnalyser.addAudioData (empty, 0, 2); });

    juce::MidiBuffer midi;
    for (int mode = 0; mode < 3; ++mode)
        for (int curve = 0; curve < Tavik::numCurves; ++curve)
            for (const int size : { 0, 64, 512, 4096, 8192 })
            {
                setReal (p, "source", static_cast<float> (mode));
                setReal (p, "satType", static_cast<float> (curve));
                auto block = twoTones (size);
                RealtimeGuard guard;
                p.processBlock (block, midi);
                const auto counts = guard.counts();
                EXPECT_EQ (counts.allocations, 0) << mode << "/" << curve << "/" << size;
                EXPECT_EQ (counts.frees, 0) << mode << "/" << curve << "/" << size;
                EXPECT_TRUE (counts.lockedOnly ({ editorLock, inputEvent, outputEvent })) << mode << "/" << curve << "/" << size;
            }

    open.editor.reset();
    p.releaseResources();
}
