// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <cstdint>
#include <vector>

namespace Work
{

class MixerChannelSet;

/** The mixer's settings as a performance keeps them: volume, pan or balance, mute and bus
    routing of every loop channel and every bus. A value a channel does not have is -1. */
struct MixImage
{
    struct Channel
    {
        int volume = -1, pan = -1, mute = -1;
        std::int64_t buses = -1; // the routing mask, or -1

        bool operator== (const Channel&) const = default;
    };

    std::vector<Channel> loopChannels, buses;

    /** [any] Reads the sets' parameter holders (either may be null). */
    static MixImage capture (const MixerChannelSet* loopSet, const MixerChannelSet* busSet);

    /** [any] Writes the holders back; channels beyond either side's count are left alone. */
    void apply (MixerChannelSet* loopSet, MixerChannelSet* busSet) const;

    bool operator== (const MixImage&) const = default;
};

} // namespace Work
