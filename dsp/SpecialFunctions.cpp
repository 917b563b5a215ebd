#include "dsp/SpecialFunctions.h"

#include <cmath>
#include <cstdio>

namespace
{
// Cephes fresnl coefficient tables, highest power first, rounded to single precision.
// Small arguments (x² < 2.5625), in t = x⁴.
constexpr float sn[6] = { -2.99181919401019853726E3f, 7.08840045257738576863E5f, -6.29741486205862506537E7f,
                          2.54890880573376359104E9f, -4.42979518059697779103E10f, 3.18016297876567817986E11f };
constexpr float sd[6] = { 2.81376268889994315696E2f, 4.55847810806532581675E4f, 5.17343888770096400730E6f,
                          4.19320245898111231129E8f, 2.24411795645340920940E10f, 6.07366389490084639049E11f };
constexpr float cn[6] = { -4.98843114573573548651E-8f, 9.50428062829859605134E-6f, -6.45191435683965050962E-4f,
                          1.88843319396703850064E-2f, -2.05525900955013891793E-1f, 9.99999999999999998822E-1f };
constexpr float cd[7] = { 3.99982968972495980367E-12f, 9.15439215774657478799E-10f, 1.25001862479598821474E-7f,
                          1.22262789024179030997E-5f, 8.68029542941784300606E-4f, 4.12142090722199792936E-2f,
                          1.00000000000000000118E0f };
// Auxiliary functions f and g for large arguments, in u = 1/(πx²)².
constexpr float fn[10] = { 4.21543555043677546506E-1f, 1.43407919780758885261E-1f, 1.15220955073585758835E-2f,
                           3.45017939782574027900E-4f, 4.63613749287867322088E-6f, 3.05568983790257605827E-8f,
                           1.02304514164907233465E-10f, 1.72010743268161828879E-13f, 1.34283276233062758925E-16f,
                           3.76329711269987889006E-20f };
constexpr float fd[10] = { 7.51586398353378947175E-1f, 1.16888925859191382142E-1f, 6.44051526508858611005E-3f,
                           1.55934409164153020873E-4f, 1.84627567348930545870E-6f, 1.12699224763999035261E-8f,
                           3.60140029589371370404E-11f, 5.88754533621578410010E-14f, 4.52001434074129701496E-17f,
                           1.25443237090011264384E-20f };
constexpr float gn[11] = { 5.04442073643383265887E-1f, 1.97102833525523411709E-1f, 1.87648584092575249293E-2f,
                           6.84079380915393090172E-4f, 1.15138826111884280931E-5f, 9.82852443688422223854E-8f,
                           4.45344415861750144738E-10f, 1.08268041139020870318E-12f, 1.37555460633261799868E-15f,
                           8.36354435630677421531E-19f, 1.86958710162783235106E-22f };
constexpr float gd[11] = { 1.47495759925128324529E0f, 3.37748989120019970451E-1f, 2.53603741420338795122E-2f,
                           8.14679107184306179049E-4f, 1.27545075667729118702E-5f, 1.04314589657571990585E-7f,
                           4.60680728146520428211E-10f, 1.10273215066240270757E-12f, 1.38796531259578871258E-15f,
                           8.39158816283118707363E-19f, 1.86958710162783236342E-22f };

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

        if (x2 < 2.5625f)
        {
            const float t = x2 * x2;
            ss = ax * x2 * poly<5> (t, sn) / poly1<6> (t, sd);
            cc = ax * poly<5> (t, cn) / poly<6> (t, cd);
        }
        else if (ax > 36974.0f)
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
