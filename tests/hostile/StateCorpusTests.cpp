// Every seed, every saved-state fixture and every input that once made the fuzz
// target fail, through the same checks that the fuzz target applies.

#include "tests/fuzz/StateCheck.h"

#include <gtest/gtest.h>

namespace
{
// Seeds and fixtures, then the inputs that once failed (a folder that may be absent).
juce::Array<juce::File> allInputs()
{
    juce::Array<juce::File> inputs;

    for (const auto* folder : { TAVIK_FUZZ_SEEDS, TAVIK_FIXTURES, TAVIK_FUZZ_REGRESSIONS })
    {
        auto files = juce::File (folder).findChildFiles (juce::File::findFiles, false, "*.bin");
        files.sort();
        inputs.addArray (files);
    }

    return inputs;
}

void replay (TutorialProcessor& processor, const juce::File& file)
{
    juce::MemoryBlock bytes;
    ASSERT_TRUE (file.loadFileAsData (bytes)) << file.getFullPathName();
    EXPECT_EQ (tavik::fuzz::checkStateInput (processor, static_cast<const uint8_t*> (bytes.getData()), bytes.getSize()), "")
        << file.getFileName();
}
} // namespace

TEST (StateCorpus, SeedsAndFixturesArePresent)
{
    for (const auto* folder : { TAVIK_FUZZ_SEEDS, TAVIK_FIXTURES })
        EXPECT_GE (juce::File (folder).getNumberOfChildFiles (juce::File::findFiles, "*.bin"), 10) << folder;
}

TEST (StateCorpus, EachInputOnAFreshProcessor)
{
    for (const auto& file : allInputs())
    {
        TutorialProcessor processor;
        replay (processor, file);
    }
}

TEST (StateCorpus, AllInputsInTurnOnOneProcessor)
{
    TutorialProcessor processor;

    for (const auto& file : allInputs())
        replay (processor, file);
}
