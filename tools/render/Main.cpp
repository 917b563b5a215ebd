#include "plugin/Parameters.h"
#include "tools/host/TavikHost.h"
#include "tools/render/Options.h"
#include "tools/render/TestSignal.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <cmath>
#include <iostream>

namespace
{
using tavik::render::RenderError;

constexpr int blockSize = 512;

[[noreturn]] void fail (const juce::String& message)
{
    throw RenderError (message.toStdString());
}

juce::String decibels (float level)
{
    return level > 0.0f ? juce::String (20.0 * std::log10 (static_cast<double> (level)), 2) : juce::String ("-inf");
}

juce::String levels (const juce::AudioBuffer<float>& buffer, int channel)
{
    const int n = buffer.getNumSamples();
    const float peak = n > 0 ? buffer.getMagnitude (channel, 0, n) : 0.0f;
    const float rms = n > 0 ? buffer.getRMSLevel (channel, 0, n) : 0.0f;
    return "peak " + decibels (peak) + " dBFS  RMS " + decibels (rms) + " dBFS";
}

/** The input as two channels, a mono file copied to both. */
juce::AudioBuffer<float> readWav (const juce::File& file, double& sampleRate)
{
    const auto name = file.getFullPathName();

    if (file.isDirectory())
        fail ("input " + name + " is a directory");

    if (! file.existsAsFile())
        fail ("input file " + name + " does not exist");

    auto stream = std::make_unique<juce::FileInputStream> (file);

    if (! stream->openedOk())
        fail ("cannot read input file " + name);

    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatReader> reader (wav.createReaderFor (stream.release(), true));

    if (reader == nullptr)
        fail ("input file " + name + " is not a WAV file");

    if (reader->numChannels < 1 || reader->numChannels > 2)
        fail ("input file " + name + " has " + juce::String (reader->numChannels) + " channels; only mono and stereo are rendered");

    if (reader->lengthInSamples <= 0)
        fail ("input file " + name + " holds no audio");

    if (reader->lengthInSamples > std::numeric_limits<int>::max())
        fail ("input file " + name + " is too long");

    if (! (reader->sampleRate > 0.0))
        fail ("input file " + name + " has no valid sample rate");

    const auto length = static_cast<int> (reader->lengthInSamples);
    juce::AudioBuffer<float> audio (2, length);

    if (! reader->read (&audio, 0, length, 0, true, reader->numChannels > 1))
        fail ("cannot read the audio of " + name);

    if (reader->numChannels == 1)
        audio.copyFrom (1, 0, audio, 0, 0, length);

    sampleRate = reader->sampleRate;
    return audio;
}

juce::MemoryBlock readState (const juce::File& file)
{
    const auto name = file.getFullPathName();
    juce::MemoryBlock state;

    if (! file.existsAsFile() || ! file.loadFileAsData (state))
        fail ("cannot read state file " + name);

    const auto xml = juce::AudioProcessor::getXmlFromBinary (state.getData(), static_cast<int> (state.getSize()));

    if (xml == nullptr || ! xml->hasTagName ("VST3PluginState"))
        fail ("state file " + name + " is not a saved plug-in state");

    return state;
}

juce::File findBundle (const tavik::render::Options& options)
{
    if (options.plugin != juce::File())
    {
        if (! options.plugin.exists())
            fail ("no plug-in bundle at " + options.plugin.getFullPathName());

        return options.plugin;
    }

    const juce::File built (TAVIK_BUILT_BUNDLE);

    if (built.isDirectory())
        return built;

    const auto installed = juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile (".vst3/Tavik.vst3");

    if (installed.isDirectory())
        return installed;

    fail ("no plug-in bundle at " + built.getFullPathName() + " or " + installed.getFullPathName() + " (give --plugin)");
}

/** Writes through a hidden file beside the target, renamed into place only once complete. */
template <typename WriteFunction>
void writeAtomically (const juce::File& target, WriteFunction&& write)
{
    juce::TemporaryFile temporary (target, juce::TemporaryFile::useHiddenFile);

    if (! write (temporary.getFile()) || ! temporary.overwriteTargetFileWithTemporary())
        fail ("cannot write " + target.getFullPathName());
}

void writeWav (const juce::File& target, const juce::AudioBuffer<float>& audio, double sampleRate)
{
    writeAtomically (target, [&] (const juce::File& file)
    {
        auto stream = std::make_unique<juce::FileOutputStream> (file);

        if (! stream->openedOk())
            return false;

        juce::WavAudioFormat wav;
        std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (stream.get(), sampleRate, 2, 32, {}, 0));

        if (writer == nullptr)
            return false;

        stream.release();
        return writer->writeFromAudioSampleBuffer (audio, 0, audio.getNumSamples()) && writer->flush();
    });
}

void checkWritable (const juce::File& target)
{
    if (target.isDirectory())
        fail ("output " + target.getFullPathName() + " is a directory");

    if (! target.getParentDirectory().isDirectory())
        fail ("output directory " + target.getParentDirectory().getFullPathName() + " does not exist");
}

/** The hosted plug-in with its three parameters, each set through the plug-in's own
    value conversion and read back as the plug-in reports it. */
class HostedTavik
{
public:
    HostedTavik (const juce::File& bundle, double sampleRate)
    {
        juce::String error;
        instance = tavik::host::loadVst3 (bundle, sampleRate, blockSize, error);

        if (instance == nullptr)
            fail ("cannot load " + bundle.getFullPathName() + ": " + error);

        source = parameter (tavik::params::sourceName);
        satType = parameter (tavik::params::satTypeName);
        gain = parameter (tavik::params::gainName);
        instance->setNonRealtime (true);
    }

    void loadState (const juce::MemoryBlock& state)
    {
        instance->setStateInformation (state.getData(), static_cast<int> (state.getSize()));
    }

    juce::MemoryBlock saveState()
    {
        juce::MemoryBlock state;
        instance->getStateInformation (state);
        return state;
    }

    void setChoice (juce::AudioProcessorParameter& parameter, int index)
    {
        const auto reported = tavik::host::setRealValue (parameter, static_cast<float> (index));

        if (reported != juce::String (index))
            fail ("the plug-in reports " + parameter.getName (64) + " " + reported + " after being set to " + juce::String (index));
    }

    void setCurve (int curve)       { setChoice (*satType, curve); }
    void setChannelMode (int mode)  { setChoice (*source, mode); }

    void setGain (float value)
    {
        const auto reported = tavik::host::setRealValue (*gain, value);

        if (std::abs (reported.getFloatValue() - value) > 0.5f * tavik::params::gainInterval + 1.0e-4f)
            fail ("the plug-in reports gain " + reported + " after being set to " + juce::String (value));
    }

    int curve() const        { return choice (*satType, tavik::params::curveNames()); }
    int channelMode() const  { return choice (*source, tavik::params::channelModeNames()); }
    juce::String gainText() const { return gain->getText (gain->getValue(), 64); }

    juce::AudioBuffer<float> render (const juce::AudioBuffer<float>& input, double sampleRate)
    {
        juce::AudioBuffer<float> audio (input);
        juce::AudioBuffer<float> block (2, blockSize);
        juce::MidiBuffer midi;

        instance->prepareToPlay (sampleRate, blockSize);

        for (int start = 0; start < audio.getNumSamples(); start += blockSize)
        {
            const int n = juce::jmin (blockSize, audio.getNumSamples() - start);
            block.setSize (2, n, false, false, true);

            for (int channel = 0; channel < 2; ++channel)
                block.copyFrom (channel, 0, audio, channel, start, n);

            midi.clear();
            instance->processBlock (block, midi);

            for (int channel = 0; channel < 2; ++channel)
                audio.copyFrom (channel, start, block, channel, 0, n);
        }

        instance->releaseResources();
        return audio;
    }

private:
    juce::AudioProcessorParameter* parameter (const juce::String& name)
    {
        auto* found = tavik::host::findParameter (*instance, name);

        if (found == nullptr)
            fail ("the hosted plug-in has no parameter \"" + name + "\"");

        return found;
    }

    static int choice (const juce::AudioProcessorParameter& parameter, const juce::StringArray& names)
    {
        const auto text = parameter.getText (parameter.getValue(), 64);
        const int index = text.getIntValue();

        if (! text.containsOnly ("0123456789") || index >= names.size())
            fail ("the plug-in reports an unknown " + parameter.getName (64) + " " + text);

        return index;
    }

    std::unique_ptr<juce::AudioPluginInstance> instance;
    juce::AudioProcessorParameter* source = nullptr;
    juce::AudioProcessorParameter* satType = nullptr;
    juce::AudioProcessorParameter* gain = nullptr;
};

int run (const juce::StringArray& arguments)
{
    using namespace tavik;

    const auto options = render::parseArguments (arguments, juce::File::getCurrentWorkingDirectory());

    if (options.showHelp)
    {
        std::cout << render::usage();
        return 0;
    }

    double sampleRate = render::testSignalSampleRate;
    const auto input = options.input != juce::File() ? readWav (options.input, sampleRate)
                                                     : render::makeTestSignal();

    const auto stateToLoad = options.stateToLoad != juce::File() ? readState (options.stateToLoad)
                                                                 : juce::MemoryBlock();

    if (options.output != juce::File())
        checkWritable (options.output);

    if (options.stateToSave != juce::File())
        checkWritable (options.stateToSave);

    if (options.outputDirectory.existsAsFile())
        fail ("output directory " + options.outputDirectory.getFullPathName() + " is a file");

    HostedTavik tavik (findBundle (options), sampleRate);

    if (! stateToLoad.isEmpty())
        tavik.loadState (stateToLoad);

    // A fresh instance starts at "Stereo L+R" and gain 1, the defaults offered here.
    if (options.channelMode)
        tavik.setChannelMode (*options.channelMode);

    if (options.gain)
        tavik.setGain (*options.gain);

    juce::Array<int> curves;

    if (options.curve)
        curves.add (*options.curve);
    else if (options.rendersEveryCurve())
        for (int curve = 0; curve < params::curveNames().size(); ++curve)
            curves.add (curve);
    else
        curves.add (tavik.curve());

    const auto outputFor = [&] (int curve)
    {
        return options.output != juce::File() ? options.output
                                              : options.outputDirectory.getChildFile (params::curveNames()[curve] + ".wav");
    };

    for (auto curve : curves)
        if (outputFor (curve).isDirectory())
            fail ("output " + outputFor (curve).getFullPathName() + " is a directory");

    if (options.output == juce::File() && ! options.outputDirectory.isDirectory() && ! options.outputDirectory.createDirectory())
        fail ("cannot create output directory " + options.outputDirectory.getFullPathName());

    for (auto curve : curves)
    {
        tavik.setCurve (curve);

        if (options.stateToSave != juce::File())
        {
            const auto state = tavik.saveState();
            writeAtomically (options.stateToSave, [&] (const juce::File& file) { return file.replaceWithData (state.getData(), state.getSize()); });
        }

        const auto target = outputFor (curve);
        const auto output = tavik.render (input, sampleRate);
        writeWav (target, output, sampleRate);

        std::cout << params::curveNames()[curve] << ", " << params::channelModeNames()[tavik.channelMode()]
                  << ", gain " << tavik.gainText() << " -> " << target.getFullPathName() << "\n";

        for (int channel = 0; channel < 2; ++channel)
            std::cout << "  " << (channel == 0 ? "L" : "R") << "  in: " << levels (input, channel)
                      << "   out: " << levels (output, channel) << "\n";
    }

    return 0;
}
} // namespace

int main (int argc, char* argv[])
{
    tavik::host::initialiseX11();
    juce::ScopedJuceInitialiser_GUI framework;

    juce::StringArray arguments;

    for (int i = 1; i < argc; ++i)
        arguments.add (juce::String::fromUTF8 (argv[i]));

    try
    {
        return run (arguments);
    }
    catch (const RenderError& error)
    {
        std::cout.flush();
        std::cerr << "tavik-render: " << error.what() << std::endl;
        return 1;
    }
}
