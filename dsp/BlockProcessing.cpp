#include "dsp/BlockProcessing.h"

#include "dsp/Engine.h"
#include "dsp/SpecialFunctions.h"

#include <algorithm>
#include <cmath>

namespace tavik
{
namespace
{
// One pass over the block with the curve fixed, so the loop carries no switch.
// Without a right channel the right input counts as silence and nothing is written.
template <typename Curve>
void linkedLoop (const Tavik& saturator, float* left, float* right, int numSamples, Curve curve)
{
    const float sqrtTwo = saturator.sqrtTwo;

    for (int i = 0; i < numSamples; ++i)
    {
        const float l = left[i];
        const float r = right != nullptr ? right[i] : 0.0f;
        const float v = std::sqrt ((r * r + l * l) / sqrtTwo);

        float outLeft = 0.0f, outRight = 0.0f;

        if (v != 0.0f)
        {
            const float k = sqrtTwo * curve (v) / v;
            outLeft = l * k;
            outRight = r * k;
        }

        left[i] = outLeft;
        if (right != nullptr)
            right[i] = outRight;
    }
}
// The channel modes, shared by both engines: Shape runs Tavik::process on one
// channel in place, Link the linked loop.
template <typename Shape, typename Link>
void shapeBlock (float* left, float* right, int numSamples, int channelMode, Shape shapeChannel, Link link)
{
    if (numSamples <= 0 || left == nullptr)
        return;

    switch (channelMode)
    {
        case monoLeft:
            shapeChannel (left);
            if (right != nullptr)
                std::fill (right, right + numSamples, 0.0f);
            break;

        case stereo:
            shapeChannel (left);
            if (right != nullptr)
                shapeChannel (right);
            break;

        case linked:
            link();
            break;

        default:
            break;
    }
}
} // namespace

void processLinked (Tavik&, float* left, float* right, int numSamples, int curve, float gain)
{
    engine::processLinked (fastestIsa(), left, right, numSamples, curve, gain);
}

void processBlock (Tavik&, float* left, float* right, int numSamples, int channelMode, int curve, float gain)
{
    processBlock (fastestIsa(), left, right, numSamples, channelMode, curve, gain);
}

void processBlock (Isa isa, float* left, float* right, int numSamples, int channelMode, int curve, float gain)
{
    shapeBlock (
        left, right, numSamples, channelMode,
        [=] (float* channel) { engine::process (isa, channel, channel, gain, curve, numSamples); },
        [=] { engine::processLinked (isa, left, right, numSamples, curve, gain); });
}

namespace reference
{
void processLinked (Tavik& saturator, float* left, float* right, int numSamples, int curve, float gain)
{
    if (numSamples <= 0)
        return;

    const float halfPi = saturator.halfPi;
    const float sqrtTwo = saturator.sqrtTwo;

    switch (curve)
    {
        case Tavik::nosat:
            linkedLoop (saturator, left, right, numSamples, [] (float v) { return v; });
            break;

        case Tavik::arctan:
            linkedLoop (saturator, left, right, numSamples,
                        [=] (float v) { return std::atan (v * gain * halfPi) / halfPi; });
            break;

        case Tavik::tanhyp:
            linkedLoop (saturator, left, right, numSamples, [=] (float v) { return std::tanh (v * gain); });
            break;

        case Tavik::gauss:
            linkedLoop (saturator, left, right, numSamples, [=] (float v) { return erf_incgamma (v * gain); });
            break;

        case Tavik::fres:
            linkedLoop (saturator, left, right, numSamples, [=, &saturator] (float v) {
                fresnl_integral (v * gain * sqrtTwo, &saturator.fresnelS, &saturator.fresnelC);
                return static_cast<float> (static_cast<double> (saturator.fresnelS) / 0.72);
            });
            break;

        case Tavik::circ:
            linkedLoop (saturator, left, right, numSamples, [=] (float v) {
                const float theta = v >= 1.0f ? halfPi : std::asin (v);
                return std::sin (theta * gain);
            });
            break;

        default:
            break;
    }
}

void processBlock (Tavik& saturator, float* left, float* right, int numSamples, int channelMode, int curve, float gain)
{
    shapeBlock (
        left, right, numSamples, channelMode,
        [&] (float* channel) { process (saturator, channel, channel, gain, curve, numSamples); },
        [&] { processLinked (saturator, left, right, numSamples, curve, gain); });
}
} // namespace reference

} // namespace tavik
