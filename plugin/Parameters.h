#pragma once

#include <juce_core/juce_core.h>

/** IDs, names and choice texts of the plug-in's three parameters. */
namespace tavik::params
{
inline constexpr const char* sourceId = "source";
inline constexpr const char* satTypeId = "satType";
inline constexpr const char* gainId = "gain";

inline constexpr const char* sourceName = "Source";
inline constexpr const char* satTypeName = "SatType";
inline constexpr const char* gainName = "Gain";

/** The tree type of the parameter tree, and the root tag of the saved state. */
inline constexpr const char* stateType = "Tavik";

inline constexpr float gainMaximum = 30.0f;
inline constexpr float gainInterval = 0.2f;
inline constexpr float gainSkew = 0.5f;

/** Texts of the "source" values 0, 1, 2. */
inline const juce::StringArray& channelModeNames()
{
    static const juce::StringArray names { "mono(L)", "Stereo L+R", "Linked" };
    return names;
}

/** Texts of the "satType" values 0 to 5. */
inline const juce::StringArray& curveNames()
{
    static const juce::StringArray names { "NOSAT", "ARCTAN", "TANHYP", "GAUSS", "FRES", "CIRC" };
    return names;
}
} // namespace tavik::params
