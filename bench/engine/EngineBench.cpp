// Speed of the saturation engine: the scalar reference against the vector engine,
// every channel mode and curve, with a plain copy of the same block as the floor.
// Each iteration restores the block from its source (the copy row measures exactly
// that) and shapes it in place, as the processor does. A summary table after the run
// gives ns per frame (one sample of each channel) and the speed-ups.
//
// The slow-tail rows time thousands of 512-frame blocks one by one and report the
// median, the 99.9th percentile and the maximum, so that spikes show.
//
// Everything runs with denormals flushed, as the audio callback runs the engine.

#include "dsp/BlockProcessing.h"
#include "dsp/Engine.h"

#include <benchmark/benchmark.h>

#include <xmmintrin.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <limits>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace
{
using tavik::Isa;

const char* const modeNames[] = { "mono", "stereo", "linked" };
const char* const curveNames[] = { "NOSAT", "ARCTAN", "TANHYP", "GAUSS", "FRES", "CIRC" };
constexpr int blockSizes[] = { 32, 512, 4096 };
constexpr float gain = 4.0f;

// Two channels spanning ±1.5: sines of unrelated frequencies, so that the linked level
// and every curve's argument sweep their whole range within a block.
struct StereoBlock
{
    explicit StereoBlock (int size) : left (static_cast<size_t> (size)), right (static_cast<size_t> (size))
    {
        for (size_t i = 0; i < left.size(); ++i)
        {
            const auto t = static_cast<float> (i);
            left[i] = 1.5f * std::sin (0.0513f * t + 0.3f);
            right[i] = 1.5f * std::sin (0.0371f * t + 1.9f);
        }
    }

    std::vector<float> left, right;
};

struct Workspace
{
    explicit Workspace (int size) : source (size), work (size) {}

    void restore()
    {
        std::copy (source.left.begin(), source.left.end(), work.left.begin());
        std::copy (source.right.begin(), source.right.end(), work.right.begin());
    }

    StereoBlock source, work;
};

enum class Path
{
    copy,
    reference,
    vector
};

void setFrameCounter (benchmark::State& state, int size)
{
    state.counters["ns/frame"] = benchmark::Counter (static_cast<double> (size) * 1.0e-9,
                                                     benchmark::Counter::kIsIterationInvariantRate
                                                         | benchmark::Counter::kInvert);
}

void blockBenchmark (benchmark::State& state, Path path, Isa isa, int mode, int curve, int size)
{
    Workspace space (size);
    Tavik saturator;

    for (auto _ : state)
    {
        space.restore();
        float* left = space.work.left.data();
        float* right = space.work.right.data();

        if (path == Path::reference)
            tavik::reference::processBlock (saturator, left, right, size, mode, curve, gain);
        else if (path == Path::vector)
            tavik::processBlock (isa, left, right, size, mode, curve, gain);

        benchmark::DoNotOptimize (left);
        benchmark::DoNotOptimize (right);
        benchmark::ClobberMemory();
    }

    setFrameCounter (state, size);
}

//==============================================================================
// Slow tail.

// Mostly music-like levels up to ±1.5, with a sprinkling of values that take the rare
// branches: silence, levels up to 10⁴ (the Fresnel asymptotic form beyond 36974 at
// gain 4·√2, the incomplete gamma's screen above X = 100), infinities and NaN.
std::vector<float> wildSignal (size_t size, unsigned seed)
{
    std::mt19937 random (seed);
    std::uniform_real_distribution<float> level (-1.5f, 1.5f);
    std::uniform_real_distribution<float> exponent (0.0f, 4.0f);
    std::uniform_int_distribution<int> pick (0, 199);
    const float rare[] = { 0.0f, -0.0f, std::numeric_limits<float>::infinity(),
                           -std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN() };

    std::vector<float> signal (size);
    for (auto& sample : signal)
    {
        const int kind = pick (random);
        if (kind == 0)
            sample = std::pow (10.0f, exponent (random)) * (level (random) < 0.0f ? -1.0f : 1.0f);
        else if (kind == 1)
            sample = rare[static_cast<size_t> (pick (random)) % std::size (rare)];
        else
            sample = level (random);
    }
    return signal;
}

// Every block is timed in three passes over the same sequence, and its fastest time
// counts: a block that is slow for its samples is slow in every pass, while a timer
// interrupt or a preemption lands in one pass only. The slowest single timing is
// reported as well.
void slowTail (benchmark::State& state, bool vector, int mode, int curve)
{
    constexpr int blockSize = 512;
    constexpr size_t numBlocks = 20000;
    constexpr int passes = 3;
    constexpr size_t sourceSize = 1 << 16;

    const auto sourceLeft = wildSignal (sourceSize, 1);
    const auto sourceRight = wildSignal (sourceSize, 2);
    std::vector<size_t> offsets (numBlocks);
    std::minstd_rand random (7);
    for (auto& offset : offsets)
        offset = random() % (sourceSize - blockSize);

    std::vector<float> left (blockSize), right (blockSize);
    std::vector<double> times (numBlocks);
    double slowest = 0.0;
    Tavik saturator;

    for (auto _ : state)
    {
        std::fill (times.begin(), times.end(), std::numeric_limits<double>::infinity());
        double total = 0.0;

        for (int pass = 0; pass < passes; ++pass)
        {
            for (size_t block = 0; block < numBlocks; ++block)
            {
                const auto offset = static_cast<long> (offsets[block]);
                std::copy_n (sourceLeft.begin() + offset, blockSize, left.begin());
                std::copy_n (sourceRight.begin() + offset, blockSize, right.begin());

                const auto start = std::chrono::steady_clock::now();
                if (vector)
                    tavik::processBlock (saturator, left.data(), right.data(), blockSize, mode, curve, gain);
                else
                    tavik::reference::processBlock (saturator, left.data(), right.data(), blockSize, mode, curve,
                                                    gain);
                const auto end = std::chrono::steady_clock::now();

                benchmark::DoNotOptimize (left.data());
                benchmark::DoNotOptimize (right.data());
                const double time = std::chrono::duration<double, std::nano> (end - start).count();
                times[block] = std::min (times[block], time);
                slowest = std::max (slowest, time);
                total += time;
            }
        }

        state.SetIterationTime (total * 1.0e-9 / passes);
    }

    std::sort (times.begin(), times.end());
    const double median = times[times.size() / 2];
    const double tail = times[times.size() * 999 / 1000];
    state.counters["median_ns"] = median;
    state.counters["p99.9_ns"] = tail;
    state.counters["max_ns"] = times.back();
    state.counters["p99.9/median"] = tail / median;
    state.counters["slowest_single_ns"] = slowest;
}

//==============================================================================
// The table after the run: each block row beside its copy and reference rows.

struct Key
{
    std::string mode, curve;
    int size;
    bool operator< (const Key& other) const
    {
        return std::tie (mode, curve, size) < std::tie (other.mode, other.curve, other.size);
    }
};

class TableReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns (const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns (runs);

        for (const auto& run : runs)
        {
            const auto counter = run.counters.find ("ns/frame");
            if (counter == run.counters.end() || run.error_occurred)
                continue;

            // Names are block/<mode>/<curve>/<path>/<size>, the copy's block/copy/<size>.
            const auto name = run.run_name.function_name;
            std::vector<std::string> parts;
            for (size_t start = 0, slash = 0; slash != std::string::npos; start = slash + 1)
            {
                slash = name.find ('/', start);
                parts.push_back (name.substr (start, slash - start));
            }
            if (parts.size() == 3 && parts[1] == "copy")
                copies[std::stoi (parts[2])] = counter->second.value;
            else if (parts.size() == 5)
                figures[Key { parts[1], parts[2], std::stoi (parts[4]) }][parts[3]] = counter->second.value;
        }
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();

        std::printf ("\nns per frame (one sample of each channel), gain %g, input within ±1.5; the vector\n"
                     "engine on %s. Each row includes restoring the block, which the copy row is.\n\n",
                     static_cast<double> (gain), tavik::nameOf (tavik::fastestIsa()));
        std::printf ("%-7s %-7s %5s %9s %10s %9s %9s %12s\n", "mode", "curve", "size", "copy", "reference", "vector",
                     "speed-up", "vector/copy");

        for (const auto& [key, paths] : figures)
        {
            const auto find = [&paths = paths] (const char* path)
            {
                const auto it = paths.find (path);
                return it != paths.end() ? it->second : std::nan ("");
            };
            const double copy = copies.count (key.size) != 0 ? copies.at (key.size) : std::nan ("");
            const double reference = find ("reference"), vector = find ("vector");
            std::printf ("%-7s %-7s %5d %9.3f %10.3f %9.3f %8.1fx %11.2fx\n", key.mode.c_str(), key.curve.c_str(),
                         key.size, copy, reference, vector, reference / vector, vector / copy);
        }
    }

private:
    std::map<Key, std::map<std::string, double>> figures;
    std::map<int, double> copies;
};

void registerBenchmarks()
{
    const Isa fastest = tavik::fastestIsa();

    constexpr double minTime = 0.2;

    for (const int size : blockSizes)
        benchmark::RegisterBenchmark (("block/copy/" + std::to_string (size)).c_str(), blockBenchmark, Path::copy,
                                      fastest, tavik::stereo, Tavik::nosat, size)
            ->MinTime (minTime);

    for (int mode = 0; mode < 3; ++mode)
    {
        for (int curve = 0; curve < Tavik::numCurves; ++curve)
        {
            for (const int size : blockSizes)
            {
                const std::string prefix = std::string ("block/") + modeNames[mode] + "/" + curveNames[curve] + "/";
                const std::string suffix = "/" + std::to_string (size);

                benchmark::RegisterBenchmark ((prefix + "reference" + suffix).c_str(), blockBenchmark,
                                              Path::reference, fastest, mode, curve, size)
                    ->MinTime (minTime);
                benchmark::RegisterBenchmark ((prefix + "vector" + suffix).c_str(), blockBenchmark, Path::vector,
                                              fastest, mode, curve, size)
                    ->MinTime (minTime);
            }
        }
    }

    // Every instruction set of this CPU, for the stereo and linked modes at 512: the
    // figures behind the curves that Engine.cpp routes to the scalar engine.
    for (const int mode : { int (tavik::stereo), int (tavik::linked) })
        for (const Isa isa : tavik::allIsas)
            if (tavik::isSupported (isa))
                for (int curve = 0; curve < Tavik::numCurves; ++curve)
                    benchmark::RegisterBenchmark ((std::string ("isa/") + modeNames[mode] + "/" + curveNames[curve] + "/"
                                                   + tavik::nameOf (isa) + "/512")
                                                      .c_str(),
                                                  [=] (benchmark::State& state)
                                                  { blockBenchmark (state, Path::vector, isa, mode, curve, 512); })
                        ->MinTime (minTime);

    for (int mode = 0; mode < 3; ++mode)
        for (int curve = 0; curve < Tavik::numCurves; ++curve)
            for (const bool vector : { false, true })
                benchmark::RegisterBenchmark ((std::string ("tail/") + modeNames[mode] + "/" + curveNames[curve] + "/"
                                               + (vector ? "vector" : "reference"))
                                                  .c_str(),
                                              slowTail, vector, mode, curve)
                    ->UseManualTime()
                    ->Iterations (1);
}
} // namespace

int main (int argc, char** argv)
{
    benchmark::Initialize (&argc, argv);
    if (benchmark::ReportUnrecognizedArguments (argc, argv))
        return 1;

    _mm_setcsr (_mm_getcsr() | 0x8040u); // flush-to-zero and denormals-are-zero
    registerBenchmarks();
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks (&reporter);
    benchmark::Shutdown();
    return 0;
}
