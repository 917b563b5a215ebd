// The built bundle loaded through the framework's VST3 hosting, as a host uses it.

#include "dsp/BlockProcessing.h"
#include "plugin/Parameters.h"
#include "tools/host/TavikHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <stdexcept>
#include <tuple>

namespace
{
constexpr double sampleRate = 48000.0;
constexpr int blockSize = 512;

const juce::File& bundle()
{
    static const juce::File file (TAVIK_BUNDLE);
    return file;
}

/** Two channels of different content spanning the curves' interesting range: a ramp
    from -2 to 2 on the left, a louder sine on the right. The length is not a whole
    number of blocks, so the last block is short. */
juce::AudioBuffer<float> testInput()
{
    constexpr int length = 5 * blockSize + 123;
    juce::AudioBuffer<float> input (2, length);

    for (int i = 0; i < length; ++i)
    {
        input.setSample (0, i, -2.0f + 4.0f * (float) i / (float) (length - 1));
        input.setSample (1, i, 1.5f * std::sin (0.013f * (float) i));
    }

    return input;
}

juce::AudioBuffer<float> renderHosted (juce::AudioPluginInstance& plugin, const juce::AudioBuffer<float>& input)
{
    juce::AudioBuffer<float> output (input);
    juce::MidiBuffer midi;

    plugin.prepareToPlay (sampleRate, blockSize);

    for (int start = 0; start < output.getNumSamples(); start += blockSize)
    {
        const int n = juce::jmin (blockSize, output.getNumSamples() - start);
        juce::AudioBuffer<float> block (output.getArrayOfWritePointers(), 2, start, n);
        plugin.processBlock (block, midi);
    }

    plugin.releaseResources();
    return output;
}

juce::AudioBuffer<float> renderDirect (const juce::AudioBuffer<float>& input, int mode, int curve, float gain)
{
    juce::AudioBuffer<float> output (input);
    Tavik saturator {};

    for (int start = 0; start < output.getNumSamples(); start += blockSize)
    {
        const int n = juce::jmin (blockSize, output.getNumSamples() - start);
        tavik::processBlock (saturator, output.getWritePointer (0, start), output.getWritePointer (1, start), n, mode, curve, gain);
    }

    return output;
}

void expectIdentical (const juce::AudioBuffer<float>& actual, const juce::AudioBuffer<float>& expected)
{
    ASSERT_EQ (actual.getNumSamples(), expected.getNumSamples());

    for (int channel = 0; channel < 2; ++channel)
    {
        const auto* a = actual.getReadPointer (channel);
        const auto* e = expected.getReadPointer (channel);

        for (int i = 0; i < actual.getNumSamples(); ++i)
        {
            if (std::memcmp (a + i, e + i, sizeof (float)) != 0)
            {
                ADD_FAILURE() << "channel " << channel << " sample " << i << ": hosted " << a[i] << ", direct " << e[i];
                return;
            }
        }
    }
}

class HostedTavik : public ::testing::Test
{
protected:
    void SetUp() override
    {
        juce::String error;
        plugin = tavik::host::loadVst3 (bundle(), sampleRate, blockSize, error);
        ASSERT_NE (plugin, nullptr) << error;
    }

    juce::AudioProcessorParameter& parameter (const char* name)
    {
        auto* found = tavik::host::findParameter (*plugin, name);

        if (found == nullptr)
            throw std::runtime_error (std::string ("no parameter ") + name);

        return *found;
    }

    /** Renders the test input through the hosted plug-in as it is set, and directly
        through the block processing with the values that the plug-in holds. */
    void expectRendersLikeTheBlockProcessing (int mode, int curve)
    {
        auto values = tavik::host::processorValues (*plugin);
        ASSERT_EQ (values.size(), 3u);
        EXPECT_EQ (values[tavik::params::sourceId], mode);
        EXPECT_EQ (values[tavik::params::satTypeId], curve);

        const auto input = testInput();
        expectIdentical (renderHosted (*plugin, input),
                         renderDirect (input, mode, curve, (float) values[tavik::params::gainId]));
    }

    std::unique_ptr<juce::AudioPluginInstance> plugin;
};

TEST (HostedDescription, NamesThePluginAsAHostListsIt)
{
    const auto descriptions = tavik::host::describeVst3 (bundle());
    ASSERT_EQ (descriptions.size(), 1);

    const auto& description = *descriptions.getFirst();
    EXPECT_EQ (description.name, "Tavik");
    EXPECT_EQ (description.manufacturerName, "KELVOR");
    EXPECT_EQ (description.version, "0.9.0");
    EXPECT_TRUE (description.category.contains ("Fx")) << description.category;
    EXPECT_EQ (description.pluginFormatName, "VST3");
    EXPECT_FALSE (description.isInstrument);
    EXPECT_EQ (description.numInputChannels, 2);
    EXPECT_EQ (description.numOutputChannels, 2);
}

TEST_F (HostedTavik, HasOneStereoBusEachWay)
{
    EXPECT_EQ (plugin->getName(), "Tavik");
    ASSERT_EQ (plugin->getBusCount (true), 1);
    ASSERT_EQ (plugin->getBusCount (false), 1);
    EXPECT_EQ (plugin->getBus (true, 0)->getName(), "Input");
    EXPECT_EQ (plugin->getBus (false, 0)->getName(), "Output");
    EXPECT_EQ (plugin->getBus (true, 0)->getCurrentLayout(), juce::AudioChannelSet::stereo());
    EXPECT_EQ (plugin->getBus (false, 0)->getCurrentLayout(), juce::AudioChannelSet::stereo());
    EXPECT_FALSE (plugin->acceptsMidi());
    EXPECT_FALSE (plugin->producesMidi());
}

TEST_F (HostedTavik, ListsThreeContinuousParametersThenTheWrappersBypass)
{
    struct Expected
    {
        const char* name;
        float defaultValue;
    };

    // The processor has no bypass parameter of its own, so the VST3 wrapper appends
    // one. Its parameters are not discrete, so the wrapper reports no step count and
    // the host sees the framework's default.
    const Expected expected[] = { { "Source", 0.5f }, { "SatType", 0.2f }, { "Gain", 0.18257419f } };

    const auto& parameters = plugin->getParameters();
    ASSERT_EQ (parameters.size(), 4);

    for (int index = 0; index < 3; ++index)
    {
        SCOPED_TRACE (expected[index].name);
        const auto& p = *parameters[index];
        EXPECT_EQ (p.getName (64), expected[index].name);
        EXPECT_EQ (p.getLabel(), "");
        EXPECT_FLOAT_EQ (p.getDefaultValue(), expected[index].defaultValue);
        EXPECT_FLOAT_EQ (p.getValue(), expected[index].defaultValue);
        EXPECT_EQ (p.getNumSteps(), juce::AudioProcessor::getDefaultNumParameterSteps());
        EXPECT_FALSE (p.isDiscrete());
        EXPECT_TRUE (p.isAutomatable());
    }

    const auto& bypass = *parameters[3];
    EXPECT_EQ (plugin->getBypassParameter(), &bypass);
    EXPECT_EQ (bypass.getName (64), "Bypass");
    EXPECT_EQ (bypass.getNumSteps(), 2);
    EXPECT_TRUE (bypass.isDiscrete());
    EXPECT_EQ (bypass.getDefaultValue(), 0.0f);
}

TEST_F (HostedTavik, ShowsValuesAsThePluginSnapsThem)
{
    struct Case
    {
        const char* name;
        float normalised;
        const char* text;
    };

    const Case cases[] = {
        { "Source", 0.0f, "0" },   { "Source", 0.5f, "1" },    { "Source", 0.75f, "2" },  { "Source", 1.0f, "2" },
        { "SatType", 0.0f, "0" },  { "SatType", 0.2f, "1" },   { "SatType", 0.5f, "3" },  { "SatType", 1.0f, "5" },
        { "Gain", 0.0f, "0.0" },   { "Gain", 0.18257419f, "1.0" }, { "Gain", 1.0f, "30.0" },
        { "Gain", std::sqrt (2.23f / 30.0f), "2.2" },
    };

    for (const auto& c : cases)
        EXPECT_EQ (parameter (c.name).getText (c.normalised, 64), c.text) << c.name << " at " << c.normalised;
}

TEST_F (HostedTavik, ReadsTextBackThroughThePluginsConversion)
{
    struct Case
    {
        const char* name;
        const char* text;
        float normalised;
    };

    const Case cases[] = {
        { "Source", "2", 1.0f },
        { "SatType", "3", 0.6f },
        { "Gain", "1", 0.18257419f },
        { "Gain", "7.4", std::sqrt (7.4f / 30.0f) },
        { "Gain", "2.23", std::sqrt (2.2f / 30.0f) },
        { "Gain", "45", 1.0f },
        { "Gain", "-3", 0.0f },
    };

    for (const auto& c : cases)
        EXPECT_NEAR (parameter (c.name).getValueForText (c.text), c.normalised, 1.0e-6f) << c.name << " \"" << c.text << "\"";
}

TEST_F (HostedTavik, HostValueOfThreeQuartersOnSourceRendersLinked)
{
    parameter ("Source").setValueNotifyingHost (0.75f);
    EXPECT_EQ (parameter ("Source").getText (parameter ("Source").getValue(), 64), "2");
    expectRendersLikeTheBlockProcessing (tavik::linked, Tavik::arctan);
}

TEST_F (HostedTavik, RefusesLayoutsWithoutTwoChannelsEachWay)
{
    using Set = juce::AudioChannelSet;

    struct Case
    {
        const char* description;
        Set input;
        Set output;
        bool supported;
    };

    const Case cases[] = {
        { "mono in, mono out", Set::mono(), Set::mono(), false },
        { "mono in, stereo out", Set::mono(), Set::stereo(), false },
        { "stereo in, mono out", Set::stereo(), Set::mono(), false },
        { "stereo in, stereo out", Set::stereo(), Set::stereo(), true },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.description);
        juce::AudioProcessor::BusesLayout layout;
        layout.inputBuses.add (c.input);
        layout.outputBuses.add (c.output);

        EXPECT_EQ (plugin->checkBusesLayoutSupported (layout), c.supported);
        EXPECT_EQ (plugin->setBusesLayout (layout), c.supported);
        EXPECT_EQ (plugin->getBus (true, 0)->getCurrentLayout(), Set::stereo());
        EXPECT_EQ (plugin->getBus (false, 0)->getCurrentLayout(), Set::stereo());
    }

    expectRendersLikeTheBlockProcessing (tavik::stereo, Tavik::arctan);
}

TEST_F (HostedTavik, StateRestoresTheValuesInAFreshInstance)
{
    EXPECT_EQ (tavik::host::processorValues (*plugin), (std::map<juce::String, double> { { "gain", 1.0 }, { "satType", 1.0 }, { "source", 1.0 } }));

    EXPECT_EQ (tavik::host::setRealValue (parameter ("Source"), 0.0f), "0");
    EXPECT_EQ (tavik::host::setRealValue (parameter ("SatType"), 4.0f), "4");
    EXPECT_EQ (tavik::host::setRealValue (parameter ("Gain"), 7.4f), "7.4");

    juce::MemoryBlock state;
    plugin->getStateInformation (state);
    const auto saved = tavik::host::processorValues (*plugin);

    juce::String error;
    auto fresh = tavik::host::loadVst3 (bundle(), sampleRate, blockSize, error);
    ASSERT_NE (fresh, nullptr) << error;
    fresh->setStateInformation (state.getData(), (int) state.getSize());

    const char* names[] = { "Source", "SatType", "Gain" };

    for (auto* name : names)
    {
        auto& original = parameter (name);
        auto& restored = *tavik::host::findParameter (*fresh, name);
        EXPECT_EQ (restored.getText (restored.getValue(), 64), original.getText (original.getValue(), 64)) << name;
        EXPECT_FLOAT_EQ (restored.getValue(), original.getValue()) << name;
    }

    EXPECT_EQ (tavik::host::processorValues (*fresh), saved);
    EXPECT_FLOAT_EQ ((float) saved.at ("gain"), 7.4f);
}

using RenderCase = std::tuple<int, int, float>;

class HostedRendering : public HostedTavik, public ::testing::WithParamInterface<RenderCase>
{
};

TEST_P (HostedRendering, IsBitExactWithTheBlockProcessing)
{
    const auto [mode, curve, gain] = GetParam();

    EXPECT_EQ (tavik::host::setRealValue (parameter ("Source"), (float) mode), juce::String (mode));
    EXPECT_EQ (tavik::host::setRealValue (parameter ("SatType"), (float) curve), juce::String (curve));
    tavik::host::setRealValue (parameter ("Gain"), gain);

    expectRendersLikeTheBlockProcessing (mode, curve);
}

INSTANTIATE_TEST_SUITE_P (EveryModeAndCurve,
                          HostedRendering,
                          ::testing::Combine (::testing::Range (0, 3),
                                              ::testing::Range (0, 6),
                                              ::testing::Values (0.0f, 1.0f, 4.2f, 30.0f)),
                          [] (const ::testing::TestParamInfo<RenderCase>& test)
                          {
                              const auto name = tavik::params::channelModeNames()[std::get<0> (test.param)]
                                              + "_" + tavik::params::curveNames()[std::get<1> (test.param)]
                                              + "_gain" + juce::String (std::get<2> (test.param), 1);
                              return name.retainCharacters ("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_").toStdString();
                          });
} // namespace
