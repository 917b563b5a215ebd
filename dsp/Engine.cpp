#include "dsp/Engine.h"

#include "dsp/simd/Kernels.h"

#include <cpuid.h>
#include <cstring>

namespace tavik
{
namespace
{
// The vector engine of an instruction set, or null where the scalar engine runs.
//
// SSE2 alone gets the scalar engine, which is SSE2 code itself: a vector copy for it
// (Highway's 4-lane portable target) was slower than the scalar engine for GAUSS,
// FRES and CIRC and needed Highway's guard against GCC PR 106322 switched off; the
// speed it gave ARCTAN and TANHYP does not pay for that on CPUs this old.
//
// On SSE4, AVX2 and AVX-512 the vector engine beats the scalar one for every curve
// in every mode (engine benchmark, isa rows; the closest, linked CIRC on SSE4, is
// 1.5 times as fast), so none is routed back to the scalar engine.
const simd::Kernels* kernelsFor (Isa isa) noexcept
{
    switch (isa)
    {
        case Isa::avx512: return &simd::avx512Kernels();
        case Isa::avx2: return &simd::avx2Kernels();
        case Isa::sse4: return &simd::sse4Kernels();
        case Isa::sse2: break;
    }
    return nullptr;
}

// Not every compiler's __builtin_cpu_supports knows F16C: ask the CPU directly.
bool hasF16c() noexcept
{
    unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
    return __get_cpuid (1, &eax, &ebx, &ecx, &edx) != 0 && (ecx & bit_F16C) != 0;
}

Isa detectFastest() noexcept
{
    // Also checks that the operating system saves the wider registers.
    __builtin_cpu_init();

    const bool sse4 = __builtin_cpu_supports ("ssse3") && __builtin_cpu_supports ("sse4.1")
                      && __builtin_cpu_supports ("sse4.2");
    const bool avx2 = sse4 && __builtin_cpu_supports ("avx2") && __builtin_cpu_supports ("fma")
                      && __builtin_cpu_supports ("bmi") && __builtin_cpu_supports ("bmi2")
                      && hasF16c();
    const bool avx512 = avx2 && __builtin_cpu_supports ("avx512f") && __builtin_cpu_supports ("avx512vl")
                        && __builtin_cpu_supports ("avx512dq") && __builtin_cpu_supports ("avx512bw");

    return avx512 ? Isa::avx512 : avx2 ? Isa::avx2 : sse4 ? Isa::sse4 : Isa::sse2;
}

// Chosen during static initialisation. Anything that runs before that reads the
// zero-initialised value, SSE2, which every x86-64 CPU has.
const Isa fastest = detectFastest();
} // namespace

bool isSupported (Isa isa) noexcept
{
    return static_cast<int> (isa) <= static_cast<int> (detectFastest());
}

Isa fastestIsa() noexcept
{
    return fastest;
}

const char* nameOf (Isa isa) noexcept
{
    switch (isa)
    {
        case Isa::avx512: return "AVX-512";
        case Isa::avx2: return "AVX2";
        case Isa::sse4: return "SSE4";
        case Isa::sse2: break;
    }
    return "SSE2";
}

namespace engine
{
void process (Isa isa, float* destination, const float* source, float gain, int curve, int count)
{
    const auto* kernels = kernelsFor (isa);
    if (kernels == nullptr)
    {
        Tavik saturator;
        reference::process (saturator, destination, source, gain, curve, count);
        return;
    }

    if (count <= 0 || curve < Tavik::nosat || curve >= Tavik::numCurves)
        return;

    if (curve == Tavik::nosat)
    {
        if (destination != source)
            std::memmove (destination, source, static_cast<size_t> (count) * sizeof (float));
        return;
    }

    kernels->curve (destination, source, count, curve, gain);
}

void processLinked (Isa isa, float* left, float* right, int numSamples, int curve, float gain)
{
    const auto* kernels = kernelsFor (isa);
    if (kernels == nullptr)
    {
        Tavik saturator;
        reference::processLinked (saturator, left, right, numSamples, curve, gain);
        return;
    }

    if (numSamples <= 0 || curve < Tavik::nosat || curve >= Tavik::numCurves)
        return;

    kernels->linked (left, right, numSamples, curve, gain);
}
} // namespace engine
} // namespace tavik
