// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <algorithm>
#include <cstdint>

namespace Work::ClockMath
{

/** MIDI clock runs at 24 ticks per beat. */
constexpr int ticksPerBeat = 24;

/** The clock's picture of a main loop: how many beats and bars it holds at the tapped beat
    period, and what one bar, beat and tick last. */
struct Shape
{
    int beats = 0;
    int bars = 0;
    int beatsPerBar = 0;
    int ticksPerLoop = 0;
    float msPerBar = 0.0f, msPerBeat = 0.0f, msPerTick = 0.0f;

    /** Thousandths of a beat per minute. */
    int tempoMilliBpm = 0;
};

/** A main loop of loopMs at a beat of beatMs: the beats rounded to the nearest (a half goes up),
    at least 1; whole bars of beatsPerBar, at least 1. Nothing (all 0) without a positive loop,
    beat or beats per bar. */
[[nodiscard]] Shape derive (std::int64_t loopMs, std::int64_t beatMs, int beatsPerBar) noexcept;

/** Calls visit (offset, tick) for every tick inside a block of n samples during which the loop
    position moves one sample per frame from p0, backwards when reverse, in a main loop of
    length samples holding ticksPerLoop ticks. Tick k lies at position k * length / ticksPerLoop;
    it falls on the first frame whose position has reached it (forwards) or come down to it
    (backwards), so a tick is never more than one sample late and never early. tick is the
    tick's index in the loop, 0 to ticksPerLoop - 1; 0 is the loop's start. Exact integer
    arithmetic throughout. */
template <typename Visit>
void forEachTick (std::uint32_t p0, std::uint32_t n, std::uint32_t length, std::uint32_t ticksPerLoop, bool reverse,
                  Visit&& visit) noexcept
{
    if (length == 0 || ticksPerLoop == 0 || n == 0)
        return;

    const auto M = std::int64_t (length), T = std::int64_t (ticksPerLoop), P = std::int64_t (p0 % length);
    const auto ceilDiv = [] (std::int64_t a, std::int64_t b) { return a >= 0 ? (a + b - 1) / b : -((-a) / b); };
    const auto floorDiv = [] (std::int64_t a, std::int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
    const auto index = [T] (std::int64_t k) { return std::uint32_t (((k % T) + T) % T); };

    if (! reverse)
    {
        // Tick k is crossed at frame ceil ((k M - P T) / T): from the first k whose place lies
        // beyond P - 1, as a place between the last block's final sample and P is reached at frame 0.
        for (auto k = floorDiv ((P - 1) * T, M) + 1;; ++k)
        {
            const auto frame = ceilDiv (k * M - P * T, T);
            if (frame >= std::int64_t (n))
                break;
            visit (std::uint32_t (frame), index (k));
        }
    }
    else
    {
        // Going down, tick k is crossed at frame ceil ((P T - k M) / T), from the last k whose
        // place lies below P + 1.
        for (auto k = ceilDiv ((P + 1) * T, M) - 1;; --k)
        {
            const auto frame = ceilDiv (P * T - k * M, T);
            if (frame >= std::int64_t (n))
                break;
            visit (std::uint32_t (frame), index (k));
        }
    }
}

} // namespace Work::ClockMath
