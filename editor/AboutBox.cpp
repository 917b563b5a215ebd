#include "plugin/Editor.h"

TutorialProcessor::AboutBox::AboutBox (const juce::String& title,
                                       juce::Colour background,
                                       bool escapeKeyCloses,
                                       bool addToDesktopNow)
    : juce::DialogWindow (title, background, escapeKeyCloses, addToDesktopNow)
{
}

TutorialProcessor::AboutBox::~AboutBox() = default;

// The picture covers the whole window, so the base's background, title and frame
// are never drawn; only the close button, a child, shows over it.
void TutorialProcessor::AboutBox::paint (juce::Graphics& g)
{
    g.drawImageAt (aboutImage, 0, 0);

    g.setColour (juce::Colours::white);
    g.drawSingleLineText ("Version ", 18, 100);
    g.drawSingleLineText (JucePlugin_VersionString, 66, 100);
    g.drawSingleLineText ("Build Date " + formatBuildDate (__DATE__), 18, 118);
}

// Hiding ends the modal loop that the logo's click handler runs; the handler owns
// the window and destroys it.
void TutorialProcessor::AboutBox::closeButtonPressed()
{
    setVisible (false);
}

juce::String TutorialProcessor::AboutBox::formatBuildDate (const char* compilerDate)
{
    auto parts = juce::StringArray::fromTokens (compilerDate, false);
    parts.removeEmptyStrings();
    return parts.joinIntoString (" ");
}
