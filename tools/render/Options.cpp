#include "tools/render/Options.h"

#include "plugin/Parameters.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace
{
juce::String quotedList (const juce::StringArray& names)
{
    return "\"" + names.joinIntoString ("\", \"") + "\"";
}

float parseGain (const juce::String& text)
{
    const auto utf8 = text.trim().toStdString();
    char* end = nullptr;
    errno = 0;
    const double value = utf8.empty() ? 0.0 : std::strtod (utf8.c_str(), &end);

    if (utf8.empty() || end != utf8.c_str() + utf8.size() || errno == ERANGE || ! std::isfinite (value))
        throw tavik::render::RenderError ("gain \"" + text.toStdString() + "\" is not a number");

    if (value < 0.0 || value > tavik::params::gainMaximum)
        throw tavik::render::RenderError ("gain " + text.toStdString() + " is outside 0 to 30");

    return static_cast<float> (value);
}
} // namespace

std::optional<int> tavik::render::findName (const juce::StringArray& names, const juce::String& name)
{
    const int index = names.indexOf (name.trim(), true);

    if (index < 0)
        return std::nullopt;

    return index;
}

tavik::render::Options tavik::render::parseArguments (const juce::StringArray& arguments,
                                                      const juce::File& workingDirectory)
{
    Options options;
    options.outputDirectory = workingDirectory;

    for (int i = 0; i < arguments.size(); ++i)
    {
        const auto& argument = arguments[i];

        const auto value = [&]() -> juce::String
        {
            if (i + 1 >= arguments.size())
                throw RenderError ("option " + argument.toStdString() + " needs a value");

            return arguments[++i];
        };

        const auto file = [&] { return workingDirectory.getChildFile (value()); };

        if (argument == "-h" || argument == "--help")
        {
            options.showHelp = true;
        }
        else if (argument == "--curve")
        {
            const auto name = value();
            options.curve = findName (params::curveNames(), name);

            if (! options.curve)
                throw RenderError ("unknown curve \"" + name.toStdString() + "\" (expected one of "
                                  + quotedList (params::curveNames()).toStdString() + ")");
        }
        else if (argument == "--mode")
        {
            const auto name = value();
            options.channelMode = findName (params::channelModeNames(), name);

            if (! options.channelMode)
                throw RenderError ("unknown channel mode \"" + name.toStdString() + "\" (expected one of "
                                  + quotedList (params::channelModeNames()).toStdString() + ")");
        }
        else if (argument == "--gain")
        {
            options.gain = parseGain (value());
        }
        else if (argument == "--state")
        {
            options.stateToLoad = file();
        }
        else if (argument == "--save-state")
        {
            options.stateToSave = file();
        }
        else if (argument == "--plugin")
        {
            options.plugin = file();
        }
        else if (argument == "--out-dir")
        {
            options.outputDirectory = file();
        }
        else if (argument == "-o" || argument == "--output")
        {
            options.output = file();
        }
        else if (argument.startsWith ("-"))
        {
            throw RenderError ("unknown option " + argument.toStdString() + " (see --help)");
        }
        else if (options.input != juce::File())
        {
            throw RenderError ("more than one input file given (" + argument.toStdString() + ")");
        }
        else
        {
            options.input = workingDirectory.getChildFile (argument);
        }
    }

    if (options.showHelp)
        return options;

    if (options.rendersEveryCurve() && options.output != juce::File())
        throw RenderError ("-o names a single output: give --curve or --state with it");

    if (options.rendersEveryCurve() && options.stateToSave != juce::File())
        throw RenderError ("--save-state saves a single setting: give --curve or --state with it");

    return options;
}

juce::String tavik::render::usage()
{
    return "Usage: tavik-render [options] [INPUT.wav]\n"
           "\n"
           "Renders a WAV file through the Tavik VST3 plug-in, hosted as a host would load it,\n"
           "and writes the result as a stereo 32-bit float WAV at the input's sample rate.\n"
           "A mono input feeds both channels. Without INPUT.wav a built-in test signal is used\n"
           "(4 s at 48 kHz: a decaying chord, then a 20 Hz to 20 kHz sweep, peak -6 dBFS).\n"
           "Without --curve and --state the input is rendered through every curve into\n"
           "NOSAT.wav, ARCTAN.wav, TANHYP.wav, GAUSS.wav, FRES.wav and CIRC.wav.\n"
           "\n"
           "Options:\n"
           "  --curve NAME       NOSAT, ARCTAN, TANHYP, GAUSS, FRES or CIRC\n"
           "  --mode NAME        \"mono(L)\", \"Stereo L+R\" (default) or \"Linked\"\n"
           "  --gain G           linear gain from 0 to 30, in steps of 0.2 (default 1)\n"
           "  --state FILE       start from a state saved with --save-state; --curve, --mode\n"
           "                     and --gain given as well override its values\n"
           "  --save-state FILE  save the plug-in's state once the parameters are set\n"
           "  -o, --output FILE  output file of a single render (default CURVE.wav in the\n"
           "                     output directory)\n"
           "  --out-dir DIR      output directory (default: the current directory)\n"
           "  --plugin PATH      the Tavik.vst3 bundle (default: the one in the build tree,\n"
           "                     else ~/.vst3/Tavik.vst3)\n"
           "  -h, --help         show this text\n"
           "\n"
           "Curve and mode names are accepted in any letter case.\n"
           "Prints the peak and RMS level of each channel before and after the plug-in.\n"
           "The plug-in itself writes its channel mode number to standard error each time\n"
           "it is prepared for a render.\n";
}
