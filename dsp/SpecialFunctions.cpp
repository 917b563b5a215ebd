#include "dsp/SpecialFunctions.h"

#include "dsp/FresnelCoefficients.h"

#include <cmath>
#include <cstdio>

namespace
{
using namespace tavik::fresnel;

constexpr double pi = 3.14159265358979323846;

// c[0]·tⁿ + … + c[n]
template <int n>
float poly (float t, const float (&c)[n + 1])
{
    float result = c[0];
    for (int i = 1; i <= n; ++i)
        result = result * t + c[i];
    return result;
}

// tⁿ + c[0]·tⁿ⁻¹ + … + c[n−1]: the leading coefficient 1 is not stored.
template <int n>
float poly1 (float t, const float (&c)[n])
{
    float result = t + c[0];
    for (int i = 1; i < n; ++i)
        result = result * t + c[i];
    return result;
}

constexpr int maxIterations = 100;
constexpr double seriesEpsilon = 3.0e-7;
constexpr double fractionEpsilon = 6.0e-8;
constexpr float tiny = 1.0e-30f;
constexpr double logGammaHalf = 0.5723649263381958; // ln √π rounded to single precision

// Beyond x = 100, Q(1/2, x) < 1e-44: P(1/2, x) is exactly 1 in single precision, so
// larger arguments (where the continued fraction may no longer converge) need no
// evaluation.
constexpr float saturatedArgument = 100.0f;

// exp(a·ln x − x − lnΓ(a)) for a = 1/2
double prefactor (float x)
{
    return std::exp (0.5 * std::log (static_cast<double> (x)) - static_cast<double> (x) - logGammaHalf);
}
} // namespace

extern "C" void fresnl_integral (float x, float* s, float* c)
{
    const float ax = std::fabs (x);
    float ss, cc;

    if (std::isinf (x))
    {
        ss = 0.5f;
        cc = 0.5f;
    }
    else
    {
        const float x2 = x * x;

        if (x2 < seriesLimit)
        {
            const float t = x2 * x2;
            ss = ax * x2 * poly<5> (t, sn) / poly1<6> (t, sd);
            cc = ax * poly<5> (t, cn) / poly<6> (t, cd);
        }
        else if (ax > asymptotic)
        {
            const double bigT = pi * static_cast<double> (ax);
            const double theta = bigT * static_cast<double> (ax) / 2.0;
            ss = static_cast<float> (0.5 - std::cos (theta) / bigT);
            cc = static_cast<float> (0.5 + std::sin (theta) / bigT);
        }
        else
        {
            const float t = static_cast<float> (pi * static_cast<double> (x2));
            const float u = 1.0f / (t * t);
            const float f = 1.0f - u * poly<9> (u, fn) / poly1<10> (u, fd);
            const float g = (1.0f / t) * poly<10> (u, gn) / poly1<11> (u, gd);

            const auto theta = static_cast<double> (static_cast<float> (pi / 2.0 * static_cast<double> (x2)));
            const auto sinTheta = static_cast<float> (std::sin (theta));
            const auto cosTheta = static_cast<float> (std::cos (theta));

            const auto bigT = static_cast<float> (pi * static_cast<double> (ax));
            cc = 0.5f + (f * sinTheta - g * cosTheta) / bigT;
            ss = 0.5f - (f * cosTheta + g * sinTheta) / bigT;
        }
    }

    if (x < 0.0f)
    {
        cc = -cc;
        ss = -ss;
    }

    *s = ss;
    *c = cc;
}

extern "C" float erf_incgamma (float z)
{
    const float x = z * z;

    if (std::isnan (x))
        return x;

    float p;

    if (x > saturatedArgument)
        p = 1.0f;
    else if (x < 1.5f)
        p = x <= 0.0f ? 0.0f : gser (x);
    else
        p = 1.0f - gcf (x);

    return z < 0.0f ? -p : p;
}

extern "C" float gser (float x)
{
    float ap = 0.5f;
    float del = 2.0f;
    float sum = 2.0f;

    for (int n = 1; n <= maxIterations; ++n)
    {
        ap += 1.0f;
        del = del * (x / ap);
        sum += del;

        if (std::fabs (static_cast<double> (del)) < std::fabs (static_cast<double> (sum)) * seriesEpsilon)
            return static_cast<float> (static_cast<double> (sum) * prefactor (x));
    }

    nrerror ("a too large, ITMAX too small in routine gser");
    return static_cast<float> (static_cast<double> (sum) * prefactor (x));
}

extern "C" float gcf (float x)
{
    float b = static_cast<float> (static_cast<double> (x) + 1.0 - 0.5);
    float c = 1.0f / tiny;
    float d = 1.0f / b;
    float h = d;
    bool converged = false;

    for (int i = 1; i <= maxIterations; ++i)
    {
        const auto fi = static_cast<float> (i);
        const float an = -fi * (fi - 0.5f);
        b += 2.0f;
        d = an * d + b;
        c = b + an / c;

        if (std::fabs (c) < tiny)
            c = tiny;

        d = std::fabs (d) < tiny ? 1.0f / tiny : 1.0f / d;

        const float del = d * c;
        h *= del;

        if (std::fabs (static_cast<double> (del) - 1.0) < fractionEpsilon)
        {
            converged = true;
            break;
        }
    }

    if (! converged)
        nrerror ("a too large, ITMAX too small in gcf");

    return static_cast<float> (static_cast<double> (h) * prefactor (x));
}

extern "C" void nrerror (const char* message)
{
    std::fprintf (stderr, "Numerical Recipes run-time error...\n");
    std::fprintf (stderr, "%s\n", message);
    std::fprintf (stderr, "...now exiting to system...\n");
}
