// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "BlockClock.h"

#include <cmath>

namespace Work
{

void BlockClock::update (int n, std::int64_t now) noexcept
{
    if (n == 0)
        return;

    if (now - lastTime > resetGapMs)
    {
        skip = blocksSkipped;
        count = 0;
        blocksCounted = 0;
        sampleSum = 0;
    }

    lastTime = now;

    if (skip > 0)
    {
        --skip;
        return;
    }

    if (count == 0)
    {
        times[0] = now;
        sampleCounts[0] = n;
        sampleSum = n;
        writeIndex = 1;
        count = 1;
    }
    else
    {
        if (count < window)
            ++count;
        else
            sampleSum -= sampleCounts[std::size_t (writeIndex)];

        times[std::size_t (writeIndex)] = now;
        sampleCounts[std::size_t (writeIndex)] = n;
        sampleSum += n;
        ++blocksCounted;
        writeIndex = (writeIndex + 1) % window;
    }

    if (blocksCounted > 16777216)
        blocksCounted = 16777216;

    if (blocksCounted > settleBlocks)
        smoothedTime = (now + estimate()) / 2;
}

std::int64_t BlockClock::estimate() noexcept
{
    const auto oldest = (writeIndex - count + 2 * window) % window;
    const auto t0 = times[std::size_t (oldest)];
    std::int64_t sx = 0, sy = 0, sxx = 0, sxy = 0, samplesBefore = 0, newestCount = 0;

    for (int i = 0; i < count; ++i)
    {
        const auto index = std::size_t ((oldest + i) % window);
        const auto x = samplesBefore;
        const auto y = times[index] - t0;
        sx += x;
        sy += y;
        sxx += x * x;
        sxy += x * y;
        samplesBefore += sampleCounts[index];
        newestCount = sampleCounts[index];
    }

    const auto numerator = sxy - sx * sy;
    const auto denominator = sxx - sx * sx;

    if (denominator == 0 || numerator == 0 || sx == 0)
        return lastTime;

    const auto slope = float (double (numerator) / double (denominator)); // ms per sample
    rate = 1000.0f / slope;
    const auto xNewest = sampleSum - newestCount;
    return t0
           + std::int64_t (
               std::trunc (float (float (xNewest) * slope + float (double (sy) / (double (slope) * double (sx))))));
}

} // namespace Work
