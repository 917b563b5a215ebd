// The editor's children, their layout, their binding to the parameters, and the
// timer that decides when the plot is repainted.

#include "editor/EditorInspector.h"
#include "plugin/Parameters.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

namespace
{
using Rect = juce::Rectangle<int>;
using Editor = TutorialProcessor::GenericEditor;

std::unique_ptr<Editor> openEditor (TutorialProcessor& processor)
{
    std::unique_ptr<Editor> editor (dynamic_cast<Editor*> (processor.createEditorIfNeeded()));
    return editor;
}

struct Layout
{
    int width, height;
    Rect sourceLabel, sourceBox, logoButton, satTypeLabel, satTypeBox, gainLabel, gainSlider, plotFrame;
};

void expectLayout (Editor& editor, const Layout& expected)
{
    using I = EditorInspector;
    EXPECT_EQ (I::sourceLabel (editor).getBounds(), expected.sourceLabel);
    EXPECT_EQ (I::sourceBox (editor).getBounds(), expected.sourceBox);
    EXPECT_EQ (I::logoButton (editor).getBounds(), expected.logoButton);
    EXPECT_EQ (I::satTypeLabel (editor).getBounds(), expected.satTypeLabel);
    EXPECT_EQ (I::satTypeBox (editor).getBounds(), expected.satTypeBox);
    EXPECT_EQ (I::gainLabel (editor).getBounds(), expected.gainLabel);
    EXPECT_EQ (I::gainSlider (editor).getBounds(), expected.gainSlider);
    EXPECT_EQ (I::plotFrame (editor), expected.plotFrame);
}

TEST (EditorLayout, OpensAt400By400WithTheChildrenInPlace)
{
    TutorialProcessor processor;
    auto editor = openEditor (processor);
    ASSERT_NE (editor, nullptr);

    EXPECT_EQ (editor->getLocalBounds(), Rect (0, 0, 400, 400));
    expectLayout (*editor, { 400, 400,
                             { 12, 24, 125, 20 }, { 14, 52, 120, 24 }, { 137, 24, 94, 60 },
                             { 231, 24, 157, 20 }, { 249, 52, 120, 24 },
                             { 12, 84, 80, 40 }, { 92, 84, 296, 40 },
                             { 3, 143, 394, 254 } });
}

TEST (EditorLayout, FollowsTheSameRulesAtSizesThatAHostImposes)
{
    const Layout layouts[] = {
        // Wider and taller: the columns grow, the boxes stay 120 x 24 in their middle,
        // and the plot still starts at y 143.
        { 600, 500,
          { 12, 24, 192, 20 }, { 48, 52, 120, 24 }, { 204, 24, 144, 60 },
          { 348, 24, 240, 20 }, { 408, 52, 120, 24 },
          { 12, 84, 80, 40 }, { 92, 84, 496, 40 },
          { 3, 143, 594, 354 } },
        // Just tall enough for a plot of no height at y 143.
        { 400, 146,
          { 12, 24, 125, 20 }, { 14, 52, 120, 24 }, { 137, 24, 94, 60 },
          { 231, 24, 157, 20 }, { 249, 52, 120, 24 },
          { 12, 84, 80, 40 }, { 92, 84, 296, 40 },
          { 3, 143, 394, 0 } },
        // Too small for anything: strips take what is left, the boxes hang over the
        // edges of their columns, and the plot shrinks to nothing at the bottom.
        { 100, 100,
          { 12, 24, 25, 20 }, { -35, 52, 120, 24 }, { 37, 24, 19, 60 },
          { 56, 24, 32, 20 }, { 12, 52, 120, 24 },
          { 12, 84, 76, 4 }, { 88, 84, 0, 4 },
          { 3, 97, 94, 0 } },
    };

    TutorialProcessor processor;
    auto editor = openEditor (processor);

    for (const auto& layout : layouts)
    {
        SCOPED_TRACE (juce::String (layout.width) + " x " + juce::String (layout.height));
        editor->setSize (layout.width, layout.height);
        expectLayout (*editor, layout);
    }
}

TEST (EditorControls, ShowTheirCaptionsAndTheParametersTexts)
{
    TutorialProcessor processor;
    auto editor = openEditor (processor);
    using I = EditorInspector;

    EXPECT_EQ (I::sourceLabel (*editor).getText(), "Source Input");
    EXPECT_EQ (I::satTypeLabel (*editor).getText(), "Saturation");
    EXPECT_EQ (I::gainLabel (*editor).getText(), "Gain");
    EXPECT_EQ (I::sourceLabel (*editor).getJustificationType(), juce::Justification (juce::Justification::horizontallyCentred));
    EXPECT_EQ (I::satTypeLabel (*editor).getJustificationType(), juce::Justification (juce::Justification::horizontallyCentred));
    EXPECT_EQ (I::gainLabel (*editor).getJustificationType(), juce::Justification (juce::Justification::centredLeft));

    // Item k must be value k - 1 under the same name as the parameter's own list.
    const std::pair<juce::ComboBox*, const juce::StringArray*> boxes[] = {
        { &I::sourceBox (*editor), &tavik::params::channelModeNames() },
        { &I::satTypeBox (*editor), &tavik::params::curveNames() },
    };

    for (const auto& [box, names] : boxes)
    {
        ASSERT_EQ (box->getNumItems(), names->size());

        for (int index = 0; index < names->size(); ++index)
        {
            EXPECT_EQ (box->getItemId (index), index + 1);
            EXPECT_EQ (box->getItemText (index), (*names)[index]);
        }
    }

    for (auto* child : editor->getChildren())
        EXPECT_TRUE (child->isVisible());
}

TEST (EditorControls, ShowTheParameterValuesInForceWhenTheEditorOpens)
{
    struct Case
    {
        float source, satType, gain;
        const char* sourceText;
        const char* satTypeText;
    };

    const Case cases[] = {
        { -1.0f, -1.0f, -1.0f, "Stereo L+R", "ARCTAN" }, // a fresh instance's defaults
        { 2.0f, 4.0f, 7.4f, "Linked", "FRES" },
        { 0.0f, 0.0f, 0.0f, "mono(L)", "NOSAT" },
        { 1.0f, 5.0f, 30.0f, "Stereo L+R", "CIRC" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.sourceText) + " " + c.satTypeText);
        TutorialProcessor processor;

        const std::pair<const char*, float> values[] = {
            { tavik::params::sourceId, c.source }, { tavik::params::satTypeId, c.satType }, { tavik::params::gainId, c.gain }
        };

        for (const auto& [id, value] : values)
            if (value >= 0.0f)
                if (auto* parameter = processor.parameters.getParameter (id))
                    parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));

        auto editor = openEditor (processor);
        EXPECT_EQ (EditorInspector::sourceBox (*editor).getText(), c.sourceText);
        EXPECT_EQ (EditorInspector::satTypeBox (*editor).getText(), c.satTypeText);
        EXPECT_DOUBLE_EQ (EditorInspector::gainSlider (*editor).getValue(), c.gain >= 0.0f ? c.gain : 1.0f);
    }
}

TEST (EditorControls, ChoosingAnItemSetsTheParameterToOneLessThanItsId)
{
    struct Case
    {
        juce::ComboBox& (*box) (Editor&);
        const char* parameterId;
        int numItems;
    };

    const Case cases[] = {
        { &EditorInspector::sourceBox, tavik::params::sourceId, 3 },
        { &EditorInspector::satTypeBox, tavik::params::satTypeId, 6 },
    };

    TutorialProcessor processor;
    auto editor = openEditor (processor);

    for (const auto& c : cases)
    {
        for (int id = c.numItems; id >= 1; --id)
        {
            SCOPED_TRACE (juce::String (c.parameterId) + " item " + juce::String (id));
            c.box (*editor).setSelectedId (id, juce::sendNotificationSync);
            EXPECT_EQ (processor.parameters.getRawParameterValue (c.parameterId)->load(), (float) (id - 1));
        }
    }
}

TEST (EditorControls, FollowTheHostsChanges)
{
    TutorialProcessor processor;
    auto editor = openEditor (processor);
    auto& source = *processor.parameters.getParameter (tavik::params::sourceId);
    auto& satType = *processor.parameters.getParameter (tavik::params::satTypeId);
    auto& gain = *processor.parameters.getParameter (tavik::params::gainId);

    for (int value = 0; value < 3; ++value)
    {
        source.setValueNotifyingHost (source.convertTo0to1 ((float) value));
        EXPECT_EQ (EditorInspector::sourceBox (*editor).getSelectedId(), value + 1);
    }

    for (int value = 0; value < 6; ++value)
    {
        satType.setValueNotifyingHost (satType.convertTo0to1 ((float) value));
        EXPECT_EQ (EditorInspector::satTypeBox (*editor).getSelectedId(), value + 1);
    }

    gain.setValueNotifyingHost (gain.convertTo0to1 (12.4f));
    EXPECT_NEAR (EditorInspector::gainSlider (*editor).getValue(), 12.4, 1.0e-5);

    // From another thread, as automation arrives, the change lands with the next message.
    std::thread automation ([&] { satType.setValueNotifyingHost (satType.convertTo0to1 (3.0f)); });
    automation.join();
    juce::MessageManager::getInstance()->runDispatchLoopUntil (50);
    EXPECT_EQ (EditorInspector::satTypeBox (*editor).getText(), "GAUSS");
}

TEST (EditorControls, GainSliderTakesTheParametersRangeAndMovesIt)
{
    TutorialProcessor processor;
    auto editor = openEditor (processor);
    auto& slider = EditorInspector::gainSlider (*editor);

    EXPECT_EQ (slider.getMinimum(), 0.0);
    EXPECT_EQ (slider.getMaximum(), 30.0);
    EXPECT_NEAR (slider.getInterval(), 0.2, 1.0e-6);
    EXPECT_EQ (slider.getSliderStyle(), juce::Slider::LinearHorizontal);

    slider.setValue (7.4, juce::sendNotificationSync);
    EXPECT_FLOAT_EQ (processor.parameters.getRawParameterValue (tavik::params::gainId)->load(), 7.4f);
}

TEST (EditorControls, WholeLogoButtonIsClickableAndShowsTheLogo)
{
    TutorialProcessor processor;
    auto editor = openEditor (processor);
    auto& logo = EditorInspector::logoButton (*editor);

    const auto image = logo.getNormalImage();
    ASSERT_TRUE (image.isValid());
    EXPECT_EQ (image.getBounds(), Rect (0, 0, 50, 50));
    EXPECT_TRUE (image.hasAlphaChannel());

    // The logo's corner is transparent; a click there still counts.
    EXPECT_EQ (image.getPixelAt (0, 0).getAlpha(), 0);
    EXPECT_TRUE (static_cast<juce::Component&> (logo).hitTest (1, 1));
    EXPECT_TRUE (static_cast<juce::Component&> (logo).hitTest (logo.getWidth() - 1, logo.getHeight() - 1));
}

TEST (ProcessorEditor, IsTheGenericEditorOnTheProcessorsParameters)
{
    TutorialProcessor processor;
    EXPECT_TRUE (processor.hasEditor());

    auto editor = openEditor (processor);
    ASSERT_NE (editor, nullptr);
    EXPECT_EQ (processor.getActiveEditor(), editor.get());
    EXPECT_EQ (editor->getAudioProcessor(), &processor);

    editor.reset();
    EXPECT_EQ (processor.getActiveEditor(), nullptr);
}

//==============================================================================
/** Counts what the editor marks for repainting. The framework hands every invalidated
    area of a component to its cached image before anything else, on or off screen,
    so recording them there sees exactly the repaint calls of the timer. */
class RepaintRecorder final : public juce::CachedComponentImage
{
public:
    void paint (juce::Graphics&) override {}
    bool invalidateAll() override
    {
        areas.push_back ({ 0, 0, -1, -1 });
        return false;
    }
    bool invalidate (const Rect& area) override
    {
        areas.push_back (area);
        return false;
    }
    void releaseResources() override {}

    std::vector<Rect> areas;
};

class EditorTimer : public ::testing::Test
{
protected:
    static constexpr double sampleRate = 48000.0;
    static constexpr int blockSize = 512;

    void SetUp() override
    {
        processor.prepareToPlay (sampleRate, blockSize);
        editor = openEditor (processor);
        editor->setVisible (true);
        recorder = new RepaintRecorder();
        editor->setCachedComponentImage (recorder);
    }

    void TearDown() override
    {
        editor.reset();
        processor.releaseResources();
    }

    /** Processes sine blocks with the editor open until each analyser has taken one more
        frame, then stops their threads so that nothing changes behind the test's back.
        Each frame is 4096 samples, advancing by 2048. */
    void produceOneSpectrumEach()
    {
        processor.prepareToPlay (sampleRate, blockSize);
        const int samples = 4096;
        juce::AudioBuffer<float> block (2, blockSize);
        juce::MidiBuffer midi;

        for (int start = 0; start < samples; start += blockSize)
        {
            for (int i = 0; i < blockSize; ++i)
                for (int channel = 0; channel < 2; ++channel)
                    block.setSample (channel, i, 0.5f * std::sin (0.05f * (float) (start + i)));

            processor.processBlock (block, midi);
        }

        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds (10);

        while ((processor.inputAnalyser.getFifo().getNumReady() != 2048 || processor.outputAnalyser.getFifo().getNumReady() != 2048)
               && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for (std::chrono::milliseconds (1));

        // A thread only stops between frames, so both averages and flags are complete.
        processor.inputAnalyser.stopThread (1000);
        processor.outputAnalyser.stopThread (1000);
        ASSERT_EQ (processor.inputAnalyser.getFifo().getNumReady(), 2048);
        ASSERT_EQ (processor.outputAnalyser.getFifo().getNumReady(), 2048);
    }

    std::vector<Rect> tickAndTakeRepaints()
    {
        recorder->areas.clear();
        EditorInspector::tick (*editor);
        return recorder->areas;
    }

    TutorialProcessor processor;
    std::unique_ptr<Editor> editor;
    RepaintRecorder* recorder = nullptr;
};

TEST_F (EditorTimer, RunsEvery33MillisecondsFromTheStart)
{
    EXPECT_TRUE (EditorInspector::timerIsRunning (*editor));
    EXPECT_EQ (EditorInspector::timerInterval (*editor), 33);
}

TEST_F (EditorTimer, RepaintsNothingWithoutANewSpectrum)
{
    produceOneSpectrumEach();
    processor.inputAnalyser.checkForNewSpectrum();
    processor.outputAnalyser.checkForNewSpectrum();

    EXPECT_TRUE (tickAndTakeRepaints().empty());
    EXPECT_TRUE (tickAndTakeRepaints().empty());
}

TEST_F (EditorTimer, RepaintsOnlyThePlotForEitherAnalyser)
{
    const std::vector<Rect> plotOnly { { 3, 143, 394, 254 } };

    produceOneSpectrumEach();
    processor.inputAnalyser.checkForNewSpectrum();
    EXPECT_EQ (tickAndTakeRepaints(), plotOnly) << "new output spectrum only";
    EXPECT_TRUE (tickAndTakeRepaints().empty());

    produceOneSpectrumEach();
    processor.outputAnalyser.checkForNewSpectrum();
    EXPECT_EQ (tickAndTakeRepaints(), plotOnly) << "new input spectrum only";
    EXPECT_TRUE (tickAndTakeRepaints().empty());
}

TEST_F (EditorTimer, AsksTheOutputOnlyWhenTheInputHasNothingNew)
{
    const std::vector<Rect> plotOnly { { 3, 143, 394, 254 } };

    produceOneSpectrumEach();
    EXPECT_EQ (tickAndTakeRepaints(), plotOnly);
    EXPECT_FALSE (processor.inputAnalyser.checkForNewSpectrum()) << "the tick consumes the input's news";
    EXPECT_TRUE (processor.outputAnalyser.checkForNewSpectrum()) << "and leaves the output's for the next tick";

    produceOneSpectrumEach();
    EXPECT_EQ (tickAndTakeRepaints(), plotOnly);
    EXPECT_EQ (tickAndTakeRepaints(), plotOnly) << "the output's news repaints on the next tick";
    EXPECT_TRUE (tickAndTakeRepaints().empty());
}

TEST_F (EditorTimer, RepaintsNothingWhenThePlotHasNoArea)
{
    editor->setSize (400, 146);
    produceOneSpectrumEach();
    EXPECT_TRUE (tickAndTakeRepaints().empty());
}
} // namespace
