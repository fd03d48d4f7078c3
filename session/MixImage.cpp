// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "MixImage.h"

#include "mixer/MixerChannelSet.h"

namespace Work
{

namespace
{
    std::vector<MixImage::Channel> captureSet (const MixerChannelSet* set)
    {
        std::vector<MixImage::Channel> result;
        for (int i = 0; set != nullptr && i < set->size(); ++i)
        {
            auto* channel = set->getChannel (i);
            MixImage::Channel c;
            if (auto* volume = channel->getVolumeListener())
                c.volume = volume->getVolume();
            if (auto* pan = channel->getPanOrBalanceListener())
                c.pan = pan->getPanOrBalance();
            if (auto* mute = channel->getMuteListener())
                c.mute = mute->isMuted() ? 1 : 0;
            if (auto* buses = channel->getActiveOutputListener())
                c.buses = buses->getActiveOutputs();
            result.push_back (c);
        }
        return result;
    }

    void applySet (const std::vector<MixImage::Channel>& from, MixerChannelSet* set)
    {
        for (int i = 0; set != nullptr && i < set->size() && std::size_t (i) < from.size(); ++i)
        {
            const auto& c = from[std::size_t (i)];
            auto* channel = set->getChannel (i);
            if (auto* volume = channel->getVolumeListener(); volume != nullptr && c.volume >= 0)
                volume->setVolume (c.volume);
            if (auto* pan = channel->getPanOrBalanceListener(); pan != nullptr && c.pan >= 0)
                pan->setPanOrBalance (c.pan);
            if (auto* mute = channel->getMuteListener(); mute != nullptr && c.mute >= 0)
                mute->setMuted (c.mute != 0);
            if (auto* buses = channel->getActiveOutputListener(); buses != nullptr && c.buses >= 0)
                buses->setActiveOutputs (std::uint32_t (c.buses));
        }
    }
} // namespace

MixImage MixImage::capture (const MixerChannelSet* loopSet, const MixerChannelSet* busSet)
{
    return { captureSet (loopSet), captureSet (busSet) };
}

void MixImage::apply (MixerChannelSet* loopSet, MixerChannelSet* busSet) const
{
    applySet (loopChannels, loopSet);
    applySet (buses, busSet);
}

} // namespace Work
