#pragma once

#include "plugin/Editor.h"

/** What the tests and benchmarks see of the editor's private parts. */
struct EditorInspector
{
    using Editor = TutorialProcessor::GenericEditor;

    static juce::Rectangle<int> plotFrame (const Editor& editor) { return editor.plotFrame; }

    static juce::ImageButton& logoButton (Editor& editor) { return editor.logoButton; }
    static juce::Label& sourceLabel (Editor& editor) { return editor.sourceLabel; }
    static juce::ComboBox& sourceBox (Editor& editor) { return editor.sourceBox; }
    static juce::Label& satTypeLabel (Editor& editor) { return editor.satTypeLabel; }
    static juce::ComboBox& satTypeBox (Editor& editor) { return editor.satTypeBox; }
    static juce::Label& gainLabel (Editor& editor) { return editor.gainLabel; }
    static juce::Slider& gainSlider (Editor& editor) { return editor.gainSlider; }

    static bool timerIsRunning (const Editor& editor) { return editor.isTimerRunning(); }
    static int timerInterval (const Editor& editor) { return editor.getTimerInterval(); }

    /** One tick of the editor's timer, without waiting for the timer. */
    static void tick (Editor& editor) { editor.timerCallback(); }
};
