// The vector engine. This file is compiled once per instruction set, each time with
// that set's compiler flags, so Highway's static target is that set and everything
// below lands in its own namespace (tavik::simd::N_AVX3, N_AVX2, N_SSE4):
// the copies never meet at link time. TAVIK_KERNELS names the accessor of this copy.
//
// Each curve repeats the scalar engine's single-precision steps lane by lane, with
// the same roundings in the same order (no contraction into fused multiply-adds, see
// CMakeLists.txt). The C library functions are replaced by ones about as accurate or
// better: ARCTAN and TANHYP in float, within an ulp and a half; the arcsine and the
// sine in float, within 0.64 and 0.76 ulp; erf and the Fresnel phase in double
// precision, rounded once to float. A result thus differs from the scalar one by
// little more than the C library's own error. The Fresnel integrals follow
// fresnl_integral step for step.

#include "dsp/simd/Kernels.h"

#include "dsp/FresnelCoefficients.h"
#include "dsp/Tavik.h"

#include <hwy/highway.h>
#include <hwy/contrib/math/math-inl.h>

#include <stddef.h>

namespace tavik::simd
{
namespace HWY_NAMESPACE
{
namespace
{
namespace hn = hwy::HWY_NAMESPACE;

using DF = hn::ScalableTag<float>;
using VF = hn::Vec<DF>;
using DD = hn::Repartition<double, DF>; // half as many lanes as DF
using VD = hn::Vec<DD>;
using DH = hn::Rebind<float, DD>; // one half of a DF vector

// The constants of Tavik, bit for bit.
constexpr float halfPi = 1.57079637f;
constexpr float sqrtTwo = 1.41421354f;

constexpr double pi = 3.14159265358979323846;
constexpr double twoOverPi = 0.6366197723675814;
// π/2 in three parts: the first has 21 significant bits and the second 22, so their
// products with a quadrant count below 2³¹ are exact.
constexpr double halfPiHigh = 1.570796012878418;
constexpr double halfPiMid = 3.139164164167596e-07;
constexpr double halfPiLow = 6.223372171896613e-14;

HWY_INLINE VF splat (float value) { return hn::Set (DF(), value); }
HWY_INLINE VD splat (double value) { return hn::Set (DD(), value); }

// fn on both halves of x in double precision, each result rounded to float once.
// A single +, −, × or ÷ of floats done this way rounds exactly as in float: double
// has more than twice float's precision.
template <typename Fn>
HWY_INLINE VF inDouble (VF x, Fn fn)
{
    const DH dh;
    const VD low = fn (hn::PromoteTo (DD(), hn::LowerHalf (dh, x)));
    const VD high = fn (hn::PromoteTo (DD(), hn::UpperHalf (dh, x)));
    return hn::Combine (DF(), hn::DemoteTo (dh, high), hn::DemoteTo (dh, low));
}

// fn returning two double vectors, both rounded to float.
template <typename Fn>
HWY_INLINE void inDouble (VF x, VF& first, VF& second, Fn fn)
{
    const DH dh;
    VD lowFirst, lowSecond, highFirst, highSecond;
    fn (hn::PromoteTo (DD(), hn::LowerHalf (dh, x)), lowFirst, lowSecond);
    fn (hn::PromoteTo (DD(), hn::UpperHalf (dh, x)), highFirst, highSecond);
    first = hn::Combine (DF(), hn::DemoteTo (dh, highFirst), hn::DemoteTo (dh, lowFirst));
    second = hn::Combine (DF(), hn::DemoteTo (dh, highSecond), hn::DemoteTo (dh, lowSecond));
}

//==============================================================================
// Double-precision functions, accurate far beyond float.

template <size_t n>
HWY_INLINE VD horner (VD t, const double (&c)[n])
{
    VD result = splat (c[0]);
    for (size_t i = 1; i < n; ++i)
        result = hn::MulAdd (result, t, splat (c[i]));
    return result;
}

// Every polynomial table below is printed by simd/fit_polynomials.py.
//
// erf(x)/x in t = x² on [0, 1], degree 8, and erfc(x) in s = (x − 2.5)/1.5 on
// [1, 4], degree 18: Chebyshev fits made with mpmath at 40 digits, errors 8e-13
// relative and 2e-11 absolute. Beyond 4, erfc < 1.6e-8 is below half an ulp of 1 and
// erf rounds to ±1.
constexpr double erfSmall[] = { 1.058938064107502e-06, -1.3909340021874599e-05, 0.0001195656256820733,
                                -0.0008542637997087229, 0.005223783477189248, -0.026866133235095593,
                                0.11283791308604582, -0.3761263888963531, 1.1283791670946768 };
constexpr double erfcLarge[] = { 1.6278331442584616e-05, -3.300364049399252e-05, -8.066096754102609e-05,
                                 0.00029409835869049204, -9.287479322813952e-05, -0.0009193688108328419,
                                 0.0018524883567827167, -0.0004429757640530975, -0.004554078750803038,
                                 0.009621931179697205, -0.006678397873316549, -0.00926770677725518,
                                 0.03187626637841529, -0.04645359028482051, 0.043650790021468606,
                                 -0.028181553764725444, 0.012252848526226255, -0.0032674263182746943,
                                 0.0004069520174449589 };

HWY_INLINE VD erf (VD x)
{
    const VD a = hn::Abs (x);
    const VD small = horner (a * a, erfSmall) * a;
    const VD large = splat (1.0) - horner ((a - splat (2.5)) * splat (1.0 / 1.5), erfcLarge);
    // NaN fails both tests and stays NaN through the polynomial.
    const VD y = hn::IfThenElse (hn::Ge (a, splat (4.0)), splat (1.0),
                                 hn::IfThenElse (hn::Le (a, splat (1.0)), small, large));
    return hn::CopySign (y, x);
}

// sin θ and cos θ for θ ≥ 0. Exact reduction by quadrants up to θ = 2³¹·π/2, which
// covers the Fresnel phase of every float below 36974; above that the reduced angle
// is off by about θ·2⁻⁵², which the Fresnel integrals divide by π|x| again.
HWY_INLINE void sinCos (VD theta, VD& sine, VD& cosine)
{
    const DD dd;
    const VD k = hn::Round (theta * splat (twoOverPi));
    VD r = hn::NegMulAdd (k, splat (halfPiHigh), theta);
    r = hn::NegMulAdd (k, splat (halfPiMid), r);
    r = hn::NegMulAdd (k, splat (halfPiLow), r);

    const VD sinR = hn::Sin (dd, r);
    const VD cosR = hn::Cos (dd, r);

    const VD quadrant = k - splat (4.0) * hn::Floor (k * splat (0.25));
    const auto one = hn::Eq (quadrant, splat (1.0));
    const auto two = hn::Eq (quadrant, splat (2.0));
    const auto three = hn::Eq (quadrant, splat (3.0));
    const auto odd = hn::Or (one, three);

    const VD s = hn::IfThenElse (odd, cosR, sinR);
    const VD c = hn::IfThenElse (odd, sinR, cosR);
    sine = hn::IfThenElse (hn::Or (two, three), hn::Neg (s), s);
    cosine = hn::IfThenElse (hn::Or (one, two), hn::Neg (c), c);
}

//==============================================================================
// The Fresnel integrals, step by step as fresnl_integral.

// c[0]·tⁿ⁻¹ + … + c[n−1]
template <size_t n>
HWY_INLINE VF horner (VF t, const float (&c)[n])
{
    VF result = splat (c[0]);
    for (size_t i = 1; i < n; ++i)
        result = result * t + splat (c[i]);
    return result;
}

// c[0]·tⁿ⁻¹ + … + c[n−1] with fused multiply-adds where the target has them: for this
// file's own approximations only, never for the scalar engine's formulas.
template <size_t n>
HWY_INLINE VF polynomial (VF t, const float (&c)[n])
{
    VF result = splat (c[0]);
    for (size_t i = 1; i < n; ++i)
        result = hn::MulAdd (result, t, splat (c[i]));
    return result;
}

// tⁿ + c[0]·tⁿ⁻¹ + … + c[n−1]
template <size_t n>
HWY_INLINE VF monic (VF t, const float (&c)[n])
{
    VF result = t + splat (c[0]);
    for (size_t i = 1; i < n; ++i)
        result = result * t + splat (c[i]);
    return result;
}

// Each branch is evaluated only when a lane needs it, and its lanes are then picked
// by mask. The other lanes enter it with a harmless argument of that branch: an
// infinity or an overflowing power there would cost far more than the real lanes.
HWY_INLINE void fresnel (VF x, VF& s, VF& c)
{
    using namespace tavik::fresnel;
    const DF df;
    const VF absX = hn::Abs (x);
    const VF xSquared = x * x;
    const VF half = splat (0.5f);

    const auto infinite = hn::IsInf (x);
    const auto series = hn::Lt (xSquared, splat (seriesLimit));
    const auto beyond = hn::AndNot (infinite, hn::Gt (absX, splat (asymptotic)));
    // The auxiliary functions also take NaN, as in the scalar routine.
    const auto auxiliary = hn::Not (hn::Or (hn::Or (infinite, series), beyond));

    s = half;
    c = half;

    if (! hn::AllFalse (df, auxiliary))
    {
        const VF x2 = hn::IfThenElse (auxiliary, xSquared, splat (4.0f));
        const VF ax = hn::IfThenElse (auxiliary, absX, splat (2.0f));
        const VF t = inDouble (x2, [] (VD v) { return v * splat (pi); });
        const VF u = splat (1.0f) / (t * t);
        const VF f = splat (1.0f) - u * horner (u, fn) / monic (u, fd);
        const VF g = (splat (1.0f) / t) * horner (u, gn) / monic (u, gd);

        const VF theta = inDouble (x2, [] (VD v) { return v * splat (pi / 2.0); });
        VF sinTheta, cosTheta;
        inDouble (theta, sinTheta, cosTheta, [] (VD v, VD& sine, VD& cosine) { sinCos (v, sine, cosine); });

        const VF bigT = inDouble (ax, [] (VD v) { return v * splat (pi); });
        c = hn::IfThenElse (auxiliary, half + (f * sinTheta - g * cosTheta) / bigT, c);
        s = hn::IfThenElse (auxiliary, half - (f * cosTheta + g * sinTheta) / bigT, s);
    }

    if (! hn::AllFalse (df, series))
    {
        const VF x2 = hn::IfThenElseZero (series, xSquared);
        const VF ax = hn::IfThenElseZero (series, absX);
        const VF t = x2 * x2;
        s = hn::IfThenElse (series, ax * x2 * horner (t, sn) / monic (t, sd), s);
        c = hn::IfThenElse (series, ax * horner (t, cn) / horner (t, cd), c);
    }

    if (! hn::AllFalse (df, beyond))
    {
        const VF ax = hn::IfThenElse (beyond, absX, splat (2.0f * asymptotic));
        VF sBeyond, cBeyond;
        inDouble (ax, sBeyond, cBeyond, [] (VD a, VD& sOut, VD& cOut) {
            const VD bigT = a * splat (pi);
            VD sine, cosine;
            sinCos (bigT * a / splat (2.0), sine, cosine);
            // From 2²⁴ on, 1/T is below an ulp of ½ and the oscillation no longer
            // shows in a float.
            const auto visible = hn::Lt (a, splat (16777216.0));
            sOut = splat (0.5) - hn::IfThenElseZero (visible, cosine / bigT);
            cOut = splat (0.5) + hn::IfThenElseZero (visible, sine / bigT);
        });
        s = hn::IfThenElse (beyond, sBeyond, s);
        c = hn::IfThenElse (beyond, cBeyond, c);
    }

    const auto negative = hn::Lt (x, hn::Zero (df));
    s = hn::IfThenElse (negative, hn::Neg (s), s);
    c = hn::IfThenElse (negative, hn::Neg (c), c);
}

// float(double(value) / 0.72), the FRES scale.
HWY_INLINE VF fresScale (VF value)
{
    return inDouble (value, [] (VD v) { return v / splat (0.72); });
}

//==============================================================================
// The curves on one vector of samples.

// atan(a)/halfPi in float, reduced to |r| ≤ tan(π/8) as in Cephes: a = tan(base·π/2 + atan r)
// with base 0, ½ or 1. The polynomial is atan(r)/(r·halfPi) in r², degree 5, fitted
// with mpmath (4e-10 relative); halfPi exceeds π/2 by a factor 1 − baseScale, which
// the constant part carries. Within about an ulp and a half of the exact quotient.
constexpr float arctanPoly[] = { -0.03836464881896973f, 0.06728962063789368f, -0.09065167605876923f,
                                 0.12731237709522247f, -0.2122064232826233f, 0.6366197466850281f };
constexpr float baseScale = -2.782753437848454e-08f; // (π/2)/halfPi − 1

struct Arctan
{
    VF gain;
    HWY_INLINE VF operator() (VF x) const
    {
        const VF a = x * gain * splat (halfPi);
        const VF t = hn::Abs (a);
        const auto high = hn::Gt (t, splat (2.41421356f));
        const auto middle = hn::AndNot (high, hn::Gt (t, splat (0.414213562f)));

        const VF one = splat (1.0f);
        const VF numerator = hn::IfThenElse (high, hn::Neg (one), hn::IfThenElse (middle, t - one, t));
        const VF denominator = hn::IfThenElse (high, t, hn::IfThenElse (middle, t + one, one));
        const VF r = numerator / denominator;
        const VF p = r * horner (r * r, arctanPoly);

        const VF base = hn::IfThenElse (high, one, hn::IfThenElseZero (middle, splat (0.5f)));
        return hn::CopySign (base + (base * splat (baseScale) + p), a);
    }
};

// tanh in float: t + t·t²·P(t²) below 0.625, with P fitted by mpmath (degree 5, 2e-9
// relative), and 1 − 2/(e^2t + 1) above, exact to float from 9.1 on.
constexpr float tanhPoly[] = { 0.002292744815349579f, -0.008343945257365704f, 0.02176891826093197f,
                               -0.053959257900714874f, 0.13333304226398468f, -0.3333333432674408f };

struct Tanhyp
{
    VF gain;
    HWY_INLINE VF operator() (VF x) const
    {
        const VF a = x * gain;
        const VF t = hn::Abs (a);
        const VF z = t * t;
        const VF small = t + t * z * horner (z, tanhPoly);

        const VF one = splat (1.0f);
        const VF e = hn::Exp (DF(), hn::Min (t + t, splat (20.0f)));
        const VF large = one - splat (2.0f) / (e + one);

        // NaN fails the test and keeps to the polynomial, which passes it on.
        const VF y = hn::IfThenElse (hn::Ge (t, splat (0.625f)), large, small);
        return hn::CopySign (y, a);
    }
};

// asin(√z)/√z − 1 = z·P(z) on [0, ¼], degree 5; sin r = r + r·r²·P(r²) and
// cos r = 1 − r²/2 + r⁴·P(r²) on |r| ≤ π/4, degrees 3 and 2: fits made with mpmath
// (errors 4e-9, 3e-11 and 2e-9).
constexpr float arcsinePoly[] = { 0.03369084745645523f, 0.017149237915873528f, 0.031100662425160408f,
                                  0.04459940269589424f, 0.07500094175338745f, 0.1666666567325592f };
constexpr float sinePoly[] = { 2.7249895993008977e-06f, -0.00019840087043121457f, 0.008333331905305386f,
                               -0.1666666716337204f };
constexpr float cosinePoly[] = { 2.454791683703661e-05f, -0.001388830249197781f, 0.0416666641831398f };

// π/2 = halfPi + halfPiRest to 2e-15, and halfPi = halfPiHead + halfPiTail with 8 and 12
// significant bits, so that their products with a quadrant count below 2¹² are exact.
constexpr float halfPiRest = -4.371138828673793e-08f;
constexpr float halfPiHead = 1.5703125f;
constexpr float halfPiTail = 4.838705062866211e-4f;
constexpr float twoOverPiFloat = 0.6366197466850281f;

// z − s·s exactly, for s the rounded root of z: fused where the target can, else with
// s split into halves of 12 bits, whose products are exact.
HWY_INLINE VF squareResidual (VF z, VF s)
{
#if HWY_NATIVE_FMA
    return hn::NegMulAdd (s, s, z);
#else
    const DF df;
    const hn::RebindToSigned<DF> di;
    const VF sHigh = hn::And (s, hn::BitCast (df, hn::Set (di, -4096)));
    const VF sLow = s - sHigh;
    return ((z - sHigh * sHigh) - splat (2.0f) * sHigh * sLow) - sLow * sLow;
#endif
}

// asin t for 0 ≤ t < 1, within 0.64 ulp over every float; NaN from 1 on, where the
// callers put the clamp angle instead.
// Above ½ it is π/2 − 2·asin s with s = √((1 − t)/2), where the rounding of s alone
// would cost more than half an ulp: the residual z − s² restores it (the exact root is
// s + (z − s²)/2s), and π/2 − 2s is summed with its rounding error.
HWY_INLINE VF arcsine (VF t)
{
    const auto high = hn::Gt (t, splat (0.5f));
    const VF z = hn::IfThenElse (high, (splat (1.0f) - t) * splat (0.5f), t * t);
    const VF s = hn::IfThenElse (high, hn::Sqrt (z), t);
    const VF p = s * (z * polynomial (z, arcsinePoly));

    const VF residual = squareResidual (z, s);
    const VF twoS = s + s;
    const VF head = splat (halfPi) - twoS;
    const VF tail = splat (halfPiRest) - hn::MulAdd (residual, hn::ApproximateReciprocalSqrt (z), p + p);
    const VF folded = head + (tail + ((splat (halfPi) - head) - twoS));

    return hn::IfThenElse (high, folded, s + p);
}

// sin a, reduced by quadrants exactly for |a| below 2¹²·π/2, far beyond any angle that
// CIRC meets (gain 30 gives 47). Within 0.76 ulp up to π/4 (checked over every float,
// with and without fused multiply-adds); beyond, within an ulp plus 0.22u·|a|, less
// than the rounding of the angle itself. ±halfPi gives exactly ±1, the cosine of the
// 4e-8 left over.
HWY_INLINE VF sine (VF a)
{
    const DF df;
    const hn::RebindToSigned<DF> di;
    const VF t = hn::Abs (a);
    const VF k = hn::Round (t * splat (twoOverPiFloat));
    const VF r = hn::NegMulAdd (k, splat (halfPiRest),
                                hn::NegMulAdd (k, splat (halfPiTail), hn::NegMulAdd (k, splat (halfPiHead), t)));
    const VF z = r * r;
    const VF sinR = hn::MulAdd (r * z, polynomial (z, sinePoly), r);
    const VF cosR = splat (1.0f) - hn::MulSub (splat (0.5f), z, z * z * polynomial (z, cosinePoly));

    // Odd quadrants take the cosine; quadrants 2 and 3, and a negative angle, the sign.
    const auto quadrant = hn::ConvertTo (di, k);
    const auto odd = hn::RebindMask (df, hn::Ne (hn::And (quadrant, hn::Set (di, 1)), hn::Zero (di)));
    const VF y = hn::IfThenElse (odd, cosR, sinR);
    const VF sign = hn::And (hn::Xor (hn::BitCast (df, hn::ShiftLeft<30> (quadrant)), a), hn::SignBit (df));
    return hn::Xor (y, sign);
}

struct Gauss
{
    VF gain;
    HWY_INLINE VF operator() (VF x) const { return inDouble (x * gain, [] (VD v) { return erf (v); }); }
};

struct Circ
{
    VF gain;
    HWY_INLINE VF operator() (VF x) const
    {
        // Samples at or beyond ±1 hold the angle ±π/2; NaN goes to the arcsine. Both
        // functions work on magnitudes, so the curve is exactly odd.
        const VF t = hn::Abs (x);
        const VF angle = hn::IfThenElse (hn::Ge (t, splat (1.0f)), splat (halfPi), arcsine (t));
        return sine (hn::CopySign (angle, x) * gain);
    }
};

struct FresCosine
{
    VF gain;
    HWY_INLINE VF operator() (VF x) const
    {
        VF s, c;
        fresnel (x * gain * splat (sqrtTwo), s, c);
        return fresScale (c);
    }
};

//==============================================================================
// The linked curves of the joint level v ≥ 0.

// The curve value is v itself; linkVector has its own form for it.
struct LinkedNosat
{
};

struct LinkedCirc
{
    VF gain;
    HWY_INLINE VF operator() (VF v) const
    {
        return sine (hn::IfThenElse (hn::Ge (v, splat (1.0f)), splat (halfPi), arcsine (v)) * gain);
    }
};

struct FresSine
{
    VF gain;
    HWY_INLINE VF operator() (VF v) const
    {
        VF s, c;
        fresnel (v * gain * splat (sqrtTwo), s, c);
        return fresScale (s);
    }
};

//==============================================================================
// The loops. A block's last partial vector goes through a zero-padded copy, so every
// sample takes the same path wherever it sits in a block.

constexpr size_t maxLanes = hn::MaxLanes (DF());

template <typename Curve>
void shapeChannel (float* destination, const float* source, size_t count, Curve curve)
{
    const DF df;
    const size_t lanes = hn::Lanes (df);
    size_t i = 0;

    for (; i + lanes <= count; i += lanes)
        hn::StoreU (curve (hn::LoadU (df, source + i)), df, destination + i);

    if (i < count)
    {
        HWY_ALIGN float tail[maxLanes] = {};
        for (size_t j = i; j < count; ++j)
            tail[j - i] = source[j];

        hn::Store (curve (hn::Load (df, tail)), df, tail);

        for (size_t j = i; j < count; ++j)
            destination[j] = tail[j - i];
    }
}

template <typename Curve>
HWY_INLINE void linkVector (VF& left, VF& right, Curve curve)
{
    const VF v = hn::Sqrt ((right * right + left * left) / splat (sqrtTwo));
    const VF k = splat (sqrtTwo) * curve (v) / v;
    // A NaN level is not zero and goes through the curve.
    const auto nonZero = hn::Not (hn::Eq (v, hn::Zero (DF())));
    left = hn::IfThenElseZero (nonZero, left * k);
    right = hn::IfThenElseZero (nonZero, right * k);
}

// NOSAT: k = √2·v/v is √2 itself or a neighbour whenever v is finite and not zero
// (√2·v rounded, divided by v, lies within 0.71 ulp of √2), so L·√2 stays within
// 2 ulps of L·k. v = √q is zero, or finite, exactly when q is (DAZ treats a
// denormal q as zero in the comparison as in the root), so neither the square root nor
// the division by v is needed; silence stays silent and a non-finite v gives NaN.
HWY_INLINE void linkVector (VF& left, VF& right, LinkedNosat)
{
    const VF q = (right * right + left * left) / splat (sqrtTwo);
    // q − q is 0 for a finite q and NaN otherwise.
    const VF k = splat (sqrtTwo) + (q - q);
    const auto nonZero = hn::Not (hn::Eq (q, hn::Zero (DF())));
    left = hn::IfThenElseZero (nonZero, left * k);
    right = hn::IfThenElseZero (nonZero, right * k);
}

template <typename Curve>
void linkChannels (float* left, float* right, size_t count, Curve curve)
{
    const DF df;
    const size_t lanes = hn::Lanes (df);
    size_t i = 0;

    for (; i + lanes <= count; i += lanes)
    {
        VF l = hn::LoadU (df, left + i);
        VF r = right != nullptr ? hn::LoadU (df, right + i) : hn::Zero (df);
        linkVector (l, r, curve);
        hn::StoreU (l, df, left + i);
        if (right != nullptr)
            hn::StoreU (r, df, right + i);
    }

    if (i < count)
    {
        HWY_ALIGN float tailLeft[maxLanes] = {};
        HWY_ALIGN float tailRight[maxLanes] = {};
        for (size_t j = i; j < count; ++j)
        {
            tailLeft[j - i] = left[j];
            tailRight[j - i] = right != nullptr ? right[j] : 0.0f;
        }

        VF l = hn::Load (df, tailLeft);
        VF r = hn::Load (df, tailRight);
        linkVector (l, r, curve);
        hn::Store (l, df, tailLeft);
        hn::Store (r, df, tailRight);

        for (size_t j = i; j < count; ++j)
        {
            left[j] = tailLeft[j - i];
            if (right != nullptr)
                right[j] = tailRight[j - i];
        }
    }
}

// Leaves the upper halves of the vector registers clean: legacy SSE code running after
// a kernel (the host's, the C library's) would otherwise pay on every instruction.
// GCC 12 misses the vzeroupper on some exit paths of the loops above.
HWY_INLINE void cleanUpperState()
{
#if HWY_TARGET <= HWY_AVX2
    _mm256_zeroupper();
#endif
}

void curveKernel (float* destination, const float* source, int count, int curve, float gain)
{
    const VF g = splat (gain);
    const auto n = static_cast<size_t> (count);

    switch (curve)
    {
        case Tavik::arctan: shapeChannel (destination, source, n, Arctan { g }); break;
        case Tavik::tanhyp: shapeChannel (destination, source, n, Tanhyp { g }); break;
        case Tavik::gauss: shapeChannel (destination, source, n, Gauss { g }); break;
        case Tavik::fres: shapeChannel (destination, source, n, FresCosine { g }); break;
        case Tavik::circ: shapeChannel (destination, source, n, Circ { g }); break;
        default: break;
    }

    cleanUpperState();
}

void linkedKernel (float* left, float* right, int count, int curve, float gain)
{
    const VF g = splat (gain);
    const auto n = static_cast<size_t> (count);

    switch (curve)
    {
        case Tavik::nosat: linkChannels (left, right, n, LinkedNosat {}); break;
        case Tavik::arctan: linkChannels (left, right, n, Arctan { g }); break;
        case Tavik::tanhyp: linkChannels (left, right, n, Tanhyp { g }); break;
        // The accurate erf stands in for the incomplete-gamma form: it lies within that
        // form's own error bound of the scalar result, at a fixed cost per sample.
        case Tavik::gauss: linkChannels (left, right, n, Gauss { g }); break;
        case Tavik::fres: linkChannels (left, right, n, FresSine { g }); break;
        case Tavik::circ: linkChannels (left, right, n, LinkedCirc { g }); break;
        default: break;
    }

    cleanUpperState();
}
} // namespace
} // namespace HWY_NAMESPACE

const Kernels& TAVIK_KERNELS() noexcept
{
    static constexpr Kernels kernels { HWY_NAMESPACE::curveKernel, HWY_NAMESPACE::linkedKernel };
    return kernels;
}
} // namespace tavik::simd
