// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "ChannelProcessors.h"

#include "GainRamps.h"

namespace Work
{

namespace
{
    struct StereoGain
    {
        float left = 0.0f, right = 0.0f;

        bool isSilent() const noexcept { return left == 0.0f && right == 0.0f; }
    };

    enum class SideLaw
    {
        pan,
        balance,
        none
    };

    /** Gains of a source on one bus: silent when muted or not routed there. */
    StereoGain gainOf (const GainTables& tables, SideLaw law, const AppliedMix& mix, bool routed) noexcept
    {
        if (mix.muted || ! routed)
            return {};

        const auto v = tables.volume (mix.volume);

        switch (law)
        {
            case SideLaw::pan: return { v * tables.panLeft (mix.panOrBalance), v * tables.panRight (mix.panOrBalance) };
            case SideLaw::balance:
                return { v * tables.balanceLeft (mix.panOrBalance), v * tables.balanceRight (mix.panOrBalance) };
            case SideLaw::none: break;
        }

        return { v, v };
    }

    bool isAudible (const AppliedMix& mix, bool routed) noexcept
    {
        return routed && ! mix.muted && mix.volume != 0;
    }

    /** Adds a left and a right source into one output pair, ramping from `from` to `to`. */
    void addPair (const float* inLeft, const float* inRight, float* outLeft, float* outRight, int n, StereoGain from,
                  StereoGain to, bool ramp) noexcept
    {
        if (ramp)
        {
            if (from.isSilent() && to.isSilent())
                return;

            GainRamps::addRampPair (inLeft, inRight, outLeft, outRight, n, from.left,
                                    GainRamps::stepFor (from.left, to.left, n), from.right,
                                    GainRamps::stepFor (from.right, to.right, n));
        }
        else
        {
            GainRamps::addConstantPair (inLeft, inRight, outLeft, outRight, n, to.left, to.right);
        }
    }

    /** The routing loop shared by the two multiple-stereo processors. Returns the values to
        remember: the new ones if any bus ramped, else the old ones. */
    AppliedMix mixIntoBuses (const GainTables& tables, SideLaw law, const float* inLeft, const float* inRight,
                             float* const* outputs, int numBuses, int n, const AppliedMix& last,
                             const AppliedMix& now) noexcept
    {
        const bool sharedChange =
            now.volume != last.volume || now.muted != last.muted || now.panOrBalance != last.panOrBalance;
        bool anyRamped = false;

        for (int b = 0; b < numBuses; ++b)
        {
            const auto bit = std::uint32_t (1) << b;
            const bool wasRouted = (last.activeOutputs & bit) != 0;
            const bool isRouted = (now.activeOutputs & bit) != 0;
            auto* outLeft = outputs[2 * b];
            auto* outRight = outputs[2 * b + 1];

            if (sharedChange || wasRouted != isRouted)
            {
                anyRamped = true;
                addPair (inLeft, inRight, outLeft, outRight, n, gainOf (tables, law, last, wasRouted),
                         gainOf (tables, law, now, isRouted), true);
            }
            else if (isAudible (now, isRouted))
            {
                addPair (inLeft, inRight, outLeft, outRight, n, {}, gainOf (tables, law, now, true), false);
            }
        }

        return anyRamped ? now : last;
    }

    void multiplyPair (float* left, float* right, int n, StereoGain from, StereoGain to, bool ramp) noexcept
    {
        if (ramp)
        {
            GainRamps::multiplyRamp (left, n, from.left, GainRamps::stepFor (from.left, to.left, n));
            if (right != nullptr)
                GainRamps::multiplyRamp (right, n, from.right, GainRamps::stepFor (from.right, to.right, n));
            return;
        }

        // Unity needs no work; silence is written rather than multiplied, so it is exact.
        if (to.left != 1.0f)
            to.left == 0.0f ? GainRamps::clear (left, n) : GainRamps::multiplyConstant (left, n, to.left);

        if (right != nullptr && to.right != 1.0f)
            to.right == 0.0f ? GainRamps::clear (right, n) : GainRamps::multiplyConstant (right, n, to.right);
    }

    AppliedMix readVolumeAndMute (const ControlChangeVolumeListener& volume, const BoolCommandMuteListener& mute,
                                  const AppliedMix& last) noexcept
    {
        auto now = last;
        now.volume = volume.getVolume();
        now.muted = mute.isMuted();
        return now;
    }
} // namespace

//==============================================================================
MonoToMono::MonoToMono (const GainTables& gainTables) noexcept
    : tables (gainTables)
{
}

int MonoToMono::process (const float* const* inputs, float* const* outputs, int numSamples, const BlockInfo*) noexcept
{
    const auto now = readVolumeAndMute (*this, *this, last);
    const auto from = gainOf (tables, SideLaw::none, last, true).left;
    const auto to = gainOf (tables, SideLaw::none, now, true).left;

    if (now != last)
    {
        if (from != 0.0f || to != 0.0f)
            GainRamps::addRamp (inputs[0], outputs[0], numSamples, from, GainRamps::stepFor (from, to, numSamples));
    }
    else if (isAudible (now, true))
    {
        GainRamps::addConstant (inputs[0], outputs[0], numSamples, to);
    }

    last = now;
    return numSamples;
}

void MonoToMono::processInPlace (float* buffer, int numSamples) noexcept
{
    const auto now = readVolumeAndMute (*this, *this, last);
    multiplyPair (buffer, nullptr, numSamples, gainOf (tables, SideLaw::none, last, true),
                  gainOf (tables, SideLaw::none, now, true), now != last);
    last = now;
}

//==============================================================================
MonoToMultipleStereo::MonoToMultipleStereo (const GainTables& gainTables, int buses) noexcept
    : tables (gainTables)
    , numBuses (buses)
{
}

int MonoToMultipleStereo::process (const float* const* inputs, float* const* outputs, int numSamples,
                                   const BlockInfo*) noexcept
{
    const AppliedMix now { getActiveOutputs(), getVolume(), getPanOrBalance(), isMuted() };
    last = mixIntoBuses (tables, SideLaw::pan, inputs[0], inputs[0], outputs, numBuses, numSamples, last, now);
    return numSamples;
}

//==============================================================================
StereoToMultipleStereo::StereoToMultipleStereo (const GainTables& gainTables, int buses) noexcept
    : tables (gainTables)
    , numBuses (buses)
{
}

int StereoToMultipleStereo::process (const float* const* inputs, float* const* outputs, int numSamples,
                                     const BlockInfo*) noexcept
{
    const AppliedMix now { getActiveOutputs(), getVolume(), getPanOrBalance(), isMuted() };
    last = mixIntoBuses (tables, SideLaw::balance, inputs[0], inputs[1], outputs, numBuses, numSamples, last, now);
    return numSamples;
}

float StereoToMultipleStereo::getLeftGain() const noexcept
{
    return tables.volume (last.volume) * tables.balanceLeft (last.panOrBalance);
}

float StereoToMultipleStereo::getRightGain() const noexcept
{
    return tables.volume (last.volume) * tables.balanceRight (last.panOrBalance);
}

//==============================================================================
StereoToStereo::StereoToStereo (const GainTables& gainTables, StartMuted startMuted) noexcept
    : tables (gainTables)
{
    setMuted (startMuted == StartMuted::yes);
    last.muted = isMuted();
}

int StereoToStereo::process (const float* const* inputs, float* const* outputs, int numSamples, const BlockInfo*) noexcept
{
    auto now = readVolumeAndMute (*this, *this, last);
    now.panOrBalance = getPanOrBalance();
    const bool changed = now != last;

    if (changed || isAudible (now, true))
        addPair (inputs[0], inputs[1], outputs[0], outputs[1], numSamples, gainOf (tables, SideLaw::balance, last, true),
                 gainOf (tables, SideLaw::balance, now, true), changed);

    last = now;
    return numSamples;
}

void StereoToStereo::processInPlace (float* left, float* right, int numSamples) noexcept
{
    auto now = readVolumeAndMute (*this, *this, last);
    now.panOrBalance = getPanOrBalance();
    multiplyPair (left, right, numSamples, gainOf (tables, SideLaw::balance, last, true),
                  gainOf (tables, SideLaw::balance, now, true), now != last);
    last = now;
}

} // namespace Work
