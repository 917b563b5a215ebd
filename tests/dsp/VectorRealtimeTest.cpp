#include "dsp/BlockProcessing.h"
#include "dsp/Engine.h"
#include "support/RealtimeGuard.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace
{
using tavik::test::RealtimeCounts;
using tavik::test::RealtimeGuard;

// The vector engine on every instruction set of this CPU, every mode, curve and block
// size up to 8192, with non-finite samples in the block: no allocation, no free, no
// lock. The kernels' stack buffers and Highway's header-only functions are all it uses.
TEST (VectorEngineRealtime, NeverAllocatesNorLocks)
{
    if (! RealtimeGuard::available())
        GTEST_SKIP() << "allocation and lock counting is off in sanitizer builds";

    std::vector<float> left (8192), right (8192);
    Tavik saturator;

    for (const tavik::Isa isa : tavik::allIsas)
    {
        if (! tavik::isSupported (isa))
            continue;

        for (int mode = tavik::monoLeft; mode <= tavik::linked; ++mode)
        {
            for (int curve = 0; curve < Tavik::numCurves; ++curve)
            {
                for (const int size : { 0, 1, 15, 31, 512, 4097, 8192 })
                {
                    for (int i = 0; i < size; ++i)
                    {
                        left[static_cast<size_t> (i)] = 1.5f * std::sin (0.01f * static_cast<float> (i));
                        right[static_cast<size_t> (i)] = 1.5f * std::sin (0.01f * static_cast<float> (i + 1));
                    }
                    if (size > 3)
                    {
                        left[1] = std::numeric_limits<float>::quiet_NaN();
                        right[2] = std::numeric_limits<float>::infinity();
                        left[3] = 1.0e38f;
                    }

                    RealtimeCounts counts;
                    {
                        RealtimeGuard guard;
                        tavik::processBlock (isa, left.data(), right.data(), size, mode, curve, 4.0f);
                        if (isa == tavik::fastestIsa())
                            tavik::processBlock (saturator, left.data(), right.data(), size, mode, curve, 4.0f);
                        counts = guard.counts();
                    }

                    const auto where = ::testing::Message() << tavik::nameOf (isa) << "/" << mode << "/" << curve
                                                            << "/" << size;
                    EXPECT_EQ (counts.allocations, 0) << where;
                    EXPECT_EQ (counts.frees, 0) << where;
                    EXPECT_EQ (counts.locks, 0) << where;
                }
            }
        }
    }
}
} // namespace
