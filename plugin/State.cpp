#include "plugin/TutorialProcessor.h"

#include <cmath>

namespace
{
const juce::Identifier idProperty ("id");
const juce::Identifier valueProperty ("value");

// A "value" that reads as NaN ("nan" is accepted by the number parser) would pass
// through snapping and clamping unchanged; like any other text that is not a number
// it counts as 0.
void replaceNanValues (juce::ValueTree& tree)
{
    for (auto child : tree)
        if (child.hasProperty (valueProperty) && std::isnan (static_cast<double> (child.getProperty (valueProperty))))
            child.setProperty (valueProperty, 0.0, nullptr);
}

// The tree state resets a parameter that has no child in a loaded tree to its
// default. A state from a build that lacked the parameter must leave it where it
// is, so the child is appended here, in ID order, carrying the value in force.
void appendMissingParameters (juce::ValueTree& tree, juce::AudioProcessorValueTreeState& parameters)
{
    juce::StringArray ids;
    for (auto* parameter : parameters.processor.getParameters())
        if (auto* ranged = dynamic_cast<juce::RangedAudioParameter*> (parameter))
            ids.add (ranged->getParameterID());
    ids.sort (false);

    for (const auto& id : ids)
    {
        if (tree.getChildWithProperty (idProperty, id).isValid())
            continue;

        juce::ValueTree child ("PARAM");
        child.setProperty (idProperty, id, nullptr);
        child.setProperty (valueProperty, static_cast<double> (parameters.getRawParameterValue (id)->load()), nullptr);
        tree.appendChild (child, nullptr);
    }
}
} // namespace

void TutorialProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    const auto state = parameters.copyState();

    if (const auto xml = state.createXml())
        copyXmlToBinary (*xml, destData);
}

void TutorialProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    const auto xml = getXmlFromBinary (data, sizeInBytes);

    if (xml == nullptr || ! xml->hasTagName (parameters.state.getType()))
        return;

    auto tree = juce::ValueTree::fromXml (*xml);
    replaceNanValues (tree);
    appendMissingParameters (tree, parameters);
    parameters.replaceState (tree);
}
