#pragma once

#include "plugin/TutorialProcessor.h"

#include <memory>

/** The plug-in's window: the three controls with their captions, the logo that opens
    the about window, and the spectrum plot of the processor's two analysers. */
class TutorialProcessor::GenericEditor final : public juce::AudioProcessorEditor,
                                               private juce::Timer
{
public:
    GenericEditor (TutorialProcessor& owner, juce::AudioProcessorValueTreeState& state);
    ~GenericEditor() override;

    void paint (juce::Graphics& g) override;
    void resized() override;

private:
    friend struct EditorInspector;

    void timerCallback() override;
    void showAboutBox();

    juce::AudioProcessorValueTreeState& valueTreeState;
    TutorialProcessor& tutorialProcessor;

    juce::Rectangle<int> plotFrame;
    juce::Path analyserPath;

    juce::ImageButton logoButton;

    juce::Label sourceLabel;
    juce::ComboBox sourceBox;
    std::unique_ptr<juce::AudioProcessorValueTreeState::ComboBoxAttachment> sourceAttachment;

    juce::Label satTypeLabel;
    juce::ComboBox satTypeBox;
    std::unique_ptr<juce::AudioProcessorValueTreeState::ComboBoxAttachment> satTypeAttachment;

    juce::Label gainLabel;
    juce::Slider gainSlider;
    std::unique_ptr<juce::AudioProcessorValueTreeState::SliderAttachment> gainAttachment;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (GenericEditor)
};

/** The about window: a picture with the version and the build date over it. It lives
    only while the logo's click handler runs its modal loop. */
class TutorialProcessor::AboutBox final : public juce::DialogWindow
{
public:
    AboutBox (const juce::String& title, juce::Colour background, bool escapeKeyCloses, bool addToDesktopNow);
    ~AboutBox() override;

    void paint (juce::Graphics& g) override;
    void closeButtonPressed() override;

    /** A compiler date ("Jun  6 2021", the day padded with a space) as the window
        shows it: month, day without padding, year ("Jun 6 2021"). */
    static juce::String formatBuildDate (const char* compilerDate);

private:
    friend class GenericEditor;

    juce::Image aboutImage;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (AboutBox)
};
