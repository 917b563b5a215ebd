#include "dsp/BlockProcessing.h"

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
} // namespace

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
    if (numSamples <= 0 || left == nullptr)
        return;

    switch (channelMode)
    {
        case monoLeft:
            saturator.process (left, left, gain, curve, numSamples);
            if (right != nullptr)
                std::fill (right, right + numSamples, 0.0f);
            break;

        case stereo:
            saturator.process (left, left, gain, curve, numSamples);
            if (right != nullptr)
                saturator.process (right, right, gain, curve, numSamples);
            break;

        case linked:
            processLinked (saturator, left, right, numSamples, curve, gain);
            break;

        default:
            break;
    }
}

} // namespace tavik
