#include "dsp/BlockProcessing.h"
#include "plugin/Parameters.h"
#include "plugin/TutorialProcessor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace
{
juce::RangedAudioParameter& parameter (TutorialProcessor& p, const char* id)
{
    auto* param = p.parameters.getParameter (id);
    EXPECT_NE (param, nullptr) << id;
    return *param;
}

void setReal (TutorialProcessor& p, const char* id, float realValue)
{
    auto& param = parameter (p, id);
    param.setValueNotifyingHost (param.convertTo0to1 (realValue));
}

juce::AudioBuffer<float> testBlock (int numChannels, int numSamples)
{
    juce::AudioBuffer<float> buffer (numChannels, numSamples);
    for (int c = 0; c < numChannels; ++c)
        for (int i = 0; i < numSamples; ++i)
            buffer.setSample (c, i, 1.5f * std::sin (0.05f * static_cast<float> (i) * static_cast<float> (c + 1)) - 0.1f * static_cast<float> (c));
    return buffer;
}

uint32_t bitsOf (float f)
{
    uint32_t bits;
    std::memcpy (&bits, &f, sizeof bits);
    return bits;
}
} // namespace

TEST (ProcessorIdentity, NameProgramsMidiAndTail)
{
    TutorialProcessor p;
    EXPECT_EQ (p.getName(), "RORUD Ozizazev");
    EXPECT_EQ (p.getNumPrograms(), 1);
    EXPECT_EQ (p.getCurrentProgram(), 0);
    EXPECT_TRUE (p.getProgramName (0).isEmpty());
    p.setCurrentProgram (3);
    p.changeProgramName (0, "renamed");
    EXPECT_EQ (p.getCurrentProgram(), 0);
    EXPECT_TRUE (p.getProgramName (0).isEmpty());
    EXPECT_EQ (p.getTailLengthSeconds(), 0.0);
    EXPECT_FALSE (p.acceptsMidi());
    EXPECT_FALSE (p.producesMidi());
    EXPECT_FALSE (p.supportsDoublePrecisionProcessing());
    EXPECT_EQ (p.getBypassParameter(), nullptr);
}

TEST (ProcessorIdentity, StereoBusesAndOnlyStereoLayouts)
{
    TutorialProcessor p;
    ASSERT_EQ (p.getBusCount (true), 1);
    ASSERT_EQ (p.getBusCount (false), 1);
    EXPECT_EQ (p.getBus (true, 0)->getName(), "Input");
    EXPECT_EQ (p.getBus (false, 0)->getName(), "Output");
    EXPECT_EQ (p.getBus (true, 0)->getDefaultLayout(), juce::AudioChannelSet::stereo());
    EXPECT_EQ (p.getBus (false, 0)->getDefaultLayout(), juce::AudioChannelSet::stereo());
    EXPECT_TRUE (p.getBus (true, 0)->isEnabledByDefault());
    EXPECT_TRUE (p.getBus (false, 0)->isEnabledByDefault());
    EXPECT_EQ (p.getTotalNumInputChannels(), 2);
    EXPECT_EQ (p.getTotalNumOutputChannels(), 2);

    using Set = juce::AudioChannelSet;
    struct Case { Set in, out; bool supported; };
    const Case cases[] = {
        { Set::stereo(), Set::stereo(), true },
        { Set::mono(), Set::mono(), false },
        { Set::mono(), Set::stereo(), false },
        { Set::stereo(), Set::mono(), false },
        { Set::disabled(), Set::stereo(), false },
        { Set::create5point1(), Set::create5point1(), false },
    };
    for (const auto& c : cases)
    {
        juce::AudioProcessor::BusesLayout layout;
        layout.inputBuses.add (c.in);
        layout.outputBuses.add (c.out);
        EXPECT_EQ (p.checkBusesLayoutSupported (layout), c.supported) << c.in.getDescription() << " -> " << c.out.getDescription();
    }
    EXPECT_FALSE (p.setBusesLayout ([] {
        juce::AudioProcessor::BusesLayout mono;
        mono.inputBuses.add (juce::AudioChannelSet::mono());
        mono.outputBuses.add (juce::AudioChannelSet::mono());
        return mono;
    }()));
    EXPECT_EQ (p.getTotalNumInputChannels(), 2);
}

TEST (Parameters, ListInHostOrderWithRangesAndDefaults)
{
    TutorialProcessor p;
    const auto& params = p.getParameters();
    ASSERT_EQ (params.size(), 3);

    struct Expected { const char* id; const char* name; float end, interval, skew, normalisedDefault; int steps; };
    // Normalised defaults: 1/2, 1/5 and (1/30)^0.5 = 0.18257418583505536 (exact to double).
    const Expected expected[] = {
        { "source", "Source", 2.0f, 1.0f, 1.0f, 0.5f, 3 },
        { "satType", "SatType", 5.0f, 1.0f, 1.0f, 0.2f, 6 },
        { "gain", "Gain", 30.0f, 0.2f, 0.5f, 0.18257419f, 151 },
    };

    for (int i = 0; i < 3; ++i)
    {
        SCOPED_TRACE (expected[i].id);
        auto* ranged = dynamic_cast<juce::RangedAudioParameter*> (params[i]);
        ASSERT_NE (ranged, nullptr);
        EXPECT_EQ (ranged->getParameterID(), expected[i].id);
        EXPECT_EQ (ranged->getName (100), expected[i].name);
        EXPECT_TRUE (ranged->getLabel().isEmpty());
        const auto& range = ranged->getNormalisableRange();
        EXPECT_EQ (range.start, 0.0f);
        EXPECT_EQ (range.end, expected[i].end);
        EXPECT_EQ (range.interval, expected[i].interval);
        EXPECT_EQ (range.skew, expected[i].skew);
        EXPECT_FALSE (range.symmetricSkew);
        EXPECT_FLOAT_EQ (ranged->getDefaultValue(), expected[i].normalisedDefault);
        EXPECT_FLOAT_EQ (ranged->getValue(), expected[i].normalisedDefault);
        EXPECT_EQ (ranged->convertFrom0to1 (ranged->getValue()), 1.0f);
        EXPECT_EQ (ranged->getNumSteps(), expected[i].steps);
        EXPECT_TRUE (ranged->isAutomatable());
        EXPECT_FALSE (ranged->isMetaParameter());
        EXPECT_FALSE (ranged->isDiscrete());
        EXPECT_FALSE (ranged->isBoolean());
        EXPECT_EQ (ranged->getCategory(), juce::AudioProcessorParameter::genericParameter);
    }

    EXPECT_EQ (bitsOf (p.parameters.getParameter ("gain")->getNormalisableRange().interval), 0x3E4CCCCDu);
    EXPECT_EQ (p.parameters.getParameter ("unknown"), nullptr);
    EXPECT_EQ (p.parameters.getRawParameterValue ("unknown"), nullptr);
}

TEST (Parameters, FreshInstanceReadsStereoArctanGainOne)
{
    TutorialProcessor p;
    EXPECT_EQ (p.sourceParam, p.parameters.getRawParameterValue ("source"));
    EXPECT_EQ (p.satTypeParam, p.parameters.getRawParameterValue ("satType"));
    EXPECT_EQ (p.gainParam, p.parameters.getRawParameterValue ("gain"));
    EXPECT_EQ (p.sourceParam->load(), 1.0f);
    EXPECT_EQ (p.satTypeParam->load(), 1.0f);
    EXPECT_EQ (p.gainParam->load(), 1.0f);
    EXPECT_EQ (tavik::params::channelModeNames()[1], "Stereo L+R");
    EXPECT_EQ (tavik::params::curveNames()[1], "ARCTAN");
    EXPECT_EQ (p.saturator.halfPi, 1.57079637f);
    EXPECT_EQ (bitsOf (p.saturator.halfPi), 0x3FC90FDBu);
    EXPECT_EQ (bitsOf (p.saturator.sqrtTwo), 0x3FB504F3u);
}

TEST (Parameters, HostValuesSnapAndClamp)
{
    struct Case { const char* id; float normalised; float expectedReal; };
    const Case fromHost[] = {
        { "source", 0.75f, 2.0f },  // 1.5 real: halves round up
        { "source", 0.74f, 1.0f },
        { "source", 1.0f, 2.0f },
        { "source", 0.0f, 0.0f },
        { "satType", 0.5f, 3.0f },  // 2.5 real
        { "satType", 0.85f, 4.0f },
        { "gain", 1.0f, 30.0f },
        { "gain", 0.0f, 0.0f },
        { "gain", -0.5f, 0.0f },
        { "gain", 1.5f, 30.0f },
    };
    for (const auto& c : fromHost)
    {
        TutorialProcessor p;
        auto& param = parameter (p, c.id);
        param.setValueNotifyingHost (c.normalised);
        EXPECT_FLOAT_EQ (p.parameters.getRawParameterValue (c.id)->load(), c.expectedReal) << c.id << " " << c.normalised;
    }

    struct RealCase { float real; float expected; };
    const RealCase gains[] = { { 2.23f, 2.2f }, { 45.0f, 30.0f }, { -3.0f, 0.0f }, { 0.31f, 0.4f }, { 0.29f, 0.2f }, { 29.95f, 30.0f } };
    for (const auto& g : gains)
    {
        TutorialProcessor p;
        setReal (p, "gain", g.real);
        EXPECT_FLOAT_EQ (p.gainParam->load(), g.expected) << g.real;
    }
}

TEST (Parameters, TextConversion)
{
    TutorialProcessor p;
    auto& source = parameter (p, "source");
    auto& gain = parameter (p, "gain");
    EXPECT_EQ (source.getCurrentValueAsText(), "1");
    EXPECT_EQ (gain.getCurrentValueAsText(), "1.0");
    EXPECT_EQ (gain.getText (gain.convertTo0to1 (2.2f), 100), "2.2");
    EXPECT_EQ (parameter (p, "satType").getText (0.2f * 4.0f, 100), "4");
    EXPECT_FLOAT_EQ (gain.convertFrom0to1 (gain.getValueForText ("4.2")), 4.2f);
    EXPECT_FLOAT_EQ (source.convertFrom0to1 (source.getValueForText ("2")), 2.0f);
}

TEST (ProcessorLifecycle, PrepareWritesTheChannelModeToStandardError)
{
    struct Case { float source; const char* line; };
    for (const auto& c : { Case { 1.0f, "1\n" }, Case { 0.0f, "0\n" }, Case { 2.0f, "2\n" } })
    {
        TutorialProcessor p;
        setReal (p, "source", c.source);
        setReal (p, "satType", 4.0f);
        setReal (p, "gain", 7.0f);
        ::testing::internal::CaptureStderr();
        p.prepareToPlay (44100.0, 512);
        EXPECT_EQ (::testing::internal::GetCapturedStderr(), c.line);
        EXPECT_EQ (p.currentSource, static_cast<int> (c.source));
        EXPECT_EQ (p.currentSatType, 4);
        EXPECT_FLOAT_EQ (p.currentGain, 7.0f);
        p.releaseResources();
    }
}

// The processor is a thin shell around the engine: every mode and curve must give
// exactly the samples of the engine called on the same block, with the values in
// force read from the parameters.
TEST (ProcessorBlock, EveryModeAndCurveMatchesTheEngine)
{
    for (int mode = 0; mode < 3; ++mode)
    {
        for (int curve = 0; curve < Tavik::numCurves; ++curve)
        {
            SCOPED_TRACE (tavik::params::channelModeNames()[mode] + " " + tavik::params::curveNames()[curve]);
            TutorialProcessor p;
            setReal (p, "source", static_cast<float> (mode));
            setReal (p, "satType", static_cast<float> (curve));
            setReal (p, "gain", 4.2f);

            auto buffer = testBlock (2, 300);
            auto expected = buffer;
            Tavik engine;
            tavik::processBlock (engine, expected.getWritePointer (0), expected.getWritePointer (1), 300, mode, curve, p.gainParam->load());

            juce::MidiBuffer midi;
            p.processBlock (buffer, midi);

            EXPECT_EQ (p.currentSource, mode);
            EXPECT_EQ (p.currentSatType, curve);
            EXPECT_FLOAT_EQ (p.currentGain, 4.2f);
            for (int c = 0; c < 2; ++c)
                EXPECT_EQ (std::memcmp (buffer.getReadPointer (c), expected.getReadPointer (c), 300 * sizeof (float)), 0) << "channel " << c;
        }
    }
}

TEST (ProcessorBlock, ParameterChangesTakeEffectAtTheNextBlock)
{
    TutorialProcessor p;
    juce::MidiBuffer midi;
    juce::AudioBuffer<float> buffer (2, 4);
    buffer.clear();
    buffer.setSample (0, 0, 0.5f);
    buffer.setSample (1, 0, 0.5f);

    setReal (p, "satType", 2.0f);
    p.processBlock (buffer, midi);
    EXPECT_FLOAT_EQ (buffer.getSample (0, 0), std::tanh (0.5f));

    setReal (p, "source", 0.0f);
    buffer.setSample (0, 0, 0.5f);
    buffer.setSample (1, 0, 0.5f);
    p.processBlock (buffer, midi);
    EXPECT_EQ (p.currentSource, 0);
    EXPECT_EQ (buffer.getSample (1, 0), 0.0f);
}

TEST (ProcessorBlock, ZeroLengthAndNarrowBuffersAreSafe)
{
    TutorialProcessor p;
    setReal (p, "source", 2.0f);
    setReal (p, "satType", 3.0f);
    juce::MidiBuffer midi;

    juce::AudioBuffer<float> empty (2, 0);
    p.processBlock (empty, midi);

    juce::AudioBuffer<float> none (0, 64);
    p.processBlock (none, midi);

    // One channel: shaped as if the right channel were silent.
    for (int mode = 0; mode < 3; ++mode)
    {
        setReal (p, "source", static_cast<float> (mode));
        auto mono = testBlock (1, 64);
        auto expected = mono;
        Tavik engine;
        tavik::processBlock (engine, expected.getWritePointer (0), nullptr, 64, mode, 3, 1.0f);
        p.processBlock (mono, midi);
        EXPECT_EQ (std::memcmp (mono.getReadPointer (0), expected.getReadPointer (0), 64 * sizeof (float)), 0) << mode;
    }
}

TEST (ProcessorBlock, DenormalsAreFlushedOnlyDuringTheCall)
{
    TutorialProcessor p;
    juce::MidiBuffer midi;
    juce::AudioBuffer<float> buffer (2, 1);
    const float denormal = 1.0e-40f;
    buffer.setSample (0, 0, denormal);
    buffer.setSample (1, 0, denormal);
    // ARCTAN at gain 1 keeps a denormal denormal unless the input is read as zero.
    p.processBlock (buffer, midi);
    EXPECT_EQ (buffer.getSample (0, 0), 0.0f);

    volatile float tiny = denormal;
    EXPECT_GT (tiny * 2.0f, 0.0f) << "the caller's floating-point mode must be restored";
}
