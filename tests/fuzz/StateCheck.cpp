#include "tests/fuzz/StateCheck.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <sstream>
#include <vector>

namespace
{
constexpr uint32_t magic = 0x21324356;

uint32_t littleEndianWord (const uint8_t* bytes)
{
    return static_cast<uint32_t> (bytes[0]) | static_cast<uint32_t> (bytes[1]) << 8
         | static_cast<uint32_t> (bytes[2]) << 16 | static_cast<uint32_t> (bytes[3]) << 24;
}

struct Values
{
    float source, satType, gain;

    bool operator== (const Values& other) const
    {
        return std::memcmp (this, &other, sizeof (Values)) == 0;
    }
};

Values valuesOf (TutorialProcessor& processor)
{
    return { processor.sourceParam->load(), processor.satTypeParam->load(), processor.gainParam->load() };
}

std::string describe (const Values& v)
{
    std::ostringstream text;
    text.precision (9);
    text << "source " << v.source << ", satType " << v.satType << ", gain " << v.gain;
    return text.str();
}

std::vector<uint8_t> save (TutorialProcessor& processor)
{
    juce::MemoryBlock block;
    processor.getStateInformation (block);
    const auto* begin = static_cast<const uint8_t*> (block.getData());
    return { begin, begin + block.getSize() };
}

bool isWhole (float value, float last)
{
    return value >= 0.0f && value <= last && std::floor (value) == value;
}

// The gain's grid is every whole multiple of the float interval, computed in float as
// the range snaps, between 0 and 30.
bool isGainOnGrid (float gain)
{
    if (! (gain >= 0.0f && gain <= tavik::params::gainMaximum))
        return false;

    const float steps = std::round (gain / tavik::params::gainInterval);
    return gain == tavik::params::gainInterval * steps || gain == tavik::params::gainMaximum;
}

std::string wellFormedProblem (const std::vector<uint8_t>& saved)
{
    if (saved.size() < 9)
        return "saved state shorter than 9 bytes";
    if (littleEndianWord (saved.data()) != magic)
        return "saved state does not start with the magic";
    if (littleEndianWord (saved.data() + 4) != saved.size() - 9)
        return "saved state's length field is not its size minus 9";
    if (saved.back() != 0)
        return "saved state does not end with a zero byte";
    if (! tavik::fuzz::isAdmissibleState (saved.data(), saved.size()))
        return "saved state would be ignored when loaded";
    return {};
}
// UTF-8 as the standard has it: every sequence complete, in its shortest form, and
// neither a surrogate nor past U+10FFFF.
bool isUtf8 (const uint8_t* bytes, size_t size)
{
    size_t i = 0;

    while (i < size)
    {
        const uint8_t lead = bytes[i];
        const size_t length = lead < 0x80 ? 1 : lead >= 0xc2 && lead <= 0xdf ? 2 : lead >= 0xe0 && lead <= 0xef ? 3 : lead >= 0xf0 && lead <= 0xf4 ? 4 : 0;

        if (length == 0 || size - i < length)
            return false;

        uint32_t codePoint = length == 1 ? lead : lead & (0x7fu >> length);
        for (size_t k = 1; k < length; ++k)
        {
            if ((bytes[i + k] & 0xc0) != 0x80)
                return false;
            codePoint = codePoint << 6 | (bytes[i + k] & 0x3fu);
        }

        const uint32_t shortest[] = { 0, 0, 0x80, 0x800, 0x10000 };
        if (codePoint < shortest[length] || codePoint > 0x10ffff || (codePoint >= 0xd800 && codePoint <= 0xdfff))
            return false;

        i += length;
    }

    return true;
}

// Well-formed XML names each attribute of an element once.
bool hasRepeatedAttribute (const juce::XmlElement& element)
{
    juce::StringArray names;

    for (int i = 0; i < element.getNumAttributes(); ++i)
        if (! names.addIfNotAlreadyThere (element.getAttributeName (i)))
            return true;

    for (const auto* child : element.getChildIterator())
        if (hasRepeatedAttribute (*child))
            return true;

    return false;
}
} // namespace

bool tavik::fuzz::isAdmissibleState (const uint8_t* data, size_t size)
{
    if (size < 9 || size > static_cast<size_t> (std::numeric_limits<int>::max()) || littleEndianWord (data) != magic)
        return false;

    const auto length = static_cast<int32_t> (littleEndianWord (data + 4));

    if (length <= 0)
        return false;

    const auto* text = reinterpret_cast<const char*> (data + 8);
    const auto available = std::min (size - 8, static_cast<size_t> (length));
    const auto textLength = static_cast<size_t> (std::find (text, text + available, '\0') - text);

    if (! isUtf8 (reinterpret_cast<const uint8_t*> (text), textLength))
        return false;

    // A processing instruction after the root element's start is refused: the
    // framework's reader loops for ever on one followed by text.
    const std::string view (text, textLength);
    const auto rootStart = std::find_if (view.begin(), view.end(), [&] (const char& c)
    {
        const auto next = static_cast<size_t> (&c - view.data()) + 1;
        return c == '<' && next < view.size() && view[next] != '?' && view[next] != '!';
    });
    if (rootStart != view.end() && view.find ("<?", static_cast<size_t> (rootStart - view.begin())) != std::string::npos)
        return false;

    // The spaces keep the framework's reader from stepping over the end of a text cut
    // inside an entity reference; they change nothing else.
    const auto root = juce::parseXML (juce::String::fromUTF8 (text, static_cast<int> (textLength)) + "        ");
    return root != nullptr && root->getTagName().equalsIgnoreCase (tavik::params::stateType) && ! hasRepeatedAttribute (*root);
}

std::string tavik::fuzz::checkStateInput (TutorialProcessor& processor, const uint8_t* data, size_t size)
{
    const auto valuesBefore = valuesOf (processor);
    const auto savedBefore = save (processor);

    processor.setStateInformation (data, static_cast<int> (size));

    const auto values = valuesOf (processor);
    const auto saved = save (processor);

    if (! isAdmissibleState (data, size))
    {
        if (! (values == valuesBefore))
            return "ignored input changed the parameters from " + describe (valuesBefore) + " to " + describe (values);
        if (saved != savedBefore)
            return "ignored input changed the saved state";
        return {};
    }

    if (! isWhole (values.source, 2.0f) || ! isWhole (values.satType, 5.0f) || ! isGainOnGrid (values.gain))
        return "loaded parameters off their grid or range: " + describe (values);

    if (const auto problem = wellFormedProblem (saved); ! problem.empty())
        return problem;

    processor.setStateInformation (saved.data(), static_cast<int> (saved.size()));

    if (! (valuesOf (processor) == values))
        return "reloading the saved state changed the parameters from " + describe (values) + " to " + describe (valuesOf (processor));

    return {};
}
