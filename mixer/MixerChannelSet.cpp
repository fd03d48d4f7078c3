// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "MixerChannelSet.h"

namespace Work
{

MixerChannelSet::MixerChannelSet (const GainTables& tables, int count, Stereo stereo, MultiBus multiBus, int numBuses,
                                  int numReturns)
{
    for (int i = 0; i < count; ++i)
    {
        if (stereo == Stereo::yes)
        {
            if (multiBus == MultiBus::yes)
                channels.push_back (std::make_unique<StereoToMultipleStereoMixerChannel> (tables, numBuses));
            else
                channels.push_back (std::make_unique<StereoToStereoMixerChannel> (tables));
        }
        else
        {
            if (multiBus == MultiBus::yes)
                channels.push_back (std::make_unique<MonoToMultipleStereoMixerChannel> (tables, numBuses));
            else
                channels.push_back (std::make_unique<MonoToMonoMixerChannel> (tables));
        }
    }

    for (int t = 0; t < numReturns; ++t)
    {
        busReturns.push_back (std::make_unique<StereoToStereo> (tables, StereoToStereo::StartMuted::yes));
    }
}

MixerChannel* MixerChannelSet::getChannel (int index) const noexcept
{
    return index >= 0 && index < size() ? channels[static_cast<std::size_t> (index)].get() : nullptr;
}

StereoToStereo* MixerChannelSet::getBusReturn (int index) const noexcept
{
    return index >= 0 && index < getNumBusReturns() ? busReturns[static_cast<std::size_t> (index)].get() : nullptr;
}

void MixerChannelSet::setBusReturnEnabled (int index, bool on) noexcept
{
    if (auto* busReturn = getBusReturn (index))
        busReturn->setMuted (! on);
}

void MixerChannelSet::processBuses (float* const* outputs, int numSamples) noexcept
{
    for (int bus = 1; bus < size(); ++bus)
        if (auto* processor = channels[static_cast<std::size_t> (bus)]->asStereoToStereo())
            processor->processInPlace (outputs[2 * bus], outputs[2 * bus + 1], numSamples);

    for (int t = 0; t < getNumBusReturns(); ++t)
    {
        const float* returnInputs[] = { outputs[2 * t + 2], outputs[2 * t + 3] };
        busReturns[static_cast<std::size_t> (t)]->process (returnInputs, outputs, numSamples, nullptr);
    }

    if (auto* bus0 = size() > 0 ? channels.front()->asStereoToStereo() : nullptr)
        bus0->processInPlace (outputs[0], outputs[1], numSamples);
}

} // namespace Work
