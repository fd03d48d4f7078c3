// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "MixerChannel.h"

#include <memory>
#include <vector>

namespace Work
{

/** A set of mixer channels, and for the bus set the bus returns that fold buses 1 and up
    into bus 0.

    Built on the message thread before the engine joins the audio callback and destroyed
    after it has left, so its arrays never change while audio runs.
*/
class MixerChannelSet
{
public:
    enum class Stereo
    {
        no,
        yes
    };
    enum class MultiBus
    {
        no,
        yes
    };

    /** count channels of the kind that stereo and multiBus choose, then numReturns bus returns,
        created muted. */
    MixerChannelSet (const GainTables& tables, int count, Stereo stereo, MultiBus multiBus, int numBuses, int numReturns);

    [[nodiscard]] int size() const noexcept { return static_cast<int> (channels.size()); }

    /** Channel index, or null when out of range. */
    [[nodiscard]] MixerChannel* getChannel (int index) const noexcept;

    [[nodiscard]] int getNumBusReturns() const noexcept { return static_cast<int> (busReturns.size()); }

    /** Bus return t, folding bus t + 1 into bus 0; null when out of range. */
    [[nodiscard]] StereoToStereo* getBusReturn (int index) const noexcept;

    /** [audio] Opens (or closes) bus return t; an index out of range changes nothing. */
    void setBusReturnEnabled (int index, bool on) noexcept;

    /** [audio] The bus stage of a block, on a bus set over outputs read as pairs (bus b = outputs
        2b and 2b+1): buses 1 and up through their channels in place, then every bus return adds
        its bus into bus 0, then bus 0 through its channel in place. */
    void processBuses (float* const* outputs, int numSamples) noexcept;

private:
    std::vector<std::unique_ptr<MixerChannel>> channels;
    std::vector<std::unique_ptr<StereoToStereo>> busReturns;
};

} // namespace Work
