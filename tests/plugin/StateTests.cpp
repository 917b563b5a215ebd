#include "plugin/TutorialProcessor.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace
{
using Bytes = std::vector<uint8_t>;

const std::string declaration = R"(<?xml version="1.0" encoding="UTF-8"?>)";

// The persisted block, built by hand: magic "VC2!", the text length as unsigned
// little-endian, the text, a terminating zero.
Bytes block (const std::string& text, int64_t lengthField = -1)
{
    const auto length = static_cast<uint32_t> (lengthField < 0 ? static_cast<int64_t> (text.size()) : lengthField);
    Bytes bytes { 0x56, 0x43, 0x32, 0x21 };
    for (int i = 0; i < 4; ++i)
        bytes.push_back (static_cast<uint8_t> (length >> (8 * i)));
    bytes.insert (bytes.end(), text.begin(), text.end());
    bytes.push_back (0);
    return bytes;
}

Bytes stateXml (const std::string& root) { return block (declaration + " " + root); }

Bytes save (TutorialProcessor& p)
{
    juce::MemoryBlock data;
    p.getStateInformation (data);
    const auto* begin = static_cast<const uint8_t*> (data.getData());
    return { begin, begin + data.getSize() };
}

void load (TutorialProcessor& p, const Bytes& bytes)
{
    p.setStateInformation (bytes.data(), static_cast<int> (bytes.size()));
}

std::string textOf (const Bytes& saved)
{
    return { saved.begin() + 8, saved.end() - 1 };
}

void setReal (TutorialProcessor& p, const char* id, float value)
{
    auto* param = p.parameters.getParameter (id);
    param->setValueNotifyingHost (param->convertTo0to1 (value));
}

struct Values
{
    float source, satType, gain;
};

Values valuesOf (TutorialProcessor& p)
{
    return { p.sourceParam->load(), p.satTypeParam->load(), p.gainParam->load() };
}

void expectValues (TutorialProcessor& p, Values expected)
{
    const auto v = valuesOf (p);
    EXPECT_FLOAT_EQ (v.source, expected.source);
    EXPECT_FLOAT_EQ (v.satType, expected.satType);
    EXPECT_FLOAT_EQ (v.gain, expected.gain);
}

// A processor moved off its defaults, so that a load that changes nothing shows.
void setNonDefault (TutorialProcessor& p)
{
    setReal (p, "source", 2.0f);
    setReal (p, "satType", 4.0f);
    setReal (p, "gain", 7.4f);
}

constexpr Values nonDefault { 2.0f, 4.0f, 7.4f };
} // namespace

TEST (StateSave, FreshInstanceBytesExactly)
{
    TutorialProcessor p;
    const auto saved = save (p);
    const Bytes expected = stateXml (R"(<Tavik><PARAM id="gain" value="1.0"/><PARAM id="satType" value="1.0"/>)"
                                     R"(<PARAM id="source" value="1.0"/></Tavik>)");
    EXPECT_EQ (saved, expected);
    ASSERT_GE (saved.size(), 9u);
    EXPECT_EQ (saved.size(), 9 + (saved[4] | saved[5] << 8 | saved[6] << 16 | saved[7] << 24));
    EXPECT_EQ (saved.back(), 0);
}

TEST (StateSave, ReplacesTheWholeDestinationAndWritesValuesThatReadBack)
{
    TutorialProcessor p;
    setReal (p, "gain", 2.2f);
    setReal (p, "source", 0.0f);

    juce::MemoryBlock data;
    data.setSize (4096, true);
    p.getStateInformation (data);
    const auto* bytes = static_cast<const uint8_t*> (data.getData());
    const std::string text (bytes + 8, bytes + data.getSize() - 1);
    EXPECT_EQ (data.getSize(), text.size() + 9);
    EXPECT_EQ (text, declaration + R"( <Tavik><PARAM id="gain" value="2.200000047683716"/><PARAM id="satType" value="1.0"/>)"
                                   R"(<PARAM id="source" value="0.0"/></Tavik>)");
    EXPECT_EQ (text.find ('\n'), std::string::npos);
}

TEST (StateLoad, RejectedInputsChangeNothing)
{
    const auto good = stateXml (R"(<Tavik><PARAM id="gain" value="3.0"/><PARAM id="satType" value="0.0"/><PARAM id="source" value="0.0"/></Tavik>)");
    const std::string goodText (good.begin() + 8, good.end() - 1);

    auto withByte = [] (Bytes b, size_t index, uint8_t value) { b[index] = value; return b; };

    struct Case { const char* what; Bytes bytes; int sizeOverride; };
    const std::vector<Case> cases = {
        { "empty", {}, -1 },
        { "exactly 8 bytes", Bytes (good.begin(), good.begin() + 8), -1 },
        { "negative size", good, -5 },
        { "first 4 bytes not the magic", withByte (good, 0, 0x57), -1 },
        { "magic in big-endian order", withByte (withByte (withByte (withByte (good, 0, 0x21), 1, 0x32), 2, 0x43), 3, 0x56), -1 },
        { "length 0", block (goodText, 0), -1 },
        { "negative length", block (goodText, 0xFFFFFFFF), -1 },
        { "length cuts the text before the end tag", block (goodText, static_cast<int64_t> (goodText.size() - std::string ("</Tavik>").size())), -1 },
        { "text starting with a zero byte", withByte (good, 8, 0), -1 },
        { "not XML", block ("just some words"), -1 },
        { "unterminated element", block (declaration + " <Tavik><PARAM id=\"gain\" value=\"3.0\"/>"), -1 },
        { "root tag not Tavik", stateXml (R"(<Other><PARAM id="gain" value="3.0"/></Other>)"), -1 },
        { "root tag longer", stateXml (R"(<TavikX><PARAM id="gain" value="3.0"/></TavikX>)"), -1 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        TutorialProcessor p;
        setNonDefault (p);
        const auto before = save (p);

        const int size = c.sizeOverride != -1 ? c.sizeOverride : static_cast<int> (c.bytes.size());
        p.setStateInformation (c.bytes.empty() ? nullptr : c.bytes.data(), size);

        expectValues (p, nonDefault);
        EXPECT_EQ (save (p), before);
    }
}

TEST (StateLoad, AcceptedInputsReconnectSnapAndClamp)
{
    struct Case { const char* what; std::string root; Values expected; };
    const std::vector<Case> cases = {
        { "all three", R"(<Tavik><PARAM id="gain" value="3.0"/><PARAM id="satType" value="5.0"/><PARAM id="source" value="0.0"/></Tavik>)", { 0, 5, 3 } },
        { "root tag in lower case", R"(<tavik><PARAM id="gain" value="3.0"/></tavik>)", { 2, 4, 3 } },
        { "root tag in upper case", R"(<TAVIK><PARAM id="source" value="1.0"/></TAVIK>)", { 1, 4, 7.4f } },
        { "gain without value takes its default", R"(<Tavik><PARAM id="gain"/></Tavik>)", { 2, 4, 1 } },
        { "source beyond its range", R"(<Tavik><PARAM id="source" value="7"/></Tavik>)", { 2, 4, 7.4f } },
        { "gain off the grid", R"(<Tavik><PARAM id="gain" value="0.31"/></Tavik>)", { 2, 4, 0.4f } },
        { "gain below the range", R"(<Tavik><PARAM id="gain" value="-3"/></Tavik>)", { 2, 4, 0 } },
        { "satType halfway rounds up", R"(<Tavik><PARAM id="satType" value="2.5"/></Tavik>)", { 2, 3, 7.4f } },
        { "value text not a number", R"(<Tavik><PARAM id="gain" value="loud"/><PARAM id="source" value="x1"/></Tavik>)", { 0, 4, 0 } },
        { "value nan counts as not a number", R"(<Tavik><PARAM id="gain" value="nan"/><PARAM id="satType" value="NaN"/></Tavik>)", { 2, 0, 0 } },
        { "infinite values clamp", R"(<Tavik><PARAM id="gain" value="inf"/><PARAM id="source" value="-inf"/></Tavik>)", { 0, 4, 30 } },
        { "exponents beyond any double", R"(<Tavik><PARAM id="gain" value="1e3961853027"/><PARAM id="source" value="5e-3961853027"/></Tavik>)", { 0, 4, 30 } },
        { "numbers beyond any double without exponent", "<Tavik><PARAM id=\"gain\" value=\"-1" + std::string (400, '0') + "\"/><PARAM id=\"satType\" value=\"0." + std::string (400, '0') + "3\"/></Tavik>", { 2, 0, 0 } },
        { "white space, signs and trailing text", R"(<Tavik><PARAM id="gain" value="  +2.4dB"/><PARAM id="satType" value=" 3abc"/></Tavik>)", { 2, 3, 2.4f } },
        { "unknown ids and children without id change nothing", R"(<Tavik><PARAM id="drive" value="9"/><PARAM value="3"/></Tavik>)", { 2, 4, 7.4f } },
        { "no children at all", R"(<Tavik/>)", { 2, 4, 7.4f } },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        TutorialProcessor p;
        setNonDefault (p);
        load (p, stateXml (c.root));
        expectValues (p, c.expected);
    }
}

TEST (StateLoad, LengthFieldLargerThanTheDataIsCutToTheDataPresent)
{
    const std::string text = declaration + R"( <Tavik><PARAM id="gain" value="3.0"/></Tavik>)";
    TutorialProcessor p;
    load (p, block (text, 1000000));
    EXPECT_FLOAT_EQ (p.gainParam->load(), 3.0f);

    // No terminator and a length far beyond the data: still read only what is there.
    TutorialProcessor q;
    auto unterminated = block (text, 0x7FFFFFFF);
    unterminated.pop_back();
    load (q, unterminated);
    EXPECT_FLOAT_EQ (q.gainParam->load(), 3.0f);
}

TEST (StateLoad, ZeroByteInsideTheTextEndsIt)
{
    TutorialProcessor p;
    setNonDefault (p);
    auto bytes = stateXml (R"(<Tavik><PARAM id="gain" value="3.0"/></Tavik>)");
    const auto rootEnd = bytes.size() - 1 - std::string ("</Tavik>").size();
    bytes[rootEnd] = 0; // the end tag is lost: does not parse
    load (p, bytes);
    expectValues (p, nonDefault);
}

TEST (StateLoad, MissingChildKeepsItsValueAndIsAppendedAfterTheOthers)
{
    TutorialProcessor p;
    setNonDefault (p);
    load (p, stateXml (R"(<Tavik><PARAM id="source" value="0.0"/><PARAM id="gain" value="3.0"/></Tavik>)"));
    expectValues (p, { 0, 4, 3 });

    EXPECT_EQ (textOf (save (p)), declaration + R"( <Tavik><PARAM id="source" value="0.0"/><PARAM id="gain" value="3.0"/>)"
                                                R"(<PARAM id="satType" value="4.0"/></Tavik>)");

    setReal (p, "satType", 2.0f);
    EXPECT_EQ (textOf (save (p)), declaration + R"( <Tavik><PARAM id="source" value="0.0"/><PARAM id="gain" value="3.0"/>)"
                                                R"(<PARAM id="satType" value="2.0"/></Tavik>)");
}

TEST (StateLoad, UnknownChildrenAreKeptAndWrittenOutAgain)
{
    TutorialProcessor p;
    load (p, stateXml (R"(<Tavik><PARAM id="drive" value="9"/><PARAM id="gain" value="3.0"/><PARAM id="satType" value="1.0"/><PARAM id="source" value="1.0"/></Tavik>)"));
    EXPECT_FLOAT_EQ (p.gainParam->load(), 3.0f);
    EXPECT_EQ (textOf (save (p)), declaration + R"( <Tavik><PARAM id="drive" value="9"/><PARAM id="gain" value="3.0"/>)"
                                                R"(<PARAM id="satType" value="1.0"/><PARAM id="source" value="1.0"/></Tavik>)");
}

TEST (StateRoundTrip, FreshInstanceGetsTheValuesBackSnapped)
{
    struct Case { Values set, expected; };
    const Case cases[] = {
        { { 0, 0, 0 }, { 0, 0, 0 } },
        { { 2, 5, 30 }, { 2, 5, 30 } },
        { { 1, 3, 2.23f }, { 1, 3, 2.2f } },
        { { 2, 4, 17.75f }, { 2, 4, 17.8f } },
    };
    for (const auto& c : cases)
    {
        TutorialProcessor original;
        setReal (original, "source", c.set.source);
        setReal (original, "satType", c.set.satType);
        setReal (original, "gain", c.set.gain);
        expectValues (original, c.expected);
        const auto saved = save (original);

        TutorialProcessor restored;
        load (restored, saved);
        expectValues (restored, c.expected);
        EXPECT_EQ (save (restored), saved);
    }
}
