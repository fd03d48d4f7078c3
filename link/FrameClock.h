// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <cmath>

namespace Work
{

/** Where the blocks of an audio device lie on the computer's clock: a delay-locked loop on the
    moments measured for them. A measured moment jitters with the moment a callback happens to
    run, and a sound card's clock is never quite the computer's; the loop follows the device's
    real frame rate and places each block where the last one's frames end, taking a little of
    what it measures each time: widely for its first seconds, to find the rate, then narrowly,
    so that a callback late by milliseconds moves the line by microseconds. A block of another
    length, or a moment far off the line (the device restarted), starts it again from the moment
    measured.
    Real-time safe: a few multiplications a block. */
class FrameClock
{
public:
    /** How far the loop follows what it measures, in hertz: at first, and once settled. */
    static constexpr double wideBandwidth = 1.0, narrowBandwidth = 0.05;
    /** How long the wide loop runs, in microseconds. */
    static constexpr double settleMicros = 3.0e6;
    /** A moment this far off the line, in microseconds, starts the loop again. */
    static constexpr double jumpMicros = 200000.0;

    /** The time, in microseconds, of the first frame of a block of frames frames measured at
        measuredMicros; microsPerFrame is the device's own frame length, to start from. */
    double place (double measuredMicros, int frames, double microsPerFrame) noexcept
    {
        if (! running || frames != blockFrames || std::abs (measuredMicros - next) > jumpMicros)
        {
            running = frames > 0 && microsPerFrame > 0.0;
            blockFrames = frames;
            period = double (frames) * microsPerFrame;
            tune (wideBandwidth);
            settled = false;
            start = first = measuredMicros;
            next = start + period;
            return start;
        }

        if (! settled && next - first > settleMicros)
        {
            settled = true;
            tune (narrowBandwidth);
        }

        const auto error = measuredMicros - next;
        start = next;
        next += b * error + period;
        period += c * error;
        return start;
    }

    /** The length of a frame as the loop measures it, in microseconds; 0 before a block. */
    [[nodiscard]] double microsPerFrame() const noexcept { return blockFrames > 0 ? period / double (blockFrames) : 0.0; }

    void reset() noexcept { running = false; }

private:
    void tune (double bandwidth) noexcept
    {
        const auto omega = 2.0 * 3.141592653589793 * bandwidth * period * 1.0e-6;
        b = std::sqrt (2.0) * omega;
        c = omega * omega;
    }

    bool running = false, settled = false;
    int blockFrames = 0;
    double start = 0.0, next = 0.0, period = 0.0, b = 0.0, c = 0.0, first = 0.0;
};

} // namespace Work
