// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "TapTempo.h"

#include "MidiClockSender.h"

#include <algorithm>

namespace Work
{

TapTempo::TapTempo (int initialBeatsPerBar)
    : requestedBeatsPerBar (std::clamp (initialBeatsPerBar, minBeatsPerBar, maxBeatsPerBar))
    , beatsPerBar (requestedBeatsPerBar.load())
{
}

std::int64_t TapTempo::medianOf (const std::int64_t* values, int count) noexcept
{
    std::array<std::int64_t, intervalsKept> sorted {};
    count = std::clamp (count, 1, intervalsKept);
    // At most four values: sorted by insertion, in place.
    for (int i = 0; i < count; ++i)
    {
        int j = i;
        for (; j > 0 && sorted[std::size_t (j - 1)] > values[i]; --j)
            sorted[std::size_t (j)] = sorted[std::size_t (j - 1)];
        sorted[std::size_t (j)] = values[i];
    }
    return count % 2 == 1 ? sorted[std::size_t (count / 2)]
                          : (sorted[std::size_t (count / 2 - 1)] + sorted[std::size_t (count / 2)] + 1) / 2;
}

void TapTempo::tap (std::int64_t timeMs) noexcept
{
    const auto interval = timeMs - lastTap;
    const bool continues = tapped && interval > 0 && interval <= forgetAfterMs;
    lastTap = timeMs;
    tapped = true;

    if (! continues)
    {
        // A first tap, or one after a long pause: the next tap gives the first interval.
        numIntervals = nextInterval = 0;
        return;
    }

    intervals[std::size_t (nextInterval)] = interval;
    nextInterval = (nextInterval + 1) % intervalsKept;
    numIntervals = std::min (numIntervals + 1, intervalsKept);

    const auto period = medianOf (intervals.data(), numIntervals);
    beatPeriod.store (period, std::memory_order_relaxed);
    tempoKnown.store (true, std::memory_order_relaxed);

    if (client != nullptr)
        client->tempoChanged (int (60000000 / period));
}

void TapTempo::follow (std::int64_t beatPeriodMs) noexcept
{
    if (beatPeriodMs <= 0
        || (tempoKnown.load (std::memory_order_relaxed) && beatPeriod.load (std::memory_order_relaxed) == beatPeriodMs))
        return;

    // A tap after this starts a tempo of its own.
    tapped = false;
    beatPeriod.store (beatPeriodMs, std::memory_order_relaxed);
    tempoKnown.store (true, std::memory_order_relaxed);

    if (client != nullptr)
        client->tempoChanged (int (60000000 / beatPeriodMs));
}

void TapTempo::setBeatsPerBar (int value) noexcept
{
    requestedBeatsPerBar.store (std::clamp (value, minBeatsPerBar, maxBeatsPerBar), std::memory_order_relaxed);
}

void TapTempo::preAudioCallback() noexcept
{
    if (clock != nullptr)
        clock->blockBegins();

    const auto requested = requestedBeatsPerBar.load (std::memory_order_relaxed);

    if (requested == beatsPerBar)
        return;

    beatsPerBar = requested;

    if (client != nullptr)
        client->beatsPerBarChanged (beatsPerBar);
}

void TapTempo::perBlock (std::uint32_t n, bool reverse, bool playing, std::uint32_t, std::uint32_t endPosition,
                         std::uint32_t mainLength, std::int64_t, bool restarted)
{
    // The clock places every tick from the loop's position in this block, so a new shape, a
    // wrap, a restart or a change of direction needs no event of its own: the next tick simply
    // falls where the loop says.
    if (clock != nullptr)
        clock->blockTicks (n, reverse, playing, endPosition, mainLength, restarted);
}

} // namespace Work
