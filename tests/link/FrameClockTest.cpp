// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "link/FrameClock.h"

#include <gtest/gtest.h>

#include <random>

using namespace Work;

TEST (FrameClock, FindsTheDeviceRateThroughCallbackJitterAndStartsAgainAfterAJump)
{
    // A sound card 0.1 % slow against the computer, 256-frame blocks whose callbacks come up
    // to 2 ms late; the blocks' true moments are what the clock must find.
    const double nominal = 1.0e6 / 48000.0, real = nominal * 1.001;
    std::mt19937 random (7);
    std::uniform_real_distribution<double> late (0.0, 2000.0);
    FrameClock clock;

    double worst = 0.0;
    for (int block = 0; block < 6000; ++block) // 32 s
    {
        const auto truth = 1.0e9 + block * 256 * real;
        const auto placed = clock.place (truth + late (random), 256, nominal);
        if (block > 4000)
            worst = std::max (worst, std::abs (placed - 1000.0 - truth)); // the mean lateness stays
    }
    EXPECT_LT (worst, 150.0) << "settled, a block lies within 150 us of its moment";
    EXPECT_NEAR (clock.microsPerFrame() / real, 1.0, 2.0e-5);

    // A second's gap (the device restarted): placed where measured at once.
    EXPECT_DOUBLE_EQ (clock.place (5.0e9, 256, nominal), 5.0e9);
}
