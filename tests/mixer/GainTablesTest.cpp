// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "mixer/GainTables.h"

#include <gtest/gtest.h>

#include <cmath>

using Work::GainTables;

TEST (GainTables, VolumeLawRunsFromSilenceToUnityThroughItsDecibelSteps)
{
    GainTables tables;
    EXPECT_EQ (tables.volume (0), 0.0f);
    EXPECT_EQ (tables.volume (127), 1.0f);
    EXPECT_NEAR (tables.volume (1), std::pow (10.0f, -82.875f / 20.0f), 1e-9f);
    EXPECT_NEAR (tables.volume (64), std::pow (10.0f, -18.769f / 20.0f), 1e-6f);
    EXPECT_NEAR (tables.volume (126), std::pow (10.0f, -0.186f / 20.0f), 1e-6f);
    EXPECT_FLOAT_EQ (Work::dbToGain (0.0f), 1.0f);
    EXPECT_NEAR (Work::dbToGain (-6.0206f), 0.5f, 1e-5f);

    // A mistyped entry in the decibel list would break the strictly rising law.
    for (int i = 1; i < 128; ++i)
        EXPECT_GT (tables.volume (i), tables.volume (i - 1)) << i;
}

TEST (GainTables, PanIsConstantPowerWithTwoCentreSteps)
{
    GainTables tables;
    EXPECT_EQ (tables.panLeft (0), 1.0f);
    EXPECT_EQ (tables.panRight (0), 0.0f);
    EXPECT_EQ (tables.panLeft (127), 0.0f);
    EXPECT_EQ (tables.panRight (127), 1.0f);

    for (int centre : { 63, 64 })
    {
        EXPECT_NEAR (tables.panLeft (centre), 0.7115f, 1e-4f) << centre;
        EXPECT_NEAR (tables.panRight (centre), 0.7027f, 1e-4f) << centre;
    }

    for (int i = 0; i < 127; ++i)
        EXPECT_NEAR (tables.panLeft (i) * tables.panLeft (i) + tables.panRight (i) * tables.panRight (i), 1.0f, 1e-6f) << i;
}

TEST (GainTables, BalanceAttenuatesOneSideAlongTheVolumeLaw)
{
    GainTables tables;
    struct Anchor
    {
        int step;
        float left, right;
    };

    for (auto a :
         { Anchor { 0, 1.0f, 0.0f }, Anchor { 1, 1.0f, 0.0f }, Anchor { 2, 1.0f, tables.volume (2) },
           Anchor { 63, 1.0f, tables.volume (124) }, Anchor { 64, 1.0f, 1.0f }, Anchor { 65, tables.volume (124), 1.0f },
           Anchor { 126, tables.volume (2), 1.0f }, Anchor { 127, 0.0f, 1.0f } })
    {
        EXPECT_EQ (tables.balanceLeft (a.step), a.left) << a.step;
        EXPECT_EQ (tables.balanceRight (a.step), a.right) << a.step;
    }
}

TEST (GainTables, StepsOutsideTheRangeNeverIndexOutside)
{
    GainTables tables;
    EXPECT_EQ (tables.volume (-1), tables.volume (0));
    EXPECT_EQ (tables.volume (128), tables.volume (127));
    EXPECT_EQ (tables.panRight (1 << 30), tables.panRight (127));
    EXPECT_EQ (tables.balanceLeft (-1000), tables.balanceLeft (0));
}
