#include "dsp/Tavik.h"

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
    if (count <= 0)
        return;

    switch (curve)
    {
        case nosat:
            if (destination != source)
                std::memmove (destination, source, static_cast<size_t> (count) * sizeof (float));
            break;

        case arctan:
            shape (destination, source, count, [gain, this] (float x) { return std::atan (x * gain * halfPi) / halfPi; });
            break;

        case tanhyp:
            shape (destination, source, count, [gain] (float x) { return std::tanh (x * gain); });
            break;

        case gauss:
            shape (destination, source, count, [gain] (float x) { return std::erf (x * gain); });
            break;

        case fres:
            shape (destination, source, count, [gain, this] (float x) {
                fresnl_integral (x * gain * sqrtTwo, &fresnelS, &fresnelC);
                return static_cast<float> (static_cast<double> (fresnelC) / 0.72);
            });
            break;

        case circ:
            shape (destination, source, count, [gain, this] (float x) {
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
