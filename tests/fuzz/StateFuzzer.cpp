// libFuzzer target: arbitrary bytes as a saved state, loaded into one live processor.
// The processor carries over from input to input, so every input meets the state
// that the inputs before it left.

#include "tests/fuzz/StateCheck.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize (int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size);

namespace
{
TutorialProcessor& processor()
{
    // The parameter tree's timer needs the framework's message manager. Neither is ever
    // destroyed: libFuzzer leaves through exit(), and the framework's shutdown from a
    // static destructor would run after statics that it still uses are gone.
    static auto* framework = new juce::ScopedJuceInitialiser_GUI();
    static auto* instance = new TutorialProcessor();
    juce::ignoreUnused (framework);
    return *instance;
}
} // namespace

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    processor();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    const auto failure = tavik::fuzz::checkStateInput (processor(), data, size);

    if (! failure.empty())
    {
        std::fprintf (stderr, "state check failed: %s\n", failure.c_str());
        std::abort();
    }

    return 0;
}
