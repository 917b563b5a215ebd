#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#if defined(__SSE__)
 #include <xmmintrin.h>
#endif

namespace tavik::testing
{

constexpr double unitRoundoff = 0x1p-24; // u: the largest relative rounding error of one float operation

constexpr float inf = std::numeric_limits<float>::infinity();
constexpr float nan = std::numeric_limits<float>::quiet_NaN();

inline std::uint32_t bitsOf (float value)
{
    std::uint32_t bits;
    std::memcpy (&bits, &value, sizeof (bits));
    return bits;
}

/** Distance in units in the last place, over the ordered float line (±0 are 0 apart). */
inline double ulpDistance (float a, float b)
{
    auto ordered = [] (float value) -> std::int64_t
    {
        const auto bits = static_cast<std::int64_t> (bitsOf (value) & 0x7fffffffu);
        return std::signbit (value) ? -bits : bits;
    };

    const auto difference = ordered (a) - ordered (b);
    return static_cast<double> (difference < 0 ? -difference : difference);
}

/** Sets flush-to-zero and denormals-are-zero, as the audio callback runs the library. */
class ScopedFlushDenormals
{
public:
#if defined(__SSE__)
    ScopedFlushDenormals() : previous (_mm_getcsr()) { _mm_setcsr (previous | 0x8040u); }
    ~ScopedFlushDenormals() { _mm_setcsr (previous); }

private:
    unsigned int previous;
#else
    ScopedFlushDenormals() {}
#endif
};

} // namespace tavik::testing
