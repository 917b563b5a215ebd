// tavik-render run as a user runs it, each test in a directory of its own.

#include <juce_audio_formats/juce_audio_formats.h>

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace
{
const char* const curveNames[] = { "NOSAT", "ARCTAN", "TANHYP", "GAUSS", "FRES", "CIRC" };

struct ToolRun
{
    int exitCode = -1;
    juce::StringArray out;
    juce::StringArray err;
};

std::string shellQuoted (const std::string& text)
{
    std::string quoted = "'";

    for (char c : text)
        quoted += c == '\'' ? std::string ("'\\''") : std::string (1, c);

    return quoted + "'";
}

struct Wav
{
    int channels = 0;
    int bitsPerSample = 0;
    bool floatingPoint = false;
    double sampleRate = 0.0;
    juce::AudioBuffer<float> audio;
};

Wav readWav (const juce::File& file)
{
    juce::WavAudioFormat format;
    std::unique_ptr<juce::AudioFormatReader> reader (format.createReaderFor (new juce::FileInputStream (file), true));

    if (reader == nullptr)
        return {};

    Wav wav;
    wav.channels = (int) reader->numChannels;
    wav.bitsPerSample = (int) reader->bitsPerSample;
    wav.floatingPoint = reader->usesFloatingPointData;
    wav.sampleRate = reader->sampleRate;
    wav.audio.setSize (wav.channels, (int) reader->lengthInSamples);
    reader->read (&wav.audio, 0, (int) reader->lengthInSamples, 0, true, true);
    return wav;
}

bool writeWav (const juce::File& file, const juce::AudioBuffer<float>& audio, double sampleRate, int bits)
{
    juce::WavAudioFormat format;
    auto stream = std::make_unique<juce::FileOutputStream> (file);
    std::unique_ptr<juce::AudioFormatWriter> writer (format.createWriterFor (stream.get(), sampleRate, (unsigned int) audio.getNumChannels(), bits, {}, 0));

    if (writer == nullptr)
        return false;

    stream.release();
    return writer->writeFromAudioSampleBuffer (audio, 0, audio.getNumSamples());
}

/** The two level lines that follow the heading of a curve's render. */
juce::StringArray summaryOf (const juce::StringArray& out, const juce::String& curve)
{
    for (int i = 0; i + 2 < out.size(); ++i)
        if (out[i].startsWith (curve + ","))
            return { out[i + 1], out[i + 2] };

    return {};
}

/** The value after the n-th "peak " or "RMS " of a level line. */
float levelAfter (const juce::String& line, const juce::String& word, int occurrence)
{
    int index = -1;

    for (int i = 0; i <= occurrence; ++i)
        index = line.indexOf (index + 1, word + " ");

    return line.substring (index + word.length() + 1).upToFirstOccurrenceOf (" ", false, false).getFloatValue();
}

class RenderTool : public ::testing::Test
{
protected:
    void SetUp() override
    {
        directory = juce::File::getSpecialLocation (juce::File::tempDirectory).getNonexistentChildFile ("tavik-render-test", "");
        ASSERT_TRUE (directory.createDirectory());
    }

    void TearDown() override
    {
        directory.deleteRecursively();
    }

    ToolRun render (const std::vector<std::string>& arguments)
    {
        const auto out = directory.getSiblingFile (directory.getFileName() + ".out");
        const auto err = directory.getSiblingFile (directory.getFileName() + ".err");

        std::string command = "cd " + shellQuoted (directory.getFullPathName().toStdString())
                            + " && exec " + shellQuoted (TAVIK_RENDER);

        for (const auto& argument : arguments)
            command += " " + shellQuoted (argument);

        command += " >" + shellQuoted (out.getFullPathName().toStdString())
                 + " 2>" + shellQuoted (err.getFullPathName().toStdString());

        const int status = std::system (command.c_str());

        ToolRun result;
        result.exitCode = WIFEXITED (status) ? WEXITSTATUS (status) : -1;
        result.out.addLines (out.loadFileAsString());
        result.err.addLines (err.loadFileAsString());
        result.out.removeEmptyStrings();
        result.err.removeEmptyStrings();
        out.deleteFile();
        err.deleteFile();
        return result;
    }

    juce::StringArray filesInDirectory() const
    {
        juce::StringArray names;

        for (const auto& entry : juce::RangedDirectoryIterator (directory, false, "*", juce::File::findFilesAndDirectories | juce::File::ignoreHiddenFiles))
            names.add (entry.getFile().getFileName());

        for (const auto& entry : juce::RangedDirectoryIterator (directory, false, ".*", juce::File::findFilesAndDirectories))
            names.add (entry.getFile().getFileName());

        names.sort (false);
        return names;
    }

    juce::File directory;
};

TEST_F (RenderTool, WithoutArgumentsRendersTheTestSignalThroughEveryCurve)
{
    const auto result = render ({});
    ASSERT_EQ (result.exitCode, 0) << result.err.joinIntoString ("\n");

    juce::StringArray expectedFiles;

    for (auto* curve : curveNames)
        expectedFiles.add (juce::String (curve) + ".wav");

    expectedFiles.sort (false);
    EXPECT_EQ (filesInDirectory(), expectedFiles);

    for (auto* curve : curveNames)
    {
        SCOPED_TRACE (curve);
        const auto wav = readWav (directory.getChildFile (juce::String (curve) + ".wav"));
        EXPECT_EQ (wav.channels, 2);
        EXPECT_EQ (wav.bitsPerSample, 32);
        EXPECT_TRUE (wav.floatingPoint);
        EXPECT_EQ (wav.sampleRate, 48000.0);
        EXPECT_NEAR (wav.audio.getNumSamples(), 4 * 48000, 48000 / 2);

        const auto summary = summaryOf (result.out, curve);
        ASSERT_EQ (summary.size(), 2) << result.out.joinIntoString ("\n");
        EXPECT_TRUE (summary[0].trim().startsWith ("L")) << summary[0];
        EXPECT_TRUE (summary[1].trim().startsWith ("R")) << summary[1];

        for (const auto& line : summary)
            EXPECT_NEAR (levelAfter (line, "peak", 0), -6.0f, 0.5f) << line;
    }

    for (const auto& line : summaryOf (result.out, "NOSAT"))
    {
        EXPECT_EQ (levelAfter (line, "peak", 0), levelAfter (line, "peak", 1)) << line;
        EXPECT_EQ (levelAfter (line, "RMS", 0), levelAfter (line, "RMS", 1)) << line;
    }

    const auto left = summaryOf (result.out, "NOSAT")[0];
    const auto right = summaryOf (result.out, "NOSAT")[1];
    EXPECT_NE (left.fromFirstOccurrenceOf ("in:", false, false), right.fromFirstOccurrenceOf ("in:", false, false))
        << "the test signal's channels should differ";
}

TEST_F (RenderTool, HyperbolicTangentKeepsAHighGainWithinFullScale)
{
    const auto result = render ({ "--curve", "TANHYP", "--gain", "4" });
    ASSERT_EQ (result.exitCode, 0) << result.err.joinIntoString ("\n");
    EXPECT_EQ (filesInDirectory(), juce::StringArray ("TANHYP.wav"));

    ASSERT_FALSE (result.out.isEmpty());
    EXPECT_TRUE (result.out[0].startsWith ("TANHYP, Stereo L+R, gain 4.0")) << result.out[0];

    const auto wav = readWav (directory.getChildFile ("TANHYP.wav"));
    ASSERT_EQ (wav.channels, 2);
    EXPECT_LE (wav.audio.getMagnitude (0, wav.audio.getNumSamples()), 1.0f);

    for (const auto& line : summaryOf (result.out, "TANHYP"))
        EXPECT_LE (levelAfter (line, "peak", 1), 0.0f) << line;
}

TEST_F (RenderTool, MonoInputFeedsBothChannelsAtItsOwnRate)
{
    juce::AudioBuffer<float> mono (1, 1000);

    for (int i = 0; i < mono.getNumSamples(); ++i)
        mono.setSample (0, i, 0.4f * std::sin (0.05f * (float) i));

    ASSERT_TRUE (writeWav (directory.getChildFile ("mono.wav"), mono, 22050.0, 32));

    struct Case
    {
        const char* curve;
        bool unshaped;
    };

    for (const auto& c : { Case { "NOSAT", true }, Case { "GAUSS", false } })
    {
        SCOPED_TRACE (c.curve);
        const auto result = render ({ "--curve", c.curve, "mono.wav", "-o", "out.wav" });
        ASSERT_EQ (result.exitCode, 0) << result.err.joinIntoString ("\n");

        const auto wav = readWav (directory.getChildFile ("out.wav"));
        ASSERT_EQ (wav.channels, 2);
        EXPECT_EQ (wav.sampleRate, 22050.0);
        EXPECT_TRUE (wav.floatingPoint);
        ASSERT_EQ (wav.audio.getNumSamples(), mono.getNumSamples());

        for (int i = 0; i < mono.getNumSamples(); ++i)
        {
            ASSERT_EQ (wav.audio.getSample (0, i), wav.audio.getSample (1, i)) << "sample " << i;

            if (c.unshaped)
            {
                ASSERT_EQ (wav.audio.getSample (0, i), mono.getSample (0, i)) << "sample " << i;
            }
        }
    }
}

TEST_F (RenderTool, SavedStateRendersTheSameAsTheSettingsThatMadeIt)
{
    const auto saving = render ({ "--curve", "fres", "--mode", "linked", "--gain", "2.4", "--save-state", "my.state", "-o", "a.wav" });
    ASSERT_EQ (saving.exitCode, 0) << saving.err.joinIntoString ("\n");

    const auto loading = render ({ "--state", "my.state", "-o", "b.wav" });
    ASSERT_EQ (loading.exitCode, 0) << loading.err.joinIntoString ("\n");
    ASSERT_FALSE (loading.out.isEmpty());
    EXPECT_TRUE (loading.out[0].startsWith ("FRES, Linked, gain 2.4")) << loading.out[0];

    const auto a = readWav (directory.getChildFile ("a.wav"));
    const auto b = readWav (directory.getChildFile ("b.wav"));
    ASSERT_EQ (a.audio.getNumSamples(), b.audio.getNumSamples());

    for (int channel = 0; channel < 2; ++channel)
        for (int i = 0; i < a.audio.getNumSamples(); ++i)
            ASSERT_EQ (a.audio.getSample (channel, i), b.audio.getSample (channel, i)) << "channel " << channel << " sample " << i;
}

TEST_F (RenderTool, HelpDescribesTheOptions)
{
    const auto result = render ({ "--help" });
    EXPECT_EQ (result.exitCode, 0);
    EXPECT_TRUE (result.err.isEmpty());

    const auto text = result.out.joinIntoString ("\n");
    EXPECT_TRUE (text.startsWith ("Usage: tavik-render"));

    for (auto* option : { "--curve", "--mode", "--gain", "--state", "--save-state", "--plugin", "--out-dir", "-o" })
        EXPECT_TRUE (text.contains (option)) << option;

    EXPECT_TRUE (filesInDirectory().isEmpty());
}

TEST_F (RenderTool, RefusesBadArgumentsWithOneLineAndNoOutput)
{
    juce::AudioBuffer<float> stereo (2, 100);
    stereo.clear();
    ASSERT_TRUE (writeWav (directory.getChildFile ("good.wav"), stereo, 44100.0, 16));
    ASSERT_TRUE (directory.getChildFile ("text.wav").replaceWithText ("not a RIFF file\n"));
    ASSERT_TRUE (directory.getChildFile ("text.state").replaceWithText ("not a state\n"));
    ASSERT_TRUE (directory.getChildFile ("folder.wav").createDirectory());

    const auto before = filesInDirectory();

    const std::vector<std::vector<std::string>> cases = {
        { "--curve", "LOUD" },
        { "--curve", "" },
        { "--mode", "Surround" },
        { "--curve", "NOSAT", "--mode", "stereo" },
        { "--gain", "30.2" },
        { "--gain", "-0.2" },
        { "--gain", "loud" },
        { "--gain", "4x" },
        { "--gain", "nan" },
        { "--gain" },
        { "missing.wav" },
        { "text.wav" },
        { "folder.wav" },
        { "--curve", "NOSAT", "good.wav", "other.wav" },
        { "--state", "text.state" },
        { "--state", "missing.state" },
        { "--plugin", "Nowhere.vst3" },
        { "--plugin", "good.wav" },
        { "--loud" },
        { "-o", "single.wav" },
        { "--save-state", "all.state" },
        { "--curve", "NOSAT", "-o", "no/such/dir/out.wav" },
        { "--curve", "NOSAT", "good.wav", "-o", "folder.wav" },
    };

    for (const auto& arguments : cases)
    {
        std::string shown;

        for (const auto& argument : arguments)
            shown += " " + shellQuoted (argument);

        SCOPED_TRACE ("tavik-render" + shown);
        const auto result = render (arguments);

        EXPECT_NE (result.exitCode, 0);
        ASSERT_EQ (result.err.size(), 1) << result.err.joinIntoString ("\n");
        EXPECT_TRUE (result.err[0].startsWith ("tavik-render: ")) << result.err[0];
        EXPECT_TRUE (result.out.isEmpty()) << result.out.joinIntoString ("\n");
        EXPECT_EQ (filesInDirectory(), before);
    }
}
} // namespace
