#include "editor/EditorInspector.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <thread>

namespace
{
/** An editor over a processor whose analysers hold a full average of a rich signal,
    with their threads stopped, so that every paint draws the same two curves. */
struct PaintedEditor
{
    PaintedEditor()
    {
        for (auto* analyser : { &processor.inputAnalyser, &processor.outputAnalyser })
        {
            analyser->setupAnalyser (48000, 48000.0f);
            juce::AudioBuffer<float> signal (1, 4096 + 4 * 2048);

            for (int i = 0; i < signal.getNumSamples(); ++i)
                signal.setSample (0, i, 0.3f * std::sin (0.01f * (float) i) + 0.1f * std::sin (0.37f * (float) i));

            analyser->addAudioData (signal, 0, 1);

            while (analyser->getFifo().getNumReady() != 2048)
                std::this_thread::sleep_for (std::chrono::milliseconds (1));

            analyser->stopThread (1000);
        }

        editor.reset (dynamic_cast<TutorialProcessor::GenericEditor*> (processor.createEditorIfNeeded()));
    }

    juce::ScopedJuceInitialiser_GUI framework;
    TutorialProcessor processor;
    std::unique_ptr<TutorialProcessor::GenericEditor> editor;
    juce::Image image { juce::Image::ARGB, 400, 400, true };
};

PaintedEditor& painted()
{
    static PaintedEditor instance;
    return instance;
}

// The whole editor, as when the host first shows it.
void EditorFullPaint (benchmark::State& state)
{
    auto& p = painted();

    for (auto _ : state)
    {
        juce::Graphics g (p.image);
        p.editor->paint (g);
        benchmark::ClobberMemory();
    }
}

// What each timer tick with a new spectrum costs: the framework clips the paint to
// the plot that the tick invalidated.
void EditorPlotRepaint (benchmark::State& state)
{
    auto& p = painted();
    const auto plot = EditorInspector::plotFrame (*p.editor);

    for (auto _ : state)
    {
        juce::Graphics g (p.image);
        g.reduceClipRegion (plot);
        p.editor->paint (g);
        benchmark::ClobberMemory();
    }
}

BENCHMARK (EditorFullPaint)->Unit (benchmark::kMicrosecond);
BENCHMARK (EditorPlotRepaint)->Unit (benchmark::kMicrosecond);
} // namespace

BENCHMARK_MAIN();
