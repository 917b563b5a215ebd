#pragma once

#include "analyser/Analyser.h"
#include "dsp/Tavik.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <atomic>

/** The Tavik saturation processor: stereo in, stereo out, three automatable
    parameters ("source", "satType", "gain") kept in one parameter tree. */
class TutorialProcessor final : public juce::AudioProcessor
{
public:
    class GenericEditor;
    class AboutBox;

    TutorialProcessor();
    ~TutorialProcessor() override;

    const juce::String getName() const override;

    void prepareToPlay (double sampleRate, int maximumExpectedSamplesPerBlock) override;
    void releaseResources() override;
    bool isBusesLayoutSupported (const BusesLayout& layouts) const override;
    void processBlock (juce::AudioBuffer<float>&, juce::MidiBuffer&) override;
    using juce::AudioProcessor::processBlock;

    double getTailLengthSeconds() const override;
    bool acceptsMidi() const override;
    bool producesMidi() const override;

    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;

    int getNumPrograms() override;
    int getCurrentProgram() override;
    void setCurrentProgram (int index) override;
    const juce::String getProgramName (int index) override;
    void changeProgramName (int index, const juce::String& newName) override;

    void getStateInformation (juce::MemoryBlock& destData) override;
    void setStateInformation (const void* data, int sizeInBytes) override;

    /** The three parameters in host order: "source", "satType", "gain". */
    static juce::AudioProcessorValueTreeState::ParameterLayout createParameterLayout();

    juce::AudioProcessorValueTreeState parameters;

    int currentSource;
    int currentSatType;
    float currentGain;

    std::atomic<float>* sourceParam = nullptr;
    std::atomic<float>* satTypeParam = nullptr;
    std::atomic<float>* gainParam = nullptr;

    Analyser<float> inputAnalyser;  // each block as the host delivers it
    Analyser<float> outputAnalyser; // each block after shaping

    Tavik saturator;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TutorialProcessor)
};
