#include "plugin/Editor.h"

#include "plugin/Parameters.h"

#include <BinaryData.h>

#include <cmath>

namespace
{
// Item ID k stands for parameter value k - 1, so each list has exactly as many
// entries as its parameter has values.
const juce::StringArray sourceItems { "mono(L)", "Stereo L+R", "Linked" };
const juce::StringArray satTypeItems { "NOSAT", "ARCTAN", "TANHYP", "GAUSS", "FRES", "CIRC" };

constexpr int timerIntervalMs = 33;
constexpr float lowestFrequency = 20.0f;
constexpr int numOctaves = 10;

// A function, not a constant: the named colours are defined in another translation unit.
juce::Colour gridColour()
{
    return juce::Colours::silver.withAlpha ((juce::uint8) 0x4c);
}

// Grid rows and columns round halfway values to the even neighbour: 206.5 is row 206.
int nearest (double value)
{
    return static_cast<int> (std::nearbyint (value));
}

juce::String frequencyCaption (float frequency)
{
    if (frequency < 1000.0f)
        return juce::String (frequency) + " Hz";

    return juce::String (frequency / 1000.0f, 1) + " kHz";
}
} // namespace

TutorialProcessor::GenericEditor::GenericEditor (TutorialProcessor& owner, juce::AudioProcessorValueTreeState& state)
    : juce::AudioProcessorEditor (owner),
      valueTreeState (state),
      tutorialProcessor (owner)
{
    using Attachments = juce::AudioProcessorValueTreeState;

    gainLabel.setText ("Gain", juce::dontSendNotification);
    addAndMakeVisible (gainLabel);

    addAndMakeVisible (gainSlider);
    gainAttachment = std::make_unique<Attachments::SliderAttachment> (valueTreeState, tavik::params::gainId, gainSlider);

    sourceLabel.setText ("Source Input", juce::dontSendNotification);
    sourceLabel.setJustificationType (juce::Justification::horizontallyCentred);
    addAndMakeVisible (sourceLabel);

    // The attachments replace these first selections with the parameters' values.
    sourceBox.addItemList (sourceItems, 1);
    sourceBox.setSelectedId (1, juce::dontSendNotification);
    addAndMakeVisible (sourceBox);
    sourceAttachment = std::make_unique<Attachments::ComboBoxAttachment> (valueTreeState, tavik::params::sourceId, sourceBox);

    satTypeLabel.setText ("Saturation", juce::dontSendNotification);
    satTypeLabel.setJustificationType (juce::Justification::horizontallyCentred);
    addAndMakeVisible (satTypeLabel);

    satTypeBox.addItemList (satTypeItems, 1);
    satTypeBox.setSelectedId (1, juce::dontSendNotification);
    addAndMakeVisible (satTypeBox);
    satTypeAttachment = std::make_unique<Attachments::ComboBoxAttachment> (valueTreeState, tavik::params::satTypeId, satTypeBox);

    addAndMakeVisible (logoButton);
    logoButton.onClick = [this] { showAboutBox(); };

    // The logo shows unchanged in every state, and a threshold of zero makes the whole
    // button clickable, transparent pixels included.
    const auto logo = juce::ImageCache::getFromMemory (BinaryData::logo_png, BinaryData::logo_pngSize);
    logoButton.setImages (false, true, true,
                          logo, 1.0f, juce::Colour(),
                          juce::Image(), 1.0f, juce::Colour(),
                          juce::Image(), 1.0f, juce::Colour(),
                          0.0f);

    setSize (400, 400);
    startTimer (timerIntervalMs);
}

TutorialProcessor::GenericEditor::~GenericEditor() = default;

void TutorialProcessor::GenericEditor::resized()
{
    plotFrame = getLocalBounds().reduced (3);
    plotFrame.removeFromTop (140);

    auto area = getLocalBounds().reduced (12);
    area.removeFromTop (12);
    const auto areaWidth = static_cast<float> (area.getWidth());

    auto topRow = area.removeFromTop (60);

    auto sourceColumn = topRow.removeFromLeft (static_cast<int> (areaWidth / 3.0f));
    sourceLabel.setBounds (sourceColumn.removeFromTop (20));
    sourceBox.setBounds (sourceColumn.withSizeKeepingCentre (120, 24));

    logoButton.setBounds (topRow.removeFromLeft (static_cast<int> (areaWidth * 0.25f)));

    auto curveColumn = topRow.removeFromLeft (static_cast<int> (areaWidth * 0.5f));
    satTypeLabel.setBounds (curveColumn.removeFromTop (20));
    satTypeBox.setBounds (curveColumn.withSizeKeepingCentre (120, 24));

    auto bottomRow = area.removeFromTop (40);
    gainLabel.setBounds (bottomRow.removeFromLeft (80));
    gainSlider.setBounds (bottomRow);
}

void TutorialProcessor::GenericEditor::timerCallback()
{
    // The output analyser is asked only when the input has nothing new; its flag then
    // stays raised and repaints on the next tick.
    if (tutorialProcessor.inputAnalyser.checkForNewSpectrum() || tutorialProcessor.outputAnalyser.checkForNewSpectrum())
        repaint (plotFrame);
}

void TutorialProcessor::GenericEditor::paint (juce::Graphics& g)
{
    const juce::Graphics::ScopedSaveState savedState (g);

    const auto background = juce::ImageCache::getFromMemory (BinaryData::background_png, BinaryData::background_pngSize);
    g.drawImage (background, 0, 0, getWidth(), getHeight(), 0, 0, background.getWidth(), background.getHeight());

    g.setFont (12.0f);
    g.setColour (juce::Colours::silver);
    g.drawRoundedRectangle (plotFrame.toFloat(), 5.0f, 2.0f);

    const auto x0 = plotFrame.getX();
    const auto y0 = plotFrame.getY();
    const auto w = plotFrame.getWidth();
    const auto h = plotFrame.getHeight();
    const auto top = static_cast<float> (y0);
    const auto bottom = static_cast<float> (plotFrame.getBottom());

    // One column per octave from 20 Hz, where the analysers' paths put each frequency;
    // the frame's left edge stands for 20 Hz.
    for (int i = 0; i < numOctaves; ++i)
    {
        g.setColour (gridColour());
        const float x = static_cast<float> (x0) + static_cast<float> (w * i) * 0.1f;

        if (i > 0)
            g.drawVerticalLine (nearest (x), top, bottom);

        g.setColour (juce::Colours::silver);
        const float frequency = lowestFrequency * std::exp2f (static_cast<float> (i) * 0.1f * static_cast<float> (numOctaves));
        g.drawFittedText (frequencyCaption (frequency), nearest (x + 3.0f), plotFrame.getBottom() - 18, 50, 15,
                          juce::Justification::left, 1);
    }

    g.setColour (gridColour());
    g.drawHorizontalLine (nearest (y0 + h * 0.25), static_cast<float> (x0), static_cast<float> (plotFrame.getRight()));
    g.drawHorizontalLine (nearest (y0 + h * 0.75), static_cast<float> (x0), static_cast<float> (plotFrame.getRight()));

    // The paths put 0 dB on the top edge and -80 dB on the bottom, 20 dB to a quarter.
    g.setColour (juce::Colours::silver);
    const int levels[] = { 0, -20, -40, -60 };

    for (int quarter = 0; quarter < 4; ++quarter)
    {
        g.drawFittedText (juce::String (levels[quarter]) + " dB", x0 + 3, nearest (y0 + 2 + h * 0.25 * quarter), 50, 14,
                          juce::Justification::left, 1);
    }

    g.reduceClipRegion (plotFrame);
    g.setFont (16.0f);

    const auto bounds = plotFrame.toFloat();
    const juce::PathStrokeType stroke (1.0f);

    tutorialProcessor.inputAnalyser.createPath (analyserPath, bounds, lowestFrequency);
    g.setColour (juce::Colours::greenyellow);
    g.drawFittedText ("Input", plotFrame.reduced (8), juce::Justification::topRight, 1);
    g.strokePath (analyserPath, stroke);

    tutorialProcessor.outputAnalyser.createPath (analyserPath, bounds, lowestFrequency);
    g.setColour (juce::Colours::indianred);
    g.drawFittedText ("Output", plotFrame.reduced (8, 28), juce::Justification::topRight, 1);
    g.strokePath (analyserPath, stroke);
}

void TutorialProcessor::GenericEditor::showAboutBox()
{
    AboutBox aboutBox ("About", juce::Colours::black, true, true);
    aboutBox.setUsingNativeTitleBar (false);
    aboutBox.setAlwaysOnTop (true);
    aboutBox.aboutImage = juce::ImageCache::getFromMemory (BinaryData::about_png, BinaryData::about_pngSize);
    aboutBox.setSize (aboutBox.aboutImage.getWidth(), aboutBox.aboutImage.getHeight());
    aboutBox.centreAroundComponent (getParentComponent(), aboutBox.getWidth(), aboutBox.getHeight());
    aboutBox.runModalLoop();
}
