#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <map>
#include <memory>

/** What every program that hosts the Tavik bundle needs from the framework. */
namespace tavik::host
{

/** Makes Xlib safe for the framework's threads and keeps X protocol errors from
    ending the process. Call first in main, before the framework's GUI initialiser. */
void initialiseX11();

/** The plug-in classes of a VST3 bundle as a host lists them; empty when the path
    holds no loadable VST3 module. */
juce::OwnedArray<juce::PluginDescription> describeVst3 (const juce::File& bundle);

/** Loads the first plug-in class of a VST3 bundle through the framework's VST3
    hosting, synchronously. Call on the message thread. On failure returns null
    and describes the reason in error, without repeating the path. */
std::unique_ptr<juce::AudioPluginInstance> loadVst3 (const juce::File& bundle,
                                                     double sampleRate,
                                                     int blockSize,
                                                     juce::String& error);

/** The hosted parameter whose name is exactly name, or null. A hosted VST3
    plug-in's parameter IDs are the wrapper's numeric IDs, so names are what
    identify the plug-in's own parameters from the host side. */
juce::AudioProcessorParameter* findParameter (juce::AudioProcessor& processor,
                                              const juce::String& name);

/** Sets a hosted parameter to a real value, converted to the normalised value by
    the plug-in's own text conversion, and returns the text that the plug-in
    reports for the value it took. */
juce::String setRealValue (juce::AudioProcessorParameter& parameter, float realValue);

/** The raw parameter values saved in the plug-in's own part of a hosted instance's
    state, by parameter ID; empty if that part holds no Tavik state. */
std::map<juce::String, double> processorValues (juce::AudioPluginInstance& plugin);

} // namespace tavik::host
