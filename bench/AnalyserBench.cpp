#include "analyser/Analyser.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace
{
// An analyser whose thread is stopped, with a FIFO of one second at 48 kHz, fed by
// hand: the measurements see the work alone, not the thread's wake-ups.
struct QuietAnalyser
{
    QuietAnalyser()
    {
        analyser.setupAnalyser (48000, 48000.0f);
        analyser.stopThread (1000);
        for (int i = 0; i < block.getNumSamples(); ++i)
            block.setSample (0, i, 0.5f * std::sin (0.03f * static_cast<float> (i)));
    }

    Analyser<float> analyser;
    juce::AudioBuffer<float> block { 1, Analyser<float>::hopSize };
};
} // namespace

static void analysisFrame (benchmark::State& state)
{
    QuietAnalyser quiet;
    quiet.analyser.addAudioData (quiet.block, 0, 1);
    for (auto _ : state)
    {
        quiet.analyser.addAudioData (quiet.block, 0, 1); // keeps a frame ready: 4096 in, 2048 out
        quiet.analyser.analyseFrame();
    }
    state.SetLabel ("4096-point frame: window, FFT, magnitudes, average");
}
BENCHMARK (analysisFrame)->Unit (benchmark::kMicrosecond);

static void createPath (benchmark::State& state)
{
    QuietAnalyser quiet;
    quiet.analyser.addAudioData (quiet.block, 0, 1);
    quiet.analyser.addAudioData (quiet.block, 0, 1);
    quiet.analyser.analyseFrame();
    juce::Path path;
    for (auto _ : state)
    {
        quiet.analyser.createPath (path, { 3.0f, 143.0f, 394.0f, 254.0f }, 20.0f);
        benchmark::DoNotOptimize (path);
    }
    state.SetLabel ("2049 points");
}
BENCHMARK (createPath)->Unit (benchmark::kMicrosecond);
