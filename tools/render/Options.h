#pragma once

#include <juce_core/juce_core.h>

#include <optional>
#include <stdexcept>

namespace tavik::render
{

/** Why nothing (more) can be rendered; the message is one line. */
struct RenderError : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

/** What the command line asks for, checked for form but not yet against files. */
struct Options
{
    bool showHelp = false;

    std::optional<int> curve;
    std::optional<int> channelMode;
    std::optional<float> gain;

    juce::File input;
    juce::File stateToLoad;
    juce::File stateToSave;
    juce::File plugin;
    juce::File outputDirectory;
    juce::File output;

    /** Neither a curve nor a state file was given: render every curve. */
    bool rendersEveryCurve() const { return ! curve.has_value() && stateToLoad == juce::File(); }
};

/** Parses the arguments after the program name. Throws RenderError. */
Options parseArguments (const juce::StringArray& arguments, const juce::File& workingDirectory);

/** The index of name among names, ignoring case, or nothing. */
std::optional<int> findName (const juce::StringArray& names, const juce::String& name);

juce::String usage();

} // namespace tavik::render
