// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "mixer/MixerChannelSet.h"

#include <gtest/gtest.h>

#include <vector>

using namespace Work;

namespace
{
constexpr int blockSize = 32;

struct Slots
{
    bool activeOutput, mute, panOrBalance, volume, monoToMono, monoToMulti, stereoToStereo, stereoToMulti;
};

Slots slotsOf (MixerChannel& c)
{
    return { c.getActiveOutputListener() != nullptr,
             c.getMuteListener() != nullptr,
             c.getPanOrBalanceListener() != nullptr,
             c.getVolumeListener() != nullptr,
             c.asMonoToMono() != nullptr,
             c.asMonoToMultipleStereo() != nullptr,
             c.asStereoToStereo() != nullptr,
             c.asStereoToMultipleStereo() != nullptr };
}

bool operator== (const Slots& a, const Slots& b)
{
    return a.activeOutput == b.activeOutput && a.mute == b.mute && a.panOrBalance == b.panOrBalance && a.volume == b.volume
           && a.monoToMono == b.monoToMono && a.monoToMulti == b.monoToMulti && a.stereoToStereo == b.stereoToStereo
           && a.stereoToMulti == b.stereoToMulti;
}
} // namespace

TEST (MixerChannelSet, ChannelKindFollowsStereoAndMultiBusWithItsSlots)
{
    GainTables tables;
    using S = MixerChannelSet::Stereo;
    using M = MixerChannelSet::MultiBus;
    struct Case
    {
        S stereo;
        M multiBus;
        Slots slots;
    };

    for (auto c : { Case { S::no, M::no, { false, true, false, true, true, false, false, false } },
                    Case { S::no, M::yes, { true, true, true, true, false, true, false, false } },
                    Case { S::yes, M::yes, { true, true, true, true, false, false, false, true } },
                    // A bus channel's balance is not offered to controls.
                    Case { S::yes, M::no, { false, true, false, true, false, false, true, false } } })
    {
        MixerChannelSet set (tables, 3, c.stereo, c.multiBus, 2, 0);
        ASSERT_EQ (set.size(), 3);
        for (int i = 0; i < 3; ++i)
            EXPECT_TRUE (slotsOf (*set.getChannel (i)) == c.slots);
        EXPECT_EQ (set.getChannel (3), nullptr);
        EXPECT_EQ (set.getChannel (-1), nullptr);
    }

    MixerChannelSet loops (tables, 8, S::no, M::yes, 1, 0);
    EXPECT_EQ (loops.getChannel (7)->asMonoToMultipleStereo()->getNumBuses(), 1);
    EXPECT_EQ (loops.getChannel (0)->getActiveOutputListener()->getActiveOutputs(), 1u);
}

TEST (MixerChannelSet, BusReturnIsSilentUntilEnabledThenFadesInOverOneBlock)
{
    GainTables tables;
    MixerChannelSet buses (tables, 2, MixerChannelSet::Stereo::yes, MixerChannelSet::MultiBus::no, 2, 1);
    ASSERT_EQ (buses.getNumBusReturns(), 1);

    std::vector<std::vector<float>> out (4, std::vector<float> (blockSize));
    std::vector<float*> pointers;
    for (auto& c : out)
        pointers.push_back (c.data());

    // Bus 0 carries nothing of its own, bus 1 carries 0.5: bus 0 then shows only what returns.
    auto block = [&] {
        std::fill (out[0].begin(), out[0].end(), 0.0f);
        std::fill (out[1].begin(), out[1].end(), 0.0f);
        std::fill (out[2].begin(), out[2].end(), 0.5f);
        std::fill (out[3].begin(), out[3].end(), 0.5f);
        buses.processBuses (pointers.data(), blockSize);
    };

    for (int i = 0; i < 3; ++i)
    {
        block();
        for (int k = 0; k < blockSize; ++k)
            ASSERT_EQ (out[0][std::size_t (k)], 0.0f) << "block " << i << " sample " << k;
    }

    for (int bad : { 1, -1, 5 })
    {
        buses.setBusReturnEnabled (bad, true);
        block();
        ASSERT_EQ (out[0][blockSize - 1], 0.0f) << bad;
    }

    buses.setBusReturnEnabled (0, true);
    block();
    for (int k = 0; k < blockSize; ++k)
        ASSERT_NEAR (out[0][std::size_t (k)], 0.5f * float (k) / blockSize, 1e-6f) << k;

    block();
    for (int k = 0; k < blockSize; ++k)
    {
        ASSERT_EQ (out[0][std::size_t (k)], 0.5f);
        ASSERT_EQ (out[1][std::size_t (k)], 0.5f);
    }
}

TEST (MixerChannelSet, MaskOfTwoBusesFeedsBothEqually)
{
    GainTables tables;
    MixerChannelSet loops (tables, 1, MixerChannelSet::Stereo::no, MixerChannelSet::MultiBus::yes, 2, 0);
    auto* channel = loops.getChannel (0);
    channel->getActiveOutputListener()->setActiveOutputs (0b11);
    channel->getVolumeListener()->setVolume (90);
    channel->getPanOrBalanceListener()->setPanOrBalance (20);

    std::vector<float> input (blockSize, 1.0f);
    std::vector<std::vector<float>> out (4, std::vector<float> (blockSize));
    std::vector<float*> pointers;
    for (auto& c : out)
        pointers.push_back (c.data());
    const float* inputs[] = { input.data() };

    for (int b = 0; b < 3; ++b)
    {
        for (auto& c : out)
            std::fill (c.begin(), c.end(), 0.0f);
        channel->asMonoToMultipleStereo()->process (inputs, pointers.data(), blockSize, nullptr);
    }

    EXPECT_EQ (out[0], out[2]);
    EXPECT_EQ (out[1], out[3]);
    EXPECT_EQ (out[0][0], tables.volume (90) * tables.panLeft (20));
    EXPECT_EQ (out[1][0], tables.volume (90) * tables.panRight (20));
}
