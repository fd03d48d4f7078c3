// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <cstdint>

namespace Work
{

/** Where a block about to be processed begins, in every clock a timed event may be given in. */
struct BlockStart
{
    std::int64_t timeMs = 0; // wall-clock milliseconds of the block's first sample
    double sampleRate = 0.0; // the device's measured rate
    std::int32_t numSamples = 0;
    bool runs = false; // the engine processes this block (the gate is open)

    /** With a frame clock (the program's JACK device): the block's first frame on the server's
        clock, the server's microsecond time of that frame, and the length of one frame. */
    bool frameClock = false;
    std::uint32_t frame = 0;
    std::int64_t frameMicros = 0;
    double microsPerFrame = 0.0;
};

/** Events from outside the device (OSC) that reach the controls at the start of a block, after
    the MIDI that came in with it and before the controls hand their commands to the engine.
    [audio] */
class BlockEventSource
{
public:
    virtual ~BlockEventSource() = default;
    virtual void blockStarting (const BlockStart& block) noexcept = 0;
};

/** The device's frame clock as another thread may read it: the server's microsecond time now,
    in the clock BlockStart::frameMicros is given in. False while no frame clock runs. [any] */
class FrameClockSource
{
public:
    virtual ~FrameClockSource() = default;
    [[nodiscard]] virtual bool frameClockMicros (std::int64_t& micros) const noexcept = 0;
};

} // namespace Work
