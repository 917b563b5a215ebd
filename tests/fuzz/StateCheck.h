#pragma once

#include "plugin/Parameters.h"
#include "plugin/TutorialProcessor.h"

#include <cstddef>
#include <cstdint>
#include <string>

/** The properties that every byte sequence handed to setStateInformation must keep,
    shared by the fuzz target and the tests that replay its corpus. */
namespace tavik::fuzz
{
/** True when the saved-state format admits the input: a magic, a positive length,
    and text (cut at the length, the data's end or a zero byte) that is valid UTF-8
    without a processing instruction inside the root element, and parses as
    well-formed XML (no attribute twice in one element) with the root tag "Tavik"
    in any letter case. Anything else must be ignored. */
bool isAdmissibleState (const uint8_t* data, size_t size);

/** Loads the input into the processor and checks what it did: nothing at all for an
    input that must be ignored; parameters on their grid and in range, and a saved
    state that is well formed and loads back to the same values, for one that
    was taken. Returns an empty string when all of it holds, else what failed. */
std::string checkStateInput (TutorialProcessor& processor, const uint8_t* data, size_t size);
} // namespace tavik::fuzz
