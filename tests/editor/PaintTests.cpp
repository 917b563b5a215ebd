// What the editor's paint routine puts into an image at the editor's own size.

#include "editor/EditorInspector.h"

#include <BinaryData.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

namespace
{
using Rect = juce::Rectangle<int>;
using Editor = TutorialProcessor::GenericEditor;

const juce::Colour silver (0xffc0c0c0);
const juce::Colour gridSilver (0x4cc0c0c0);
const juce::Colour greenYellow (0xffadff2f);
const juce::Colour indianRed (0xffcd5c5c);
const Rect plot (3, 143, 394, 254);

juce::Image background()
{
    return juce::ImageCache::getFromMemory (BinaryData::background_png, BinaryData::background_pngSize);
}

int channelDistance (juce::Colour a, juce::Colour b)
{
    return juce::jmax (std::abs (a.getRed() - b.getRed()), std::abs (a.getGreen() - b.getGreen()), std::abs (a.getBlue() - b.getBlue()));
}

/** The editor's own painting, children excluded, as the framework would ask for it. */
juce::Image paintEditor (Editor& editor)
{
    juce::Image image (juce::Image::ARGB, editor.getWidth(), editor.getHeight(), true);
    juce::Graphics g (image);
    editor.paint (g);
    return image;
}

std::unique_ptr<Editor> openEditor (TutorialProcessor& processor)
{
    return std::unique_ptr<Editor> (dynamic_cast<Editor*> (processor.createEditorIfNeeded()));
}

/** Checks that a caption reads text: where the text, drawn alone in the same box and
    font, covers a pixel fully, the editor's pixel has nearly the caption's colour;
    where it leaves a pixel of its own outline empty, the editor's has not. */
void expectCaption (const juce::Image& painted, const juce::String& text, Rect box, float fontHeight,
                    juce::Justification justification, juce::Colour colour)
{
    SCOPED_TRACE (("caption \"" + text + "\"").toStdString());
    juce::Image alone (juce::Image::ARGB, painted.getWidth(), painted.getHeight(), true);
    {
        juce::Graphics g (alone);
        g.setFont (fontHeight);
        g.setColour (juce::Colours::white);
        g.drawFittedText (text, box, justification, 1);
    }

    Rect outline;

    for (int y = 0; y < alone.getHeight(); ++y)
        for (int x = 0; x < alone.getWidth(); ++x)
            if (alone.getPixelAt (x, y).getAlpha() > 0)
                outline = outline.isEmpty() ? Rect (x, y, 1, 1) : outline.getUnion ({ x, y, 1, 1 });

    EXPECT_TRUE (box.contains (outline)) << outline.toString() << " in " << box.toString();
    // "10.2 kHz" runs over the frame's right edge, which is no part of the caption.
    outline = outline.getIntersection ({ 0, 0, plot.getRight() - 2, painted.getHeight() });
    int solid = 0;
    int wrong = 0;

    for (int y = outline.getY(); y < outline.getBottom(); ++y)
    {
        for (int x = outline.getX(); x < outline.getRight(); ++x)
        {
            const auto coverage = alone.getPixelAt (x, y).getAlpha();
            const auto distance = channelDistance (painted.getPixelAt (x, y), colour);

            if (coverage == 255)
                ++solid;

            if ((coverage == 255 && distance > 48) || (coverage == 0 && distance < 64))
                ++wrong;
        }
    }

    EXPECT_GT (solid, 5);
    EXPECT_EQ (wrong, 0);
}

TEST (EditorPaint, DrawsTheBackgroundPictureOneToOne)
{
    TutorialProcessor processor;
    auto editor = openEditor (processor);
    const auto painted = paintEditor (*editor);
    const auto picture = background();

    ASSERT_EQ (picture.getBounds(), Rect (0, 0, 400, 400));
    EXPECT_FALSE (picture.hasAlphaChannel());

    // Away from the plot the picture is all there is.
    for (const auto& point : { juce::Point<int> (0, 0), { 399, 0 }, { 200, 60 }, { 1, 399 }, { 398, 200 }, { 100, 139 } })
        EXPECT_EQ (painted.getPixelAt (point.x, point.y), picture.getPixelAt (point.x, point.y)) << point.toString();
}

TEST (EditorPaint, DrawsAFrequencyColumnForEveryOctaveAbove20Hz)
{
    TutorialProcessor processor;
    auto editor = openEditor (processor);
    const auto painted = paintEditor (*editor);
    const auto picture = background();

    const int columns[] = { 42, 82, 121, 161, 200, 239, 279, 318, 358 };
    // Rows clear of the level lines, the captions and the frame.
    const int rows[] = { 190, 250, 300, 360 };

    for (const auto x : columns)
    {
        for (const auto y : rows)
        {
            SCOPED_TRACE (juce::String (x) + ", " + juce::String (y));
            const auto under = picture.getPixelAt (x, y);
            EXPECT_LE (channelDistance (painted.getPixelAt (x, y), under.overlaidWith (gridSilver)), 2);
            EXPECT_EQ (painted.getPixelAt (x - 1, y), picture.getPixelAt (x - 1, y));
            EXPECT_EQ (painted.getPixelAt (x + 1, y), picture.getPixelAt (x + 1, y));
        }

        // Exactly from the plot's top to its bottom edge.
        EXPECT_NE (painted.getPixelAt (x, 146), picture.getPixelAt (x, 146));
        EXPECT_NE (painted.getPixelAt (x, 394), picture.getPixelAt (x, 394));
    }

    // No column at 20 Hz: the frame's edge stands there, not a grid line.
    for (const auto y : rows)
        EXPECT_EQ (painted.getPixelAt (6, y), picture.getPixelAt (6, y));
}

TEST (EditorPaint, DrawsTheLevelRowsAtAQuarterAndThreeQuartersOfThePlot)
{
    TutorialProcessor processor;
    auto editor = openEditor (processor);
    const auto painted = paintEditor (*editor);
    const auto picture = background();

    for (const auto y : { 206, 334 })
    {
        for (const auto x : { 60, 100, 150, 220, 300, 390 })
        {
            SCOPED_TRACE (juce::String (x) + ", " + juce::String (y));
            EXPECT_LE (channelDistance (painted.getPixelAt (x, y), picture.getPixelAt (x, y).overlaidWith (gridSilver)), 2);
            EXPECT_EQ (painted.getPixelAt (x, y - 1), picture.getPixelAt (x, y - 1));
            EXPECT_EQ (painted.getPixelAt (x, y + 1), picture.getPixelAt (x, y + 1));
        }
    }
}

TEST (EditorPaint, FramesThePlotInSilver)
{
    TutorialProcessor processor;
    auto editor = openEditor (processor);
    const auto painted = paintEditor (*editor);

    // Midpoints of the four edges of a two-pixel line around 3, 143, 394, 254.
    for (const auto& point : { juce::Point<int> (220, 142), { 220, 143 }, { 220, 396 }, { 2, 270 }, { 3, 270 }, { 396, 270 } })
        EXPECT_LE (channelDistance (painted.getPixelAt (point.x, point.y), silver), 2) << point.toString();
}

TEST (EditorPaint, CaptionsTheOctavesAndTheLevelsOfTheCurves)
{
    TutorialProcessor processor;
    auto editor = openEditor (processor);
    const auto painted = paintEditor (*editor);

    const std::pair<const char*, int> frequencies[] = {
        { "20 Hz", 6 },    { "40 Hz", 45 },    { "80 Hz", 85 },    { "160 Hz", 124 },   { "320 Hz", 164 },
        { "640 Hz", 203 }, { "1.3 kHz", 242 }, { "2.6 kHz", 282 }, { "5.1 kHz", 321 }, { "10.2 kHz", 361 },
    };

    for (const auto& [text, x] : frequencies)
        expectCaption (painted, text, { x, 379, 50, 15 }, 12.0f, juce::Justification::left, silver);

    // The curves put 0 dB on the top edge and -80 dB on the bottom, so the quarters
    // of the height are 20 dB apart.
    const std::pair<const char*, int> levels[] = { { "0 dB", 145 }, { "-20 dB", 208 }, { "-40 dB", 272 }, { "-60 dB", 336 } };

    for (const auto& [text, y] : levels)
        expectCaption (painted, text, { 6, y, 50, 14 }, 12.0f, juce::Justification::left, silver);

    expectCaption (painted, "Input", { 11, 151, 378, 238 }, 16.0f, juce::Justification::topRight, greenYellow);
    expectCaption (painted, "Output", { 11, 171, 378, 198 }, 16.0f, juce::Justification::topRight, indianRed);
}

TEST (EditorPaint, LeavesTheGraphicsStateAsItFoundIt)
{
    TutorialProcessor processor;
    auto editor = openEditor (processor);

    juce::Image image (juce::Image::ARGB, 400, 400, true);
    juce::Graphics g (image);
    g.setColour (juce::Colours::blue);
    g.setFont (30.0f);
    g.reduceClipRegion (0, 100, 400, 300);

    editor->paint (g);

    EXPECT_EQ (g.getClipBounds(), Rect (0, 100, 400, 300));
    EXPECT_EQ (g.getCurrentFont().getHeight(), 30.0f);
    g.fillRect (200, 200, 1, 1);
    EXPECT_EQ (image.getPixelAt (200, 200), juce::Colours::blue);
    EXPECT_EQ (image.getPixelAt (200, 50), juce::Colour()) << "nothing drawn outside the clip";
}

//==============================================================================
/** Feeds the input analyser, alone, a steady sine until its four-frame average is full. */
void analyseSine (Analyser<float>& analyser, double sampleRate, int bin, float amplitude)
{
    analyser.setupAnalyser ((int) sampleRate, (float) sampleRate);

    // Four frames of 4096 with 50 % overlap; the last 2048 samples stay in the FIFO.
    const int samples = 4096 + 3 * 2048 + 2048;
    juce::AudioBuffer<float> signal (1, samples);

    for (int i = 0; i < samples; ++i)
        signal.setSample (0, i, amplitude * (float) std::sin (juce::MathConstants<double>::twoPi * bin * i / 4096.0));

    analyser.addAudioData (signal, 0, 1);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds (10);

    while (analyser.getFifo().getNumReady() != 2048 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for (std::chrono::milliseconds (1));

    // The thread stops only between frames: the average is complete.
    analyser.stopThread (1000);
    ASSERT_EQ (analyser.getFifo().getNumReady(), 2048);
}

bool isCurveColour (juce::Colour pixel, juce::Colour curve)
{
    return channelDistance (pixel, curve) < 60 && channelDistance (pixel, curve) < channelDistance (pixel, silver);
}

TEST (EditorPaint, DrawsAKnownSpectrumWhereThePlotsScalesPutIt)
{
    struct Case
    {
        double sampleRate;
        int bin;
        float amplitude;
    };

    // Peaks away from the captions and the grid: about 1 kHz at -26 dB, 470 Hz at
    // -12 dB, 4.1 kHz at -46 dB.
    const Case cases[] = { { 48000.0, 85, 0.05f }, { 44100.0, 44, 0.25f }, { 48000.0, 352, 0.005f } };

    TutorialProcessor quiet;
    auto quietEditor = openEditor (quiet);
    const auto withoutSpectrum = paintEditor (*quietEditor);

    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.bin) + " at " + juce::String (c.sampleRate));
        TutorialProcessor processor;
        auto editor = openEditor (processor);
        analyseSine (processor.inputAnalyser, c.sampleRate, c.bin, c.amplitude);
        const auto painted = paintEditor (*editor);

        const double frequency = c.bin * c.sampleRate / 4096.0;
        const double expectedX = plot.getX() + plot.getWidth() / 10.0 * std::log2 (frequency / 20.0);
        const double decibels = 20.0 * std::log10 ((double) c.amplitude);
        const double expectedY = plot.getBottom() + (decibels + 80.0) * (plot.getY() - plot.getBottom()) / 80.0;

        // The curve's highest point: the first row, from the top, that it touches
        // left of the captions at the top right. The peak is a spike narrower than a
        // pixel, so any trace of the curve counts.
        int peakX = -1;
        int peakY = -1;

        for (int y = plot.getY() + 2; y < plot.getBottom() && peakX < 0; ++y)
            for (int x = plot.getX() + 2; x < 330 && peakX < 0; ++x)
                if (painted.getPixelAt (x, y) != withoutSpectrum.getPixelAt (x, y))
                {
                    peakX = x;
                    peakY = y;
                }

        EXPECT_NEAR (peakX, expectedX, 2.0);
        EXPECT_NEAR (peakY, expectedY, 2.0);
        EXPECT_GT (painted.getPixelAt (peakX, peakY).getGreen(), withoutSpectrum.getPixelAt (peakX, peakY).getGreen());
    }
}

TEST (EditorPaint, KeepsTheCurvesAndTheirCaptionsInsideThePlot)
{
    TutorialProcessor quiet;
    auto quietEditor = openEditor (quiet);
    const auto withoutCurves = paintEditor (*quietEditor);

    // A loud sweep of partials reaches above the top edge and beyond both side edges.
    TutorialProcessor loud;
    auto loudEditor = openEditor (loud);

    for (auto* analyser : { &loud.inputAnalyser, &loud.outputAnalyser })
    {
        analyser->setupAnalyser (48000, 48000.0f);
        juce::AudioBuffer<float> signal (1, 4096 + 3 * 2048 + 2048);

        for (int i = 0; i < signal.getNumSamples(); ++i)
        {
            double sample = 0.0;

            for (const int bin : { 1, 3, 40, 700, 2040 })
                sample += 4.0 * std::sin (juce::MathConstants<double>::twoPi * bin * i / 4096.0);

            signal.setSample (0, i, (float) sample);
        }

        analyser->addAudioData (signal, 0, 1);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds (10);

        while (analyser->getFifo().getNumReady() != 2048 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for (std::chrono::milliseconds (1));

        analyser->stopThread (1000);
    }

    const auto withCurves = paintEditor (*loudEditor);
    int outside = 0;
    int inside = 0;

    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 400; ++x)
            if (withCurves.getPixelAt (x, y) != withoutCurves.getPixelAt (x, y))
                ++(plot.contains (x, y) ? inside : outside);

    EXPECT_EQ (outside, 0);
    EXPECT_GT (inside, 1000);
}

TEST (EditorPaint, DrawsTheOutputCurveOverTheInputCurve)
{
    TutorialProcessor processor;
    auto editor = openEditor (processor);
    analyseSine (processor.inputAnalyser, 48000.0, 85, 0.05f);
    analyseSine (processor.outputAnalyser, 48000.0, 85, 0.05f);
    const auto painted = paintEditor (*editor);

    int input = 0;
    int output = 0;

    for (int y = plot.getY(); y < plot.getBottom(); ++y)
        for (int x = plot.getX(); x < 330; ++x)
        {
            input += isCurveColour (painted.getPixelAt (x, y), greenYellow) ? 1 : 0;
            output += isCurveColour (painted.getPixelAt (x, y), indianRed) ? 1 : 0;
        }

    EXPECT_GT (output, 100);
    EXPECT_LT (input, output / 10);
}
} // namespace
