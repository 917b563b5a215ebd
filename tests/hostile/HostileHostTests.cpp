// The built bundle under every host behaviour that the VST3 rules allow: odd block
// sizes and rates, preparation out of order, refused layouts, an editor opened and
// closed under running audio and automation, state traffic during playback, many
// instances, and samples no sane host would send.

#include "dsp/BlockProcessing.h"
#include "tools/host/TavikHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <random>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{
constexpr int maximumBlock = 65536;

const juce::File& bundle()
{
    static const juce::File file (TAVIK_BUNDLE);
    return file;
}

std::unique_ptr<juce::AudioPluginInstance> load (double sampleRate = 48000.0, int blockSize = 512)
{
    juce::String error;
    auto plugin = tavik::host::loadVst3 (bundle(), sampleRate, blockSize, error);
    EXPECT_NE (plugin, nullptr) << error;
    return plugin;
}

juce::AudioProcessorParameter& parameter (juce::AudioProcessor& plugin, const char* name)
{
    auto* found = tavik::host::findParameter (plugin, name);
    EXPECT_NE (found, nullptr) << name;
    return found != nullptr ? *found : *plugin.getParameters().getFirst();
}

void setValues (juce::AudioProcessor& plugin, int mode, int curve, float gain)
{
    tavik::host::setRealValue (parameter (plugin, "Source"), (float) mode);
    tavik::host::setRealValue (parameter (plugin, "SatType"), (float) curve);
    tavik::host::setRealValue (parameter (plugin, "Gain"), gain);
}

/** A ramp from -2 to 2 on the left and a louder sine on the right. */
juce::AudioBuffer<float> signal (int length)
{
    juce::AudioBuffer<float> buffer (2, length);
    for (int i = 0; i < length; ++i)
    {
        buffer.setSample (0, i, -2.0f + 4.0f * (float) (i % 1000) / 999.0f);
        buffer.setSample (1, i, 1.5f * std::sin (0.013f * (float) i));
    }
    return buffer;
}

/** Processes the buffer in place in consecutive blocks of the given sizes, cycled. */
void processInBlocks (juce::AudioProcessor& plugin, juce::AudioBuffer<float>& buffer, const std::vector<int>& sizes)
{
    juce::MidiBuffer midi;
    size_t next = 0;

    for (int start = 0; start < buffer.getNumSamples();)
    {
        const int n = std::min (sizes[next++ % sizes.size()], buffer.getNumSamples() - start);
        juce::AudioBuffer<float> block (buffer.getArrayOfWritePointers(), 2, start, n);
        plugin.processBlock (block, midi);
        start += n;
    }
}

juce::AudioBuffer<float> renderDirect (const juce::AudioBuffer<float>& input, int mode, int curve, float gain)
{
    juce::AudioBuffer<float> output (input);
    Tavik saturator {};
    tavik::processBlock (saturator, output.getWritePointer (0), output.getWritePointer (1), output.getNumSamples(), mode, curve, gain);
    return output;
}

bool identical (const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b)
{
    if (a.getNumSamples() != b.getNumSamples())
        return false;

    for (int channel = 0; channel < 2; ++channel)
        if (std::memcmp (a.getReadPointer (channel), b.getReadPointer (channel), sizeof (float) * (size_t) a.getNumSamples()) != 0)
            return false;

    return true;
}

/** Renders a fresh copy of the signal through the plug-in and expects what the block
    processing gives for the values that the plug-in holds. */
void expectRendersLikeTheBlockProcessing (juce::AudioPluginInstance& plugin, const std::vector<int>& sizes, int length = 20000)
{
    auto values = tavik::host::processorValues (plugin);
    ASSERT_EQ (values.size(), 3u);

    const auto input = signal (length);
    auto hosted = input;
    processInBlocks (plugin, hosted, sizes);

    const auto expected = renderDirect (input, (int) values["source"], (int) values["satType"], (float) values["gain"]);
    EXPECT_TRUE (identical (hosted, expected));
}

int countThreadsNamed (const juce::String& name)
{
    int count = 0;
    for (const auto& task : juce::File ("/proc/self/task").findChildFiles (juce::File::findDirectories, false))
        if (task.getChildFile ("comm").loadFileAsString().trim() == name)
            ++count;
    return count;
}

/** Polls until the count of the plug-in's analyser threads is as expected, or a few
    seconds have gone: a stopped thread leaves the task list shortly after it ends. */
int analyserThreadsSettlingAt (int expected)
{
    for (int attempt = 0; attempt < 500; ++attempt)
    {
        const int count = countThreadsNamed ("Tavik-Analyser");
        if (count == expected)
            return count;
        juce::Thread::sleep (10);
    }
    return countThreadsNamed ("Tavik-Analyser");
}

/** Everything written to file descriptor 2 while it lives. */
class StandardErrorCapture
{
public:
    StandardErrorCapture()
    {
        std::fflush (stderr);
        saved = dup (2);
        dup2 (fileno (file), 2);
    }

    ~StandardErrorCapture()
    {
        if (saved >= 0)
            finish();
        std::fclose (file);
    }

    std::string finish()
    {
        std::fflush (stderr);
        dup2 (saved, 2);
        close (saved);
        saved = -1;

        std::string text;
        std::rewind (file);
        for (int c; (c = std::fgetc (file)) != EOF;)
            text += (char) c;
        return text;
    }

private:
    std::FILE* file = std::tmpfile();
    int saved = -1;
};

struct ShownEditor
{
    explicit ShownEditor (juce::AudioProcessor& plugin) : editor (plugin.createEditorIfNeeded())
    {
        if (editor != nullptr)
        {
            editor->addToDesktop (0);
            editor->setVisible (true);
        }
    }

    ~ShownEditor()
    {
        delete editor;
    }

    juce::AudioProcessorEditor* editor;
};

void runMessageLoop (int milliseconds)
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
}
} // namespace

TEST (HostileHost, BlockSizesVaryAtEverySampleRate)
{
    const double rates[] = { 8000.0, 11025.0, 22050.0, 44100.0, 48000.0, 88200.0, 96000.0, 192000.0, 384000.0 };
    auto plugin = load();
    ASSERT_NE (plugin, nullptr);
    // The analysers are fed only while an editor exists.
    ShownEditor shown (*plugin);
    ASSERT_NE (shown.editor, nullptr);

    for (size_t i = 0; i < std::size (rates); ++i)
    {
        const double rate = rates[i];
        SCOPED_TRACE ("rate " + juce::String (rate));
        setValues (*plugin, (int) i % 3, (int) i % 6, 4.2f);
        plugin->prepareToPlay (rate, maximumBlock);

        // 0, 1, primes, 8192 and, where the host allows it, one block beyond the FIFO.
        const int pastTheFifo = std::min (maximumBlock, (int) rate + 1);
        expectRendersLikeTheBlockProcessing (*plugin, { 0, 1, 2, 3, 7, 509, 8191, 8192, pastTheFifo, 0, 65521, 13 }, 2 * maximumBlock);
        runMessageLoop (20);
    }

    plugin->releaseResources();
}

TEST (HostileHost, PreparationInAnyOrder)
{
    auto plugin = load();
    ASSERT_NE (plugin, nullptr);
    setValues (*plugin, 2, 3, 6.0f);

    auto untouched = signal (512);
    processInBlocks (*plugin, untouched, { 512 });
    plugin->releaseResources();
    plugin->releaseResources();

    plugin->prepareToPlay (44100.0, 512);
    plugin->prepareToPlay (44100.0, 1024);
    plugin->prepareToPlay (96000.0, 1024);
    expectRendersLikeTheBlockProcessing (*plugin, { 512, 100, 1024 });

    plugin->releaseResources();
    auto afterRelease = signal (512);
    processInBlocks (*plugin, afterRelease, { 512 });
    plugin->releaseResources();

    plugin->prepareToPlay (48000.0, 256);
    expectRendersLikeTheBlockProcessing (*plugin, { 256, 1, 255 });
}

TEST (HostileHost, LayoutProposalsAreAnsweredAndStereoKeepsWorking)
{
    using Set = juce::AudioChannelSet;
    struct Case
    {
        const char* what;
        Set input, output;
        bool supported;
    };

    const Case cases[] = {
        { "mono in, mono out", Set::mono(), Set::mono(), false },
        { "mono in, stereo out", Set::mono(), Set::stereo(), false },
        { "stereo in, mono out", Set::stereo(), Set::mono(), false },
        { "stereo in, stereo out", Set::stereo(), Set::stereo(), true },
        { "5.1 both ways", Set::create5point1(), Set::create5point1(), false },
        { "mono in, 5.1 out", Set::mono(), Set::create5point1(), false },
    };

    auto plugin = load();
    ASSERT_NE (plugin, nullptr);

    for (const bool prepared : { false, true })
    {
        for (const auto& c : cases)
        {
            SCOPED_TRACE (juce::String (c.what) + (prepared ? " while prepared" : ""));
            juce::AudioProcessor::BusesLayout layout;
            layout.inputBuses.add (c.input);
            layout.outputBuses.add (c.output);

            if (prepared)
                plugin->prepareToPlay (48000.0, 512);
            else
                EXPECT_EQ (plugin->checkBusesLayoutSupported (layout), c.supported);

            plugin->releaseResources();
            EXPECT_EQ (plugin->setBusesLayout (layout), c.supported);
            EXPECT_EQ (plugin->getBus (true, 0)->getCurrentLayout(), Set::stereo());
            EXPECT_EQ (plugin->getBus (false, 0)->getCurrentLayout(), Set::stereo());

            plugin->prepareToPlay (48000.0, 512);
            expectRendersLikeTheBlockProcessing (*plugin, { 512 }, 2048);
            plugin->releaseResources();
        }
    }
}

// Switching a bus off is the host's right, whatever layouts the plug-in supports:
// the wrapper then hands the processor silence or drops its output.
TEST (HostileHost, BusesSwitchedOffByTheHost)
{
    using Set = juce::AudioChannelSet;
    auto plugin = load();
    ASSERT_NE (plugin, nullptr);

    for (const bool inputOn : { false, true })
    {
        for (const bool outputOn : { false, true })
        {
            SCOPED_TRACE (juce::String ("input ") + (inputOn ? "on" : "off") + ", output " + (outputOn ? "on" : "off"));
            juce::AudioProcessor::BusesLayout layout;
            layout.inputBuses.add (inputOn ? Set::stereo() : Set::disabled());
            layout.outputBuses.add (outputOn ? Set::stereo() : Set::disabled());
            EXPECT_TRUE (plugin->setBusesLayout (layout));

            plugin->prepareToPlay (48000.0, 512);
            auto buffer = signal (2048);
            processInBlocks (*plugin, buffer, { 512, 100 });

            if (! inputOn && outputOn)
                EXPECT_EQ (buffer.getMagnitude (0, buffer.getNumSamples()), 0.0f);

            plugin->releaseResources();
        }
    }

    juce::AudioProcessor::BusesLayout stereo;
    stereo.inputBuses.add (Set::stereo());
    stereo.outputBuses.add (Set::stereo());
    ASSERT_TRUE (plugin->setBusesLayout (stereo));
    plugin->prepareToPlay (48000.0, 512);
    expectRendersLikeTheBlockProcessing (*plugin, { 512 });
}

TEST (HostileHost, EditorOpensAndClosesUnderAudioAndAutomation)
{
    auto plugin = load();
    ASSERT_NE (plugin, nullptr);
    plugin->prepareToPlay (48000.0, 512);

    std::atomic<bool> stop { false };
    std::atomic<long> blocks { 0 };

    std::thread audio ([&]
    {
        auto buffer = signal (512);
        juce::MidiBuffer midi;
        while (! stop)
        {
            auto block = buffer;
            plugin->processBlock (block, midi);
            ++blocks;
        }
    });

    std::thread automation ([&]
    {
        juce::AudioProcessorParameter* parameters[] = { &parameter (*plugin, "Source"), &parameter (*plugin, "SatType"), &parameter (*plugin, "Gain") };
        std::mt19937 random (7);
        std::uniform_real_distribution<float> normalised (0.0f, 1.0f);
        while (! stop)
            for (auto* p : parameters)
                p->setValue (normalised (random));
    });

    for (int round = 0; round < 12; ++round)
    {
        ShownEditor shown (*plugin);
        ASSERT_NE (shown.editor, nullptr);
        runMessageLoop (round % 3 == 0 ? 120 : 15);
    }

    stop = true;
    audio.join();
    automation.join();
    EXPECT_GT (blocks.load(), 0);

    runMessageLoop (50);
    setValues (*plugin, 1, 2, 3.0f);
    expectRendersLikeTheBlockProcessing (*plugin, { 512 });
    plugin->releaseResources();
}

TEST (HostileHost, StateSavedAndLoadedWhileAudioRuns)
{
    auto plugin = load();
    ASSERT_NE (plugin, nullptr);

    juce::MemoryBlock states[2];
    setValues (*plugin, 0, 4, 2.2f);
    plugin->getStateInformation (states[0]);
    setValues (*plugin, 2, 5, 17.8f);
    plugin->getStateInformation (states[1]);

    plugin->prepareToPlay (48000.0, 512);
    std::atomic<bool> stop { false };
    std::thread audio ([&]
    {
        auto buffer = signal (512);
        juce::MidiBuffer midi;
        while (! stop)
        {
            auto block = buffer;
            plugin->processBlock (block, midi);
        }
    });

    for (int round = 0; round < 200; ++round)
    {
        juce::MemoryBlock saved;
        plugin->getStateInformation (saved);
        const auto& next = states[round % 2];
        plugin->setStateInformation (next.getData(), (int) next.getSize());
        if (round % 20 == 0)
            runMessageLoop (5);
    }

    stop = true;
    audio.join();

    auto values = tavik::host::processorValues (*plugin);
    EXPECT_EQ (values["source"], 2.0);
    EXPECT_EQ (values["satType"], 5.0);
    EXPECT_FLOAT_EQ ((float) values["gain"], 17.8f);
    expectRendersLikeTheBlockProcessing (*plugin, { 512 });
    plugin->releaseResources();
}

TEST (HostileHost, SixtyFourInstancesGoInRandomOrderAndTakeTheirThreads)
{
    EXPECT_EQ (analyserThreadsSettlingAt (0), 0);

    std::vector<std::unique_ptr<juce::AudioPluginInstance>> instances;
    for (int i = 0; i < 64; ++i)
    {
        instances.push_back (load (44100.0, 256));
        ASSERT_NE (instances.back(), nullptr);
        setValues (*instances.back(), i % 3, i % 6, 0.2f * (float) (i % 151));
        instances.back()->prepareToPlay (44100.0, 256);
    }

    EXPECT_EQ (analyserThreadsSettlingAt (128), 128);

    for (auto& instance : instances)
        expectRendersLikeTheBlockProcessing (*instance, { 256, 37 }, 1024);

    std::mt19937 random (64);
    std::shuffle (instances.begin(), instances.end(), random);
    for (size_t i = 0; i < instances.size(); ++i)
    {
        if (i % 2 == 0)
            instances[i]->releaseResources();
        instances[i].reset();
    }

    EXPECT_EQ (analyserThreadsSettlingAt (0), 0);
}

TEST (HostileHost, NonFiniteAndHugeSamplesInEveryModeAndCurve)
{
    const float infinity = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float hostile[] = { nan, -nan, infinity, -infinity, 1e38f, -1e38f, std::numeric_limits<float>::max(),
                              -std::numeric_limits<float>::max(), 1e-40f, -1e-40f, std::numeric_limits<float>::denorm_min(), 0.5f };

    juce::AudioBuffer<float> bad (2, 512);
    for (int i = 0; i < bad.getNumSamples(); ++i)
    {
        bad.setSample (0, i, hostile[(size_t) i % std::size (hostile)]);
        bad.setSample (1, i, hostile[(size_t) (i / (int) std::size (hostile)) % std::size (hostile)]);
    }

    auto plugin = load();
    ASSERT_NE (plugin, nullptr);
    ShownEditor shown (*plugin);
    ASSERT_NE (shown.editor, nullptr);

    for (int mode = 0; mode < 3; ++mode)
    {
        for (int curve = 0; curve < 6; ++curve)
        {
            for (const float gain : { 1.0f, 30.0f })
            {
                SCOPED_TRACE ("mode " + juce::String (mode) + " curve " + juce::String (curve) + " gain " + juce::String (gain));
                setValues (*plugin, mode, curve, gain);
                plugin->prepareToPlay (48000.0, 512);

                const auto finite = signal (512);
                auto before = finite;
                processInBlocks (*plugin, before, { 512 });

                auto after = finite;
                StandardErrorCapture capture;
                std::thread audio ([&]
                {
                    for (int round = 0; round < 4; ++round)
                    {
                        auto block = bad;
                        processInBlocks (*plugin, block, { 512, 1, 7 });
                    }
                    processInBlocks (*plugin, after, { 512 });
                });
                audio.join();

                EXPECT_EQ (capture.finish(), "");
                EXPECT_TRUE (identical (after, before));
                plugin->releaseResources();
            }
        }
    }
}
