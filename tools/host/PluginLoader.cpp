#include "tools/host/TavikHost.h"

#include "plugin/Parameters.h"

juce::OwnedArray<juce::PluginDescription> tavik::host::describeVst3 (const juce::File& bundle)
{
    juce::OwnedArray<juce::PluginDescription> descriptions;
    juce::VST3PluginFormat().findAllTypesForFile (descriptions, bundle.getFullPathName());
    return descriptions;
}

std::unique_ptr<juce::AudioPluginInstance> tavik::host::loadVst3 (const juce::File& bundle,
                                                                  double sampleRate,
                                                                  int blockSize,
                                                                  juce::String& error)
{
    if (! bundle.isDirectory() && ! bundle.existsAsFile())
    {
        error = "no such file or directory";
        return {};
    }

    const auto descriptions = describeVst3 (bundle);

    if (descriptions.isEmpty())
    {
        error = "it holds no VST3 plug-in";
        return {};
    }

    juce::AudioPluginFormatManager formats;
    formats.addFormat (new juce::VST3PluginFormat());

    auto instance = formats.createPluginInstance (*descriptions.getFirst(), sampleRate, blockSize, error);

    if (instance == nullptr && error.isEmpty())
        error = "the plug-in could not be created";

    return instance;
}

juce::AudioProcessorParameter* tavik::host::findParameter (juce::AudioProcessor& processor,
                                                          const juce::String& name)
{
    for (auto* parameter : processor.getParameters())
        if (parameter->getName (1024) == name)
            return parameter;

    return nullptr;
}

juce::String tavik::host::setRealValue (juce::AudioProcessorParameter& parameter, float realValue)
{
    const auto normalised = parameter.getValueForText (juce::String (realValue));
    parameter.setValueNotifyingHost (normalised);
    return parameter.getText (parameter.getValue(), 1024);
}

std::map<juce::String, double> tavik::host::processorValues (juce::AudioPluginInstance& plugin)
{
    juce::MemoryBlock hostState;
    plugin.getStateInformation (hostState);

    // The framework's VST3 host wraps the component's state, base64, in its own XML.
    const auto head = juce::AudioProcessor::getXmlFromBinary (hostState.getData(), (int) hostState.getSize());

    if (head == nullptr || head->getChildByName ("IComponent") == nullptr)
        return {};

    juce::MemoryBlock componentState;
    componentState.fromBase64Encoding (head->getChildByName ("IComponent")->getAllSubText());

    const auto tree = juce::AudioProcessor::getXmlFromBinary (componentState.getData(), (int) componentState.getSize());

    if (tree == nullptr || ! tree->hasTagName (tavik::params::stateType))
        return {};

    std::map<juce::String, double> values;

    for (auto* child : tree->getChildWithTagNameIterator ("PARAM"))
        values[child->getStringAttribute ("id")] = child->getDoubleAttribute ("value");

    return values;
}
