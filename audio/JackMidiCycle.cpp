// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "JackMidiCycle.h"

#include <algorithm>

namespace Work
{

void JackMidiCycle::begin (std::uint32_t cycleStartFrame, std::uint32_t numFrames, int frameLatency) noexcept
{
    cycleStart = cycleStartFrame;
    cycleLength = numFrames;
    latency = frameLatency;
    numIncoming = numOutgoing = 0;
    outgoingSorted = true;
    inCycle = true;
}

void JackMidiCycle::addIncoming (std::uint32_t frame, const std::uint8_t* bytes, int size) noexcept
{
    if (numIncoming >= capacity || size < 1 || size > 3)
        return;

    auto& event = incoming[std::size_t (numIncoming++)];
    event.frame = std::min (frame, cycleLength > 0 ? cycleLength - 1 : 0);
    event.size = std::uint8_t (size);
    std::copy (bytes, bytes + size, event.bytes);
}

void JackMidiCycle::put (std::uint32_t frame, const std::uint8_t* bytes, int size) noexcept
{
    if (! inCycle || numOutgoing >= capacity || size < 1 || size > 3 || cycleLength == 0)
        return;

    // Frames are on the server's wrapping 32-bit clock: the signed distance from the cycle's start.
    const auto offset = std::int64_t (std::int32_t (frame - cycleStart));
    auto& event = outgoing[std::size_t (numOutgoing++)];
    event.frame = std::uint32_t (std::clamp<std::int64_t> (offset, 0, std::int64_t (cycleLength) - 1));
    event.size = std::uint8_t (size);
    std::copy (bytes, bytes + size, event.bytes);

    if (numOutgoing > 1 && event.frame < outgoing[std::size_t (numOutgoing - 2)].frame)
        outgoingSorted = false;
}

const JackMidiCycle::Event* JackMidiCycle::outgoingBegin() noexcept
{
    // JACK takes a port's events in time order. The clock puts them in order almost always; an
    // insertion sort keeps equal frames in the order they came, and allocates nothing.
    if (! outgoingSorted)
    {
        for (int i = 1; i < numOutgoing; ++i)
        {
            const auto event = outgoing[std::size_t (i)];
            int j = i;
            for (; j > 0 && outgoing[std::size_t (j - 1)].frame > event.frame; --j)
                outgoing[std::size_t (j)] = outgoing[std::size_t (j - 1)];
            outgoing[std::size_t (j)] = event;
        }
        outgoingSorted = true;
    }

    return outgoing.data();
}

} // namespace Work
