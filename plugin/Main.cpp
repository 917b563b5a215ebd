#include "plugin/TutorialProcessor.h"

#include "dsp/BlockProcessing.h"
#include "plugin/Editor.h"
#include "plugin/Parameters.h"

#include <cstdio>

namespace
{
// Mode and curve are read by truncation toward zero. The range keeps the raw values
// small and finite; anything else (a NaN from a misbehaving host) selects nothing
// instead of an undefined conversion.
int truncated (const std::atomic<float>* raw)
{
    const float value = raw->load (std::memory_order_relaxed);
    return value > -1.0f && value < 1024.0f ? static_cast<int> (value) : -1;
}
} // namespace

juce::AudioProcessorValueTreeState::ParameterLayout TutorialProcessor::createParameterLayout()
{
    using namespace tavik::params;
    using Parameter = juce::AudioProcessorValueTreeState::Parameter;
    using Range = juce::NormalisableRange<float>;

    juce::AudioProcessorValueTreeState::ParameterLayout layout;
    layout.add (std::make_unique<Parameter> (juce::ParameterID { sourceId, 1 }, sourceName, Range (0.0f, 2.0f, 1.0f, 1.0f), 1.0f));
    layout.add (std::make_unique<Parameter> (juce::ParameterID { satTypeId, 1 }, satTypeName, Range (0.0f, 5.0f, 1.0f, 1.0f), 1.0f));
    layout.add (std::make_unique<Parameter> (juce::ParameterID { gainId, 1 }, gainName, Range (0.0f, gainMaximum, gainInterval, gainSkew), 1.0f));
    return layout;
}

TutorialProcessor::TutorialProcessor()
    : juce::AudioProcessor (BusesProperties()
                                .withInput ("Input", juce::AudioChannelSet::stereo(), true)
                                .withOutput ("Output", juce::AudioChannelSet::stereo(), true)),
      parameters (*this, nullptr, juce::Identifier (tavik::params::stateType), createParameterLayout())
{
    sourceParam = parameters.getRawParameterValue (tavik::params::sourceId);
    satTypeParam = parameters.getRawParameterValue (tavik::params::satTypeId);
    gainParam = parameters.getRawParameterValue (tavik::params::gainId);
}

TutorialProcessor::~TutorialProcessor()
{
    // No analyser thread may outlive the buffers it reads.
    inputAnalyser.stopThread (1000);
    outputAnalyser.stopThread (1000);
}

const juce::String TutorialProcessor::getName() const
{
    return "RORUD Ozizazev";
}

void TutorialProcessor::prepareToPlay (double sampleRate, int)
{
    currentGain = gainParam->load (std::memory_order_relaxed);
    currentSource = truncated (sourceParam);
    currentSatType = truncated (satTypeParam);

    std::fprintf (stderr, "%d\n", currentSource);
    std::fflush (stderr);

    // One second of audio in each FIFO.
    const auto fifoSize = static_cast<int> (sampleRate);
    inputAnalyser.setupAnalyser (fifoSize, static_cast<float> (sampleRate));
    outputAnalyser.setupAnalyser (fifoSize, static_cast<float> (sampleRate));
}

void TutorialProcessor::releaseResources()
{
    inputAnalyser.stopThread (1000);
    outputAnalyser.stopThread (1000);
}

bool TutorialProcessor::isBusesLayoutSupported (const BusesLayout& layouts) const
{
    // The channel modes need a left and a right channel on both sides.
    return layouts.getMainInputChannelSet() == juce::AudioChannelSet::stereo()
        && layouts.getMainOutputChannelSet() == juce::AudioChannelSet::stereo();
}

void TutorialProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    juce::ScopedNoDenormals noDenormals;

    const int numChannels = buffer.getNumChannels();
    // A host may hand over fewer channels than the buses promise: never read past them.
    const int totalInputs = juce::jmin (getTotalNumInputChannels(), numChannels);
    const int totalOutputs = juce::jmin (getTotalNumOutputChannels(), numChannels);
    const int numSamples = buffer.getNumSamples();

    if (totalInputs > 0 && getActiveEditor() != nullptr)
        inputAnalyser.addAudioData (buffer, 0, totalInputs);

    for (int channel = totalInputs; channel < totalOutputs; ++channel)
        buffer.clear (channel, 0, numSamples);

    sourceParam = parameters.getRawParameterValue (tavik::params::sourceId);
    satTypeParam = parameters.getRawParameterValue (tavik::params::satTypeId);
    gainParam = parameters.getRawParameterValue (tavik::params::gainId);

    currentGain = gainParam->load (std::memory_order_relaxed);
    currentSource = truncated (sourceParam);
    currentSatType = truncated (satTypeParam);

    // A missing right channel is treated as silence.
    if (numChannels > 0)
        tavik::processBlock (saturator, buffer.getWritePointer (0), numChannels > 1 ? buffer.getWritePointer (1) : nullptr,
                             numSamples, currentSource, currentSatType, currentGain);

    if (totalOutputs > 0 && getActiveEditor() != nullptr)
        outputAnalyser.addAudioData (buffer, 0, totalOutputs);
}

double TutorialProcessor::getTailLengthSeconds() const
{
    return 0.0;
}

bool TutorialProcessor::acceptsMidi() const
{
    return false;
}

bool TutorialProcessor::producesMidi() const
{
    return false;
}

juce::AudioProcessorEditor* TutorialProcessor::createEditor()
{
    return new GenericEditor (*this, parameters);
}

bool TutorialProcessor::hasEditor() const
{
    return true;
}

int TutorialProcessor::getNumPrograms()
{
    return 1;
}

int TutorialProcessor::getCurrentProgram()
{
    return 0;
}

void TutorialProcessor::setCurrentProgram (int)
{
}

const juce::String TutorialProcessor::getProgramName (int)
{
    return {};
}

void TutorialProcessor::changeProgramName (int, const juce::String&)
{
}

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new TutorialProcessor();
}
