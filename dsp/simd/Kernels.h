#pragma once

namespace tavik::simd
{
/** The vector engine of one instruction set. Curves 1 to 5 only (NOSAT and unknown
    curves never get here), count > 0, destination equal to source or not
    overlapping it; right may be null. */
struct Kernels
{
    void (*curve) (float* destination, const float* source, int count, int curve, float gain);
    void (*linked) (float* left, float* right, int count, int curve, float gain);
};

// Each is defined in its own translation unit, compiled for that instruction set.
const Kernels& sse4Kernels() noexcept;
const Kernels& avx2Kernels() noexcept;
const Kernels& avx512Kernels() noexcept;
} // namespace tavik::simd
