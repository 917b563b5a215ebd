#pragma once

#include "dsp/Tavik.h"

namespace tavik
{

/** The instruction sets that the engine is dispatched on, slowest first. One binary
    carries them all; the fastest one that the CPU supports is chosen once, at first
    use. SSE2 runs the scalar engine, the others the vector engine compiled for them. */
enum class Isa : int
{
    sse2 = 0, // every x86-64 CPU; the scalar engine
    sse4 = 1, // SSSE3, SSE4.1 and SSE4.2
    avx2 = 2, // AVX2 with FMA, BMI2 and F16C
    avx512 = 3 // AVX-512 F, VL, DQ and BW
};

constexpr Isa allIsas[] = { Isa::sse2, Isa::sse4, Isa::avx2, Isa::avx512 };

/** True if this CPU can run the given instruction set. */
bool isSupported (Isa isa) noexcept;

/** The instruction set that Tavik::process and processBlock run on. */
Isa fastestIsa() noexcept;

const char* nameOf (Isa isa) noexcept;

namespace engine
{
/** Tavik::process on a chosen instruction set, which must be supported. */
void process (Isa isa, float* destination, const float* source, float gain, int curve, int count);

/** processLinked on a chosen instruction set, which must be supported. */
void processLinked (Isa isa, float* left, float* right, int numSamples, int curve, float gain);
} // namespace engine

/** The scalar engine, one C library call per sample: the reference that the vector
    engine is measured against. Same contracts as the functions of the same names;
    FRES leaves its last Fresnel integrals in the saturator's scratch members. */
namespace reference
{
void process (Tavik& saturator, float* destination, const float* source, float gain, int curve, int count);

void processLinked (Tavik& saturator, float* left, float* right, int numSamples, int curve, float gain);

void processBlock (Tavik& saturator, float* left, float* right, int numSamples, int channelMode, int curve,
                   float gain);
} // namespace reference

} // namespace tavik
