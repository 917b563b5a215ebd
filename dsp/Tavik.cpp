#include "dsp/Tavik.h"

#include "dsp/Engine.h"
#include "dsp/SpecialFunctions.h"

#include <cmath>
#include <cstring>

namespace
{
template <typename Curve>
void shape (float* destination, const float* source, int count, Curve curve)
{
    for (int i = 0; i < count; ++i)
        destination[i] = curve (source[i]);
}
} // namespace

void Tavik::process (float* destination, const float* source, float gain, int curve, int count)
{
    tavik::engine::process (tavik::fastestIsa(), destination, source, gain, curve, count);
}

namespace tavik::reference
{
void process (Tavik& saturator, float* destination, const float* source, float gain, int curve, int count)
{
    if (count <= 0)
        return;

    const float halfPi = saturator.halfPi;
    const float sqrtTwo = saturator.sqrtTwo;

    switch (curve)
    {
        case Tavik::nosat:
            if (destination != source)
                std::memmove (destination, source, static_cast<size_t> (count) * sizeof (float));
            break;

        case Tavik::arctan:
            shape (destination, source, count, [gain, halfPi] (float x) { return std::atan (x * gain * halfPi) / halfPi; });
            break;

        case Tavik::tanhyp:
            shape (destination, source, count, [gain] (float x) { return std::tanh (x * gain); });
            break;

        case Tavik::gauss:
            shape (destination, source, count, [gain] (float x) { return std::erf (x * gain); });
            break;

        case Tavik::fres:
            shape (destination, source, count, [gain, sqrtTwo, &saturator] (float x) {
                fresnl_integral (x * gain * sqrtTwo, &saturator.fresnelS, &saturator.fresnelC);
                return static_cast<float> (static_cast<double> (saturator.fresnelC) / 0.72);
            });
            break;

        case Tavik::circ:
            shape (destination, source, count, [gain, halfPi] (float x) {
                if (x >= 1.0f)
                    return std::sin (halfPi * gain);
                if (x <= -1.0f)
                    return -std::sin (halfPi * gain);
                return std::sin (std::asin (x) * gain);
            });
            break;

        default:
            break;
    }
}
} // namespace tavik::reference
