// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <array>
#include <cstdint>

namespace Work
{

/** Time stamps for audio blocks that do not jitter with the callback.

    How it works: every block reports its sample count and the wall-clock time its callback
    began. After four blocks skipped for the device to settle, the last 64 (time, samples) pairs
    are kept, and a straight line through them (time against samples played) gives the measured
    sample rate and a smoothed time for the newest block, averaged with the raw time. Until 67
    blocks have been counted, and again after any pause of more than 200 ms between callbacks,
    callers use the raw clock and the nominal rate. Time going backwards does not reset it.

    The caller reads the wall clock and passes it in, so tests can drive the clock.
    Threads: [audio]; no allocation.
*/
class BlockClock
{
public:
    /** Counts one block of n samples that began at nowMs. A block of 0 samples is ignored. */
    void update (int n, std::int64_t nowMs) noexcept;

    /** True once enough blocks have been counted for the smoothed values to be used. */
    [[nodiscard]] bool isSettled() const noexcept { return blocksCounted > settleBlocks; }

    [[nodiscard]] std::int64_t getSmoothedTime() const noexcept { return smoothedTime; }

    /** The measured rate in samples per second. */
    [[nodiscard]] float getRate() const noexcept { return rate; }

    [[nodiscard]] std::int64_t getBlocksCounted() const noexcept { return blocksCounted; }

    static constexpr int window = 64;
    static constexpr int blocksSkipped = 4;
    static constexpr std::int64_t settleBlocks = 66;
    static constexpr std::int64_t resetGapMs = 200;

private:
    std::int64_t estimate() noexcept;

    std::array<std::int64_t, window> times {};
    std::array<std::int64_t, window> sampleCounts {};
    int writeIndex = 0;
    int count = 0;
    std::int64_t lastTime = 0;
    std::int64_t blocksCounted = 0;
    std::int64_t sampleSum = 0;
    std::int64_t smoothedTime = 0;
    int skip = blocksSkipped;
    float rate = 1.0f;
};

} // namespace Work
