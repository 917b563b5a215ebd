#pragma once

#include "dsp/Engine.h"
#include "dsp/Tavik.h"

namespace tavik
{

/** Channel modes, numbered as the "source" parameter. */
enum ChannelMode : int
{
    monoLeft = 0,  // "mono(L)": the left channel shaped, the right one silent
    stereo = 1,    // "Stereo L+R": each channel shaped on its own
    linked = 2     // "Linked": both channels scaled by one factor from their joint level
};

/** Shapes one block in place on the fastest engine of this CPU. right may be
    null when the block has a single channel: the missing channel then counts as
    silent input and gets no output. */
void processBlock (Tavik& saturator, float* left, float* right, int numSamples,
                   int channelMode, int curve, float gain);

/** processBlock on a chosen instruction set, which must be supported. */
void processBlock (Isa isa, float* left, float* right, int numSamples, int channelMode, int curve, float gain);

/** The linked loop: for each sample pair the joint level v = √((R² + L²)/√2) goes
    through the curve (with the incomplete-gamma erf for GAUSS and the Fresnel sine
    integral for FRES) and both samples are scaled by √2·curve(v)/v. The vector engine
    takes an accurate erf for GAUSS, which stays within the incomplete-gamma form's own
    error bound of it and costs the same for every sample. */
void processLinked (Tavik& saturator, float* left, float* right, int numSamples,
                    int curve, float gain);

} // namespace tavik
