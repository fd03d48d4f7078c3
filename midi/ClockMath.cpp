// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "ClockMath.h"

namespace Work::ClockMath
{

Shape derive (std::int64_t loopMs, std::int64_t beatMs, int beatsPerBar) noexcept
{
    Shape shape;

    if (loopMs <= 0 || beatMs <= 0 || beatsPerBar <= 0)
        return shape;

    // To the nearest whole beat, a half going up: (2 loop + beat) / (2 beat), in whole numbers.
    shape.beats = int (std::max<std::int64_t> (1, (2 * loopMs + beatMs) / (2 * beatMs)));
    shape.bars = std::max (1, shape.beats / beatsPerBar);
    shape.beatsPerBar = beatsPerBar;
    shape.ticksPerLoop = shape.bars * beatsPerBar * ticksPerBeat;
    shape.msPerBar = float (loopMs) / float (shape.bars);
    shape.msPerBeat = float (loopMs) / float (shape.bars * beatsPerBar);
    shape.msPerTick = float (loopMs) / float (shape.ticksPerLoop);
    shape.tempoMilliBpm = int (60000000.0f / shape.msPerBeat);
    return shape;
}

} // namespace Work::ClockMath
