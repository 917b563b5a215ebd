// The vector engine against the scalar reference, on every instruction set that this
// CPU runs. Both evaluate the same formulas with the same float roundings of the
// curves' arguments; they differ by the C library functions' own errors (glibc:
// atanf, erff, asinf and sinf 1 ulp, tanhf 2 ulps) against the vector engine's
// nearly correctly rounded ones. A result may therefore sit a few ulps away, and
// where the formula amplifies an error that both carry (CIRC's angle, the linked
// factor), by the reference's own error bound.

#include "FloatTesting.h"

#include "dsp/BlockProcessing.h"
#include "dsp/Engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <ostream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace
{
using tavik::Isa;
using tavik::testing::bitsOf;
using tavik::testing::ulpDistance;
using tavik::testing::unitRoundoff;

using tavik::testing::inf;
using tavik::testing::nan;
constexpr double sqrtTwo = 1.41421354;
constexpr double halfPi = 1.57079637;

constexpr float gains[] = { 0.0f, 1.0e-3f, 0.25f, 0.5f, 0.7f, 1.0f, 1.5f, 2.0f, 3.0f, 4.0f, 7.3f, 12.0f, 30.0f };

const char* const curveNames[] = { "NOSAT", "ARCTAN", "TANHYP", "GAUSS", "FRES", "CIRC" };

double ulpOf (double value)
{
    const auto magnitude = static_cast<float> (std::abs (value));
    if (magnitude == 0.0f || std::isinf (magnitude))
        return 0x1p-149;
    return std::max (static_cast<double> (std::nextafter (magnitude, inf) - magnitude), 0x1p-149);
}

// Every 1e-4 over ±2.5, where the curves bend and CIRC meets its clamp; magnitudes
// from 1e-30 to 1e30 in steps of 3 %, both signs; and the edges of the branches.
std::vector<float> sweep()
{
    std::vector<float> x;
    for (int i = -25000; i <= 25000; ++i)
        x.push_back (static_cast<float> (i) * 1.0e-4f);
    for (float m = 1.0e-30f; m < 1.0e30f; m *= 1.03f)
    {
        x.push_back (m);
        x.push_back (-m);
    }
    for (const float edge : { 1.0f, 0.99999994f, 1.0000001f, 0.70710677f, 1.6008f, 26144.0f, 26145.0f, 1.0e7f,
                              3.0e38f, std::numeric_limits<float>::max(), std::numeric_limits<float>::min() })
    {
        x.push_back (edge);
        x.push_back (-edge);
    }
    return x;
}

const std::vector<float>& inputs()
{
    static const auto x = sweep();
    return x;
}

std::vector<float> referenceCurve (const std::vector<float>& x, int curve, float gain)
{
    Tavik saturator;
    std::vector<float> y (x.size());
    tavik::reference::process (saturator, y.data(), x.data(), gain, curve, static_cast<int> (x.size()));
    return y;
}

std::vector<float> vectorCurve (Isa isa, const std::vector<float>& x, int curve, float gain)
{
    std::vector<float> y (x.size(), -123.0f);
    tavik::engine::process (isa, y.data(), x.data(), gain, curve, static_cast<int> (x.size()));
    return y;
}

// How far the vector engine may be from the reference at x: 4 ulps, and for CIRC the
// rounding of the angle a = asin(x)·g, which both engines carry (3u|a| each, from
// the arcsine and the product) and which sin passes on unreduced near its zeros, plus
// an ulp of each sine.
double curveTolerance (int curve, float x, float gain, float expected)
{
    const double ulps = 4.0 * ulpOf (expected);
    if (curve != Tavik::circ)
        return ulps;

    const double angle = std::abs (x) >= 1.0f ? halfPi * gain : std::asin (static_cast<double> (x)) * gain;
    return std::max (ulps, 2.0 * ulpOf (expected) + 6.0 * unitRoundoff * std::abs (angle));
}

// Equal bits, or both NaN: which NaN comes out depends on the order of a vector's
// operations, and no NaN is worth more than another.
bool sameSamples (const std::vector<float>& a, const std::vector<float>& b, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        if (bitsOf (a[i]) != bitsOf (b[i]) && ! (std::isnan (a[i]) && std::isnan (b[i])))
            return false;
    return true;
}

class VectorEngine : public ::testing::TestWithParam<Isa>
{
protected:
    void SetUp() override
    {
        if (! tavik::isSupported (GetParam()))
            GTEST_SKIP() << tavik::nameOf (GetParam()) << " is not available on this CPU";
    }

    Isa isa() const { return GetParam(); }
};

TEST_P (VectorEngine, CurvesFollowTheReferenceOverDenseSweeps)
{
    const auto& x = inputs();

    for (int curve = Tavik::arctan; curve < Tavik::numCurves; ++curve)
    {
        for (const float gain : gains)
        {
            const auto expected = referenceCurve (x, curve, gain);
            const auto actual = vectorCurve (isa(), x, curve, gain);
            int failures = 0;

            for (size_t i = 0; i < x.size() && failures < 5; ++i)
            {
                if (std::isnan (expected[i]) || std::isnan (actual[i]))
                {
                    if (std::isnan (expected[i]) != std::isnan (actual[i]))
                    {
                        ++failures;
                        ADD_FAILURE() << curveNames[curve] << " x " << x[i] << " gain " << gain << ": " << actual[i]
                                      << " vs " << expected[i];
                    }
                    continue;
                }

                const double tolerance = curveTolerance (curve, x[i], gain, expected[i]);
                if (std::abs (static_cast<double> (actual[i]) - expected[i]) > tolerance)
                {
                    ++failures;
                    ADD_FAILURE() << curveNames[curve] << " x " << x[i] << " gain " << gain << ": " << actual[i]
                                  << " vs " << expected[i] << " (" << ulpDistance (actual[i], expected[i])
                                  << " ulps)";
                }
            }
        }
    }
}

TEST_P (VectorEngine, CurvesAreOddAndBounded)
{
    const auto& x = inputs();
    std::vector<float> negated (x.size());
    std::transform (x.begin(), x.end(), negated.begin(), [] (float v) { return -v; });

    for (int curve = Tavik::arctan; curve < Tavik::numCurves; ++curve)
    {
        for (const float gain : gains)
        {
            const auto y = vectorCurve (isa(), x, curve, gain);
            const auto yNegated = vectorCurve (isa(), negated, curve, gain);
            int failures = 0;

            for (size_t i = 0; i < x.size() && failures < 5; ++i)
            {
                const bool odd = yNegated[i] == -y[i];
                const bool bounded = curve == Tavik::fres || std::abs (y[i]) <= 1.0f;
                if (! odd || ! bounded)
                {
                    ++failures;
                    ADD_FAILURE() << curveNames[curve] << " x " << x[i] << " gain " << gain << ": " << y[i]
                                  << ", at −x " << yNegated[i];
                }
            }
        }
    }
}

TEST_P (VectorEngine, ExactValues)
{
    auto one = [this] (int curve, float x, float gain)
    {
        float y = -123.0f;
        tavik::engine::process (isa(), &y, &x, gain, curve, 1);
        return y;
    };

    // ARCTAN of an infinite product is exactly ±1.
    for (const auto& [x, gain] : { std::pair { inf, 1.0f }, { inf, 0.5f }, { 1.0e30f, 1.0e10f }, { 3.0e38f, 30.0f } })
    {
        EXPECT_EQ (one (Tavik::arctan, x, gain), 1.0f) << x << " " << gain;
        EXPECT_EQ (one (Tavik::arctan, -x, gain), -1.0f) << -x << " " << gain;
    }

    // CIRC at gain 1 clips at exactly ±1 from ±1 on.
    for (const float x : { 1.0f, 1.0000001f, 2.0f, 3.0f, 1.0e30f, inf })
    {
        EXPECT_EQ (one (Tavik::circ, x, 1.0f), 1.0f) << x;
        EXPECT_EQ (one (Tavik::circ, -x, 1.0f), -1.0f) << -x;
    }

    // Gain 0 silences every curve but NOSAT, for every finite sample.
    for (int curve = Tavik::arctan; curve < Tavik::numCurves; ++curve)
    {
        const auto y = vectorCurve (isa(), inputs(), curve, 0.0f);
        EXPECT_TRUE (std::all_of (y.begin(), y.end(), [] (float v) { return v == 0.0f; })) << curveNames[curve];
    }

    for (const float gain : { 0.5f, 1.0f, 30.0f })
        EXPECT_EQ (bitsOf (one (Tavik::fres, 0.0f, gain)), bitsOf (0.0f));
}

TEST_P (VectorEngine, NonFiniteSamplesAsInTheReference)
{
    const std::vector<float> x { nan, -nan, inf, -inf, 0.5f, nan, -3.0f };

    for (int curve = 0; curve < Tavik::numCurves; ++curve)
    {
        for (const float gain : { 0.5f, 1.0f, 2.7f, 30.0f })
        {
            const auto expected = referenceCurve (x, curve, gain);
            const auto actual = vectorCurve (isa(), x, curve, gain);

            for (size_t i = 0; i < x.size(); ++i)
            {
                SCOPED_TRACE (::testing::Message() << curveNames[curve] << " x " << x[i] << " gain " << gain);
                if (curve == Tavik::nosat)
                    EXPECT_EQ (bitsOf (actual[i]), bitsOf (x[i]));
                else if (std::isnan (expected[i]))
                    EXPECT_TRUE (std::isnan (actual[i]));
                else if (std::isinf (x[i]) && curve != Tavik::circ)
                    EXPECT_EQ (actual[i], expected[i]);
                else
                    EXPECT_LE (std::abs (static_cast<double> (actual[i]) - expected[i]),
                               curveTolerance (curve, x[i], gain, expected[i]));
            }
        }
    }
}

// Lanes are independent and a block's tail takes the same path as its body: any
// split of a block, in place or not, gives the same bits.
TEST_P (VectorEngine, ResultsDoNotDependOnTheBlockSplit)
{
    std::vector<float> x;
    for (int i = 0; i < 300; ++i)
        x.push_back (1.7f * std::sin (0.37f * static_cast<float> (i)));
    x[5] = nan;
    x[77] = inf;
    x[150] = -4.0e4f;

    for (int curve = 0; curve < Tavik::numCurves; ++curve)
    {
        const auto whole = vectorCurve (isa(), x, curve, 3.0f);

        for (const int piece : { 1, 3, 7, 16, 33, 64 })
        {
            auto inPlace = x;
            for (int start = 0; start < static_cast<int> (x.size()); start += piece)
            {
                const int count = std::min (piece, static_cast<int> (x.size()) - start);
                tavik::engine::process (isa(), inPlace.data() + start, inPlace.data() + start, 3.0f, curve, count);
            }
            EXPECT_TRUE (sameSamples (inPlace, whole, x.size())) << curveNames[curve] << ", pieces of " << piece;
        }

        std::vector<float> untouched (4, 42.0f);
        tavik::engine::process (isa(), untouched.data(), x.data(), 3.0f, curve, 0);
        EXPECT_EQ (untouched, std::vector<float> (4, 42.0f));
    }

    std::vector<float> untouched (x.size(), 42.0f);
    tavik::engine::process (isa(), untouched.data(), x.data(), 3.0f, Tavik::numCurves, static_cast<int> (x.size()));
    tavik::engine::process (isa(), untouched.data(), x.data(), 3.0f, -1, static_cast<int> (x.size()));
    EXPECT_EQ (untouched, std::vector<float> (x.size(), 42.0f));
}

//==============================================================================
// Linked mode.

struct Pairs
{
    std::vector<float> left, right;
};

// A grid over ±2.2 in both channels, with silence on either side.
Pairs pairGrid()
{
    Pairs pairs;
    for (int i = -110; i <= 110; ++i)
    {
        for (int j = -110; j <= 110; j += 3)
        {
            pairs.left.push_back (static_cast<float> (i) * 0.02f);
            pairs.right.push_back (static_cast<float> (j) * 0.02f + 0.001f * static_cast<float> (i % 7));
        }
    }
    return pairs;
}

// The reference's own bound, as in BlockProcessingTest.cpp: the curve's error e_D in
// ulps of D, scaled by |L·√2/v|, plus 3u for forming the factor and the product. The
// vector engine adds its own ulp of D and 3u; CIRC adds its angle's rounding in both.
// Ulps of D: ARCTAN 3, TANHYP 2, GAUSS 16 (the incomplete-gamma erf), FRES and NOSAT
// none beyond the roundings, CIRC 1.
double linkedTolerance (int curve, float l, float r, float gain, float expected)
{
    const double curveUlps[] = { 0.0, 3.0, 2.0, 16.0, 1.0, 1.0 };
    const double v = std::sqrt ((static_cast<double> (r) * r + static_cast<double> (l) * l) / sqrtTwo);
    const double scale = std::abs (l) * sqrtTwo / v;
    const double d = std::abs (expected) / scale;

    double bound = (curveUlps[curve] + 1.0) * ulpOf (d) * scale + 6.0 * unitRoundoff * std::abs (expected);
    if (curve == Tavik::circ)
        bound += 6.0 * unitRoundoff * (v >= 1.0 ? halfPi : std::asin (v)) * gain * scale;

    return std::max (4.0 * ulpOf (expected), bound);
}

TEST_P (VectorEngine, LinkedFollowsTheReferenceOverDenseGrids)
{
    const auto input = pairGrid();
    const int n = static_cast<int> (input.left.size());

    for (int curve = 0; curve < Tavik::numCurves; ++curve)
    {
        for (const float gain : gains)
        {
            Tavik saturator;
            auto expected = input;
            tavik::reference::processLinked (saturator, expected.left.data(), expected.right.data(), n, curve, gain);
            auto actual = input;
            tavik::engine::processLinked (isa(), actual.left.data(), actual.right.data(), n, curve, gain);

            int failures = 0;
            for (size_t i = 0; i < input.left.size() && failures < 5; ++i)
            {
                const float l = input.left[i], r = input.right[i];
                for (const auto& [got, want, own, other] :
                     { std::tuple { actual.left[i], expected.left[i], l, r },
                       std::tuple { actual.right[i], expected.right[i], r, l } })
                {
                    if (own == 0.0f ? got != 0.0f
                                    : std::abs (static_cast<double> (got) - want)
                                          > linkedTolerance (curve, own, other, gain, want))
                    {
                        ++failures;
                        ADD_FAILURE() << curveNames[curve] << " L " << l << " R " << r << " gain " << gain << ": "
                                      << got << " vs " << want << " (" << ulpDistance (got, want) << " ulps)";
                    }
                }
            }
        }
    }
}

TEST_P (VectorEngine, LinkedExactValues)
{
    for (int curve = 0; curve < Tavik::numCurves; ++curve)
    {
        for (const float gain : gains)
        {
            // Silence stays exactly silent.
            Pairs silent { std::vector<float> (37, 0.0f), std::vector<float> (37, -0.0f) };
            tavik::engine::processLinked (isa(), silent.left.data(), silent.right.data(), 37, curve, gain);
            for (size_t i = 0; i < 37; ++i)
            {
                EXPECT_EQ (bitsOf (silent.left[i]), bitsOf (0.0f)) << curveNames[curve] << " gain " << gain;
                EXPECT_EQ (bitsOf (silent.right[i]), bitsOf (0.0f)) << curveNames[curve] << " gain " << gain;
            }
        }

        if (curve != Tavik::nosat)
        {
            auto block = pairGrid();
            tavik::engine::processLinked (isa(), block.left.data(), block.right.data(),
                                          static_cast<int> (block.left.size()), curve, 0.0f);
            EXPECT_TRUE (std::all_of (block.left.begin(), block.left.end(), [] (float v) { return v == 0.0f; }));
            EXPECT_TRUE (std::all_of (block.right.begin(), block.right.end(), [] (float v) { return v == 0.0f; }));
        }
    }
}

TEST_P (VectorEngine, LinkedNonFiniteSamplesAndAMissingRightChannel)
{
    const Pairs input { { nan, 0.25f, inf, 0.25f, -inf, 1.0e38f, 0.5f, -0.75f, 0.0f },
                        { 0.25f, nan, 0.25f, -inf, 0.0f, 1.0e38f, 0.5f, 0.0f, 0.3f } };
    const int n = static_cast<int> (input.left.size());

    for (int curve = 0; curve < Tavik::numCurves; ++curve)
    {
        for (const float gain : { 0.5f, 1.0f, 4.0f })
        {
            Tavik saturator;
            auto expected = input;
            tavik::reference::processLinked (saturator, expected.left.data(), expected.right.data(), n, curve, gain);
            auto actual = input;
            tavik::engine::processLinked (isa(), actual.left.data(), actual.right.data(), n, curve, gain);

            for (size_t i = 0; i < input.left.size(); ++i)
            {
                SCOPED_TRACE (::testing::Message() << curveNames[curve] << " gain " << gain << " index " << i);
                for (const auto& [got, want, own, other] :
                     { std::tuple { actual.left[i], expected.left[i], input.left[i], input.right[i] },
                       std::tuple { actual.right[i], expected.right[i], input.right[i], input.left[i] } })
                {
                    EXPECT_EQ (std::isnan (got), std::isnan (want));
                    if (std::isfinite (want) && std::isfinite (own) && std::isfinite (other))
                    {
                        EXPECT_LE (std::abs (static_cast<double> (got) - want),
                                   linkedTolerance (curve, own, other, gain, want));
                    }
                    else if (! std::isnan (want))
                    {
                        EXPECT_EQ (got, want);
                    }
                }
            }

            // Without a right channel the right input counts as silence.
            auto withSilentRight = input;
            std::fill (withSilentRight.right.begin(), withSilentRight.right.end(), 0.0f);
            tavik::engine::processLinked (isa(), withSilentRight.left.data(), withSilentRight.right.data(), n, curve,
                                          gain);
            auto leftOnly = input.left;
            tavik::engine::processLinked (isa(), leftOnly.data(), nullptr, n, curve, gain);
            EXPECT_TRUE (sameSamples (leftOnly, withSilentRight.left, leftOnly.size()));
        }
    }
}

// Linked NOSAT scales by √2 itself where the scalar loop scales by k = (√2·v)/v. For a
// finite v other than zero, √2·v rounded is within u of the exact product, so the
// quotient lies within 0.71 ulp of √2 and rounds to √2 or a neighbour: L·√2 and L·k are
// at most 1.41 ulps apart before their own roundings, 2 ulps after. Levels whose
// squares underflow stay silent and levels whose squares overflow give NaN in both,
// with denormals kept or flushed.
TEST_P (VectorEngine, LinkedNosatScalesByTheSquareRootOfTwo)
{
    Pairs input;
    for (float m = 1.0e-30f; m < 1.0e30f; m *= 1.07f)
    {
        for (const float ratio : { 0.0f, -1.0e-3f, 0.3f, -1.0f, 2.5f, 1.0e4f })
        {
            input.left.push_back (m);
            input.right.push_back (m * ratio);
        }
    }
    const int n = static_cast<int> (input.left.size());

    for (const bool flushDenormals : { false, true })
    {
        auto check = [&]
        {
            Tavik saturator;
            auto expected = input;
            tavik::reference::processLinked (saturator, expected.left.data(), expected.right.data(), n, Tavik::nosat,
                                             1.0f);
            auto actual = input;
            tavik::engine::processLinked (isa(), actual.left.data(), actual.right.data(), n, Tavik::nosat, 1.0f);

            int failures = 0;
            for (size_t i = 0; i < input.left.size() && failures < 5; ++i)
            {
                for (const auto& [got, want] : { std::pair { actual.left[i], expected.left[i] },
                                                 std::pair { actual.right[i], expected.right[i] } })
                {
                    const bool same = std::isnan (want) ? std::isnan (got)
                                      : want == 0.0f    ? bitsOf (got) == bitsOf (want)
                                                        : ulpDistance (got, want) <= 2.0;
                    if (! same)
                    {
                        ++failures;
                        ADD_FAILURE() << "L " << input.left[i] << " R " << input.right[i] << " flushed "
                                      << flushDenormals << ": " << got << " vs " << want;
                    }
                }
            }
        };

        if (flushDenormals)
        {
            tavik::testing::ScopedFlushDenormals flush;
            check();
        }
        else
        {
            check();
        }
    }
}

TEST_P (VectorEngine, LinkedResultsDoNotDependOnTheBlockSplit)
{
    const auto input = pairGrid();
    const size_t n = 500;

    for (int curve = 0; curve < Tavik::numCurves; ++curve)
    {
        auto whole = input;
        tavik::engine::processLinked (isa(), whole.left.data(), whole.right.data(), static_cast<int> (n), curve, 2.5f);

        for (const int piece : { 1, 5, 17, 64 })
        {
            auto split = input;
            for (size_t start = 0; start < n; start += static_cast<size_t> (piece))
                tavik::engine::processLinked (isa(), split.left.data() + start, split.right.data() + start,
                                              std::min (piece, static_cast<int> (n - start)), curve, 2.5f);
            EXPECT_TRUE (sameSamples (split.left, whole.left, n)) << curveNames[curve];
            EXPECT_TRUE (sameSamples (split.right, whole.right, n)) << curveNames[curve];
        }
    }
}

// The channel modes around the vector engine: mono silences the right channel, stereo
// shapes each channel on its own, an empty block or unknown mode changes nothing.
TEST_P (VectorEngine, ChannelModesOnTheChosenInstructionSet)
{
    const auto input = pairGrid();
    const int n = 100;

    for (int curve = 0; curve < Tavik::numCurves; ++curve)
    {
        const std::vector<float> left (input.left.begin(), input.left.begin() + n);
        const std::vector<float> right (input.right.begin(), input.right.begin() + n);

        auto monoLeft = left, monoRight = right;
        tavik::processBlock (isa(), monoLeft.data(), monoRight.data(), n, tavik::monoLeft, curve, 2.0f);
        EXPECT_EQ (monoLeft, vectorCurve (isa(), left, curve, 2.0f)) << curveNames[curve];
        EXPECT_EQ (monoRight, std::vector<float> (n, 0.0f)) << curveNames[curve];

        auto stereoLeft = left, stereoRight = right;
        tavik::processBlock (isa(), stereoLeft.data(), stereoRight.data(), n, tavik::stereo, curve, 2.0f);
        EXPECT_EQ (stereoLeft, vectorCurve (isa(), left, curve, 2.0f)) << curveNames[curve];
        EXPECT_EQ (stereoRight, vectorCurve (isa(), right, curve, 2.0f)) << curveNames[curve];

        for (const auto& [mode, count] : { std::pair { int (tavik::stereo), 0 }, { int (tavik::linked), 0 }, { -1, n }, { 3, n } })
        {
            auto l = left, r = right;
            tavik::processBlock (isa(), l.data(), r.data(), count, mode, curve, 2.0f);
            EXPECT_EQ (l, left) << curveNames[curve] << " mode " << mode;
            EXPECT_EQ (r, right) << curveNames[curve] << " mode " << mode;
        }
    }
}

} // namespace

namespace tavik
{
void PrintTo (Isa isa, std::ostream* stream)
{
    *stream << nameOf (isa);
}
} // namespace tavik

namespace
{
INSTANTIATE_TEST_SUITE_P (EveryIsa, VectorEngine, ::testing::ValuesIn (tavik::allIsas),
                          [] (const ::testing::TestParamInfo<Isa>& info)
                          {
                              std::string name = tavik::nameOf (info.param);
                              name.erase (std::remove (name.begin(), name.end(), '-'), name.end());
                              return name;
                          });

TEST (VectorEngineDispatch, RunsOnTheFastestSupportedInstructionSet)
{
    const Isa fastest = tavik::fastestIsa();
    EXPECT_TRUE (tavik::isSupported (fastest));
    EXPECT_TRUE (tavik::isSupported (Isa::sse2));
    for (const Isa isa : tavik::allIsas)
    {
        if (static_cast<int> (isa) > static_cast<int> (fastest))
        {
            EXPECT_FALSE (tavik::isSupported (isa)) << tavik::nameOf (isa);
        }
    }

    // Tavik::process and processBlock go through it.
    const auto& x = inputs();
    Tavik saturator;
    std::vector<float> y (x.size());
    saturator.process (y.data(), x.data(), 2.0f, Tavik::tanhyp, static_cast<int> (x.size()));
    EXPECT_EQ (y, vectorCurve (fastest, x, Tavik::tanhyp, 2.0f));
}

// CPUs with SSE2 alone run the scalar engine, in every mode and for every curve.
TEST (VectorEngineDispatch, Sse2RunsTheScalarEngine)
{
    const auto& x = inputs();
    const auto pairs = pairGrid();
    const int n = static_cast<int> (pairs.left.size());

    for (int curve = 0; curve < Tavik::numCurves; ++curve)
    {
        for (const float gain : { 0.5f, 3.0f, 30.0f })
        {
            EXPECT_TRUE (sameSamples (vectorCurve (Isa::sse2, x, curve, gain), referenceCurve (x, curve, gain), x.size()))
                << "curve " << curve << " gain " << gain;

            Tavik saturator;
            auto expected = pairs;
            tavik::reference::processLinked (saturator, expected.left.data(), expected.right.data(), n, curve, gain);
            auto actual = pairs;
            tavik::engine::processLinked (Isa::sse2, actual.left.data(), actual.right.data(), n, curve, gain);
            EXPECT_TRUE (sameSamples (actual.left, expected.left, pairs.left.size())) << "curve " << curve;
            EXPECT_TRUE (sameSamples (actual.right, expected.right, pairs.right.size())) << "curve " << curve;
        }
    }
}
} // namespace
