// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "audio/BlockClock.h"

#include <gtest/gtest.h>

#include <cmath>

using Work::BlockClock;

namespace
{
/** Feeds blocks of n samples at a steady rate, the time truncated to whole milliseconds as the
    wall clock gives it. */
struct SteadyStream
{
    BlockClock& clock;
    int n;
    double rate;
    double startMs = 1000.0;
    long blocks = 0;

    std::int64_t next()
    {
        const auto now = std::int64_t (startMs + double (blocks) * double (n) * 1000.0 / rate);
        clock.update (n, now);
        ++blocks;
        return now;
    }
};
} // namespace

TEST (BlockClock, SettlesAfterFourSkippedAndSixtySevenCountedBlocks)
{
    BlockClock clock;
    SteadyStream stream { clock, 480, 48000.0 };

    for (int i = 0; i < 71; ++i)
        stream.next();
    EXPECT_FALSE (clock.isSettled());
    EXPECT_EQ (clock.getBlocksCounted(), 66);

    stream.next();
    EXPECT_TRUE (clock.isSettled());
    EXPECT_NEAR (clock.getRate(), 48000.0f, 1.0f);
}

TEST (BlockClock, APauseOver200MsStartsAgainButBackwardsTimeDoesNot)
{
    BlockClock clock;
    SteadyStream stream { clock, 480, 48000.0 };
    for (int i = 0; i < 100; ++i)
        stream.next();
    ASSERT_TRUE (clock.isSettled());

    clock.update (480, stream.startMs + 99 * 10 - 500); // the wall clock stepped back
    EXPECT_TRUE (clock.isSettled());

    const auto last = std::int64_t (stream.startMs) + 99 * 10 - 500;
    clock.update (480, last + 200);
    EXPECT_TRUE (clock.isSettled()) << "exactly 200 ms is not a pause";
    clock.update (480, last + 401);
    EXPECT_FALSE (clock.isSettled()) << "201 ms is";
    EXPECT_EQ (clock.getBlocksCounted(), 0);

    clock.update (0, last + 5000);
    EXPECT_EQ (clock.getBlocksCounted(), 0) << "an empty block is ignored, gap or not";
}

TEST (BlockClock, MeasuresASteadyRateWithinATenthOfAPercent)
{
    // Stamps come in whole milliseconds, so the 64-block window must span about a second for
    // their truncation to stay below a tenth of a percent; shorter blocks are exact only when
    // they last whole milliseconds.
    struct Case
    {
        double rate;
        int n;
    };

    for (auto [rate, n] : { Case { 48000.0, 480 }, Case { 44100.0, 441 }, Case { 44100.0, 1024 }, Case { 48000.0, 1024 },
                            Case { 96000.0, 2048 } })
    {
        BlockClock clock;
        SteadyStream stream { clock, n, rate };
        std::int64_t now = 0;
        for (int i = 0; i < 400; ++i)
            now = stream.next();
        ASSERT_TRUE (clock.isSettled());
        EXPECT_LT (std::abs (double (clock.getRate()) - rate) / rate, 0.001) << rate << " " << n;
        EXPECT_LE (std::abs (clock.getSmoothedTime() - now), 2) << "smoothed time stays by the raw clock";
    }
}
