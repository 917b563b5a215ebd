#include "plugin/TutorialProcessor.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <cstring>
#include <set>
#include <string_view>

namespace
{
const juce::Identifier idProperty ("id");
const juce::Identifier valueProperty ("value");

// Reads a "value" as the framework's reader would (leading white space and a sign,
// then the longest number; text that is no number reads as 0), but safely: the
// framework's reader overflows an int on an exponent of ten digits or more. Beyond
// the range of a double a value is infinite or zero, which the parameter's range
// then clamps. NaN ("nan" is a number to both readers) would pass through snapping
// and clamping unchanged; like any other text that is not a number it counts as 0.
double readValue (const juce::String& text)
{
    const auto utf8 = text.trimStart().toStdString();
    const char* begin = utf8.data();
    const char* const end = begin + utf8.size();

    const bool negative = begin != end && *begin == '-';
    if (begin != end && (*begin == '-' || *begin == '+'))
        ++begin;

    double value = 0.0;
    const auto [stop, error] = std::from_chars (begin, end, value);

    if (error == std::errc::result_out_of_range)
    {
        // Too large if its exponent (or, without one, its integer part) says so.
        const std::string_view number (begin, static_cast<size_t> (stop - begin));
        const auto e = number.find_first_of ("eE");
        const bool large = e != std::string_view::npos ? (e + 1 < number.size() && number[e + 1] != '-')
                                                       : number.find_first_of ("123456789") < number.find ('.');
        value = large ? std::numeric_limits<double>::infinity() : 0.0;
    }
    else if (error != std::errc() || std::isnan (value))
    {
        value = 0.0;
    }

    return negative ? -value : value;
}

// Gives every parameter's "value" as a number, so that the framework never reads the
// text itself. Children that name no parameter are kept as they are.
void readValues (juce::ValueTree& tree, juce::AudioProcessorValueTreeState& parameters)
{
    for (auto child : tree)
        if (child.hasProperty (valueProperty) && parameters.getParameter (child.getProperty (idProperty).toString()) != nullptr)
            child.setProperty (valueProperty, readValue (child.getProperty (valueProperty).toString()), nullptr);
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

// XML allows an attribute once per element, but the framework's reader keeps every
// copy: the tree would read the first and the next save write the last, so the
// project would not reopen as it was loaded.
bool hasRepeatedProperty (const juce::ValueTree& tree)
{
    std::set<juce::String> names;

    for (int i = 0; i < tree.getNumProperties(); ++i)
        if (! names.insert (tree.getPropertyName (i).toString()).second)
            return true;

    for (const auto& child : tree)
        if (hasRepeatedProperty (child))
            return true;

    return false;
}

// Strict UTF-8 up to the first zero byte: no overlong forms, surrogates or code
// points past U+10FFFF. The framework's reader decodes those into characters that
// its writer cannot write back.
bool isStrictUtf8 (const char* text, int size)
{
    const auto* bytes = reinterpret_cast<const juce::uint8*> (text);

    for (int i = 0; i < size && bytes[i] != 0;)
    {
        const auto lead = bytes[i];
        int extra = 0;
        juce::uint32 lowest = 0, codePoint = lead;

        if (lead >= 0x80)
        {
            if ((lead & 0xe0) == 0xc0)      { extra = 1; lowest = 0x80;    codePoint = lead & 0x1fu; }
            else if ((lead & 0xf0) == 0xe0) { extra = 2; lowest = 0x800;   codePoint = lead & 0x0fu; }
            else if ((lead & 0xf8) == 0xf0) { extra = 3; lowest = 0x10000; codePoint = lead & 0x07u; }
            else                            return false;

            if (size - i - 1 < extra)
                return false;

            for (int k = 1; k <= extra; ++k)
            {
                if ((bytes[i + k] & 0xc0) != 0x80)
                    return false;

                codePoint = (codePoint << 6) | (bytes[i + k] & 0x3fu);
            }

            if (codePoint < lowest || codePoint > 0x10ffff || (codePoint >= 0xd800 && codePoint <= 0xdfff))
                return false;
        }

        i += 1 + extra;
    }

    return true;
}

// The framework's reader never gets past a processing instruction inside the root
// element when text follows it: it loops for ever. No state holds one.
bool hasInstructionInsideRoot (const char* text, int size)
{
    const std::string_view view (text, ::strnlen (text, static_cast<size_t> (size)));

    for (auto i = view.find ('<'); i != std::string_view::npos; i = view.find ('<', i + 1))
        if (i + 1 < view.size() && view[i + 1] != '?' && view[i + 1] != '!')
            return view.find ("<?", i) != std::string_view::npos;

    return false;
}

// The persisted block: magic, text length, text. The framework's XML reader trusts
// its text: a malformed UTF-8 sequence, or an entity reference cut off by the end of
// the text, makes it step over the terminating zero and read on. So the text must be
// strict UTF-8, and it is parsed with spaces after it for the reader to stop on; they
// are insignificant after the root element and complete nothing cut inside it.
std::unique_ptr<juce::XmlElement> parseStateText (const void* data, int sizeInBytes)
{
    constexpr juce::uint32 magic = 0x21324356;

    if (sizeInBytes <= 8 || juce::ByteOrder::littleEndianInt (data) != magic)
        return {};

    const auto length = static_cast<int> (juce::ByteOrder::littleEndianInt (juce::addBytesToPointer (data, 4)));

    if (length <= 0)
        return {};

    const auto* text = static_cast<const char*> (data) + 8;
    const auto textSize = juce::jmin (sizeInBytes - 8, length);

    if (! isStrictUtf8 (text, textSize) || hasInstructionInsideRoot (text, textSize))
        return {};

    return juce::parseXML (juce::String::fromUTF8 (text, textSize) + "        ");
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
    const auto xml = parseStateText (data, sizeInBytes);

    if (xml == nullptr || ! xml->hasTagName (parameters.state.getType()))
        return;

    auto tree = juce::ValueTree::fromXml (*xml);

    if (hasRepeatedProperty (tree))
        return;

    readValues (tree, parameters);
    appendMissingParameters (tree, parameters);
    parameters.replaceState (tree);
}
