// Saved states written by earlier builds must load to the same values in every later
// build. The fixtures are committed bytes; the values they stand for are listed here.

#include "plugin/TutorialProcessor.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>

namespace
{
const juce::File fixtures (TAVIK_FIXTURES);

struct Values
{
    float source, satType, gain;
};

struct Fixture
{
    const char* file;
    // A parameter that the state lacks keeps the value it had before the load.
    std::optional<float> source, satType, gain;
};

const Fixture table[] = {
    { "defaults.bin", 1, 1, 1 },
    { "mono-nosat-gain0.0.bin", 0, 0, 0 },
    { "mono-arctan-gain0.2.bin", 0, 1, 0.2f },
    { "mono-tanhyp-gain1.0.bin", 0, 2, 1 },
    { "mono-gauss-gain2.2.bin", 0, 3, 2.2f },
    { "mono-fres-gain7.4.bin", 0, 4, 7.4f },
    { "mono-circ-gain12.6.bin", 0, 5, 12.6f },
    { "stereo-nosat-gain19.8.bin", 1, 0, 19.8f },
    { "stereo-arctan-gain25.4.bin", 1, 1, 25.4f },
    { "stereo-tanhyp-gain30.0.bin", 1, 2, 30 },
    { "stereo-gauss-gain0.0.bin", 1, 3, 0 },
    { "stereo-fres-gain0.2.bin", 1, 4, 0.2f },
    { "stereo-circ-gain1.0.bin", 1, 5, 1 },
    { "linked-nosat-gain2.2.bin", 2, 0, 2.2f },
    { "linked-arctan-gain7.4.bin", 2, 1, 7.4f },
    { "linked-tanhyp-gain12.6.bin", 2, 2, 12.6f },
    { "linked-gauss-gain19.8.bin", 2, 3, 19.8f },
    { "linked-fres-gain25.4.bin", 2, 4, 25.4f },
    { "linked-circ-gain30.0.bin", 2, 5, 30 },
    { "unknown-children.bin", 2, 3, 12.6f },
    { "lacking-satType.bin", 0, std::nullopt, 5.6f },
    { "lower-case-root.bin", 1, 5, 19.8f },
};

// Two starting points that differ from each other in every parameter, so that a
// load which changes nothing, or resets to the defaults, cannot pass from both.
constexpr Values starts[] = { { 0, 5, 29.8f }, { 2, 0, 0.4f } };

void setReal (TutorialProcessor& processor, const char* id, float value)
{
    auto* parameter = processor.parameters.getParameter (id);
    parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));
}

void load (TutorialProcessor& processor, const juce::MemoryBlock& bytes)
{
    processor.setStateInformation (bytes.getData(), static_cast<int> (bytes.getSize()));
}

juce::MemoryBlock read (const char* file)
{
    juce::MemoryBlock bytes;
    EXPECT_TRUE (fixtures.getChildFile (file).loadFileAsData (bytes)) << file;
    return bytes;
}
} // namespace

TEST (StateFixtures, EveryFixtureLoadsToItsValues)
{
    for (const auto& fixture : table)
    {
        const auto bytes = read (fixture.file);

        for (const auto& start : starts)
        {
            SCOPED_TRACE (juce::String (fixture.file) + " over source " + juce::String (start.source));
            TutorialProcessor processor;
            setReal (processor, "source", start.source);
            setReal (processor, "satType", start.satType);
            setReal (processor, "gain", start.gain);

            load (processor, bytes);

            EXPECT_FLOAT_EQ (processor.sourceParam->load(), fixture.source.value_or (start.source));
            EXPECT_FLOAT_EQ (processor.satTypeParam->load(), fixture.satType.value_or (start.satType));
            EXPECT_FLOAT_EQ (processor.gainParam->load(), fixture.gain.value_or (start.gain));
        }
    }
}

TEST (StateFixtures, EveryFixtureInTheFolderIsInTheTable)
{
    std::set<juce::String> listed;
    for (const auto& fixture : table)
        listed.insert (fixture.file);

    const auto files = fixtures.findChildFiles (juce::File::findFiles, false, "*.bin");
    EXPECT_EQ (files.size(), static_cast<int> (listed.size()));

    for (const auto& file : files)
        EXPECT_EQ (listed.count (file.getFileName()), 1u) << file.getFileName();
}

TEST (StateFixtures, UnknownChildrenSurviveTheNextSave)
{
    TutorialProcessor processor;
    load (processor, read ("unknown-children.bin"));

    juce::MemoryBlock saved;
    processor.getStateInformation (saved);
    const auto xml = juce::AudioProcessor::getXmlFromBinary (saved.getData(), static_cast<int> (saved.getSize()));
    ASSERT_NE (xml, nullptr);

    const auto* drive = xml->getChildByAttribute ("id", "drive");
    ASSERT_NE (drive, nullptr);
    EXPECT_EQ (drive->getDoubleAttribute ("value"), 9.0);
    ASSERT_NE (xml->getChildByName ("EXTRA"), nullptr);
    EXPECT_EQ (xml->getChildByName ("EXTRA")->getStringAttribute ("note"), "from a later build");
}
