// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "GainTables.h"
#include "ParameterHolders.h"
#include "engine/Processor.h"

#include <cstdint>

/** The four channel processors: volume, pan or balance, mute and bus routing for one loop
    channel or one output bus.

    How they work: each processor is its own parameter holders. At the start of a block it
    reads every holder once and compares the values with the ones it applied last. Where
    they differ it ramps linearly from the old gains to the new ones across the block, then
    remembers the new values, so no change ever clicks; otherwise it applies constant gains.
    A bus that is silent before and after (inactive, muted or at volume step 0) costs nothing.
    Gains come only from the shared GainTables.

    `process` is additive: it adds the gained input into the outputs and never clears them.
    `processInPlace` multiplies the buffers it is given. All of it is [audio] and allocation-free.
*/
namespace Work
{

/** The parameter values a processor applied in its last block. */
struct AppliedMix
{
    std::uint32_t activeOutputs = BitCommandActiveOutputListener::defaultMask;
    int volume = ControlChangeVolumeListener::defaultVolume;
    int panOrBalance = ControlChangePanOrBalanceListener::defaultPanOrBalance;
    bool muted = false;

    bool operator== (const AppliedMix&) const = default;
};

/** One mono channel onto the same-numbered channel. */
class MonoToMono final
    : public Processor
    , public ControlChangeVolumeListener
    , public BoolCommandMuteListener
{
public:
    explicit MonoToMono (const GainTables& tables) noexcept;

    int process (const float* const* inputs, float* const* outputs, int numSamples, const BlockInfo* info) noexcept override;
    void processInPlace (float* buffer, int numSamples) noexcept;

private:
    const GainTables& tables;
    AppliedMix last;
};

/** One mono channel panned onto N stereo buses (outputs 2b and 2b+1 are bus b). */
class MonoToMultipleStereo final
    : public Processor
    , public ControlChangePanOrBalanceListener
    , public ControlChangeVolumeListener
    , public BitCommandActiveOutputListener
    , public BoolCommandMuteListener
{
public:
    MonoToMultipleStereo (const GainTables& tables, int numBuses) noexcept;

    int process (const float* const* inputs, float* const* outputs, int numSamples, const BlockInfo* info) noexcept override;

    /** The volume gain last applied, for the channel meter (pan, mute and routing left out). */
    [[nodiscard]] float getGain() const noexcept { return tables.volume (last.volume); }

    [[nodiscard]] int getNumBuses() const noexcept { return numBuses; }

private:
    const GainTables& tables;
    int numBuses;
    AppliedMix last;
};

/** One stereo pair balanced onto N stereo buses. */
class StereoToMultipleStereo final
    : public Processor
    , public ControlChangePanOrBalanceListener
    , public ControlChangeVolumeListener
    , public BitCommandActiveOutputListener
    , public BoolCommandMuteListener
{
public:
    StereoToMultipleStereo (const GainTables& tables, int numBuses) noexcept;

    int process (const float* const* inputs, float* const* outputs, int numSamples, const BlockInfo* info) noexcept override;

    /** Volume times balance last applied on each side, for the channel meters. */
    [[nodiscard]] float getLeftGain() const noexcept;
    [[nodiscard]] float getRightGain() const noexcept;

    [[nodiscard]] int getNumBuses() const noexcept { return numBuses; }

private:
    const GainTables& tables;
    int numBuses;
    AppliedMix last;
};

/** One stereo pair onto one stereo pair: the bus channels and the bus returns. */
class StereoToStereo final
    : public Processor
    , public ControlChangeVolumeListener
    , public ControlChangePanOrBalanceListener
    , public BoolCommandMuteListener
{
public:
    enum class StartMuted
    {
        no,
        yes
    };

    /** A processor that starts muted has been muted all along: its first block is silent
        rather than a fade-out. */
    explicit StereoToStereo (const GainTables& tables, StartMuted startMuted = StartMuted::no) noexcept;

    int process (const float* const* inputs, float* const* outputs, int numSamples, const BlockInfo* info) noexcept override;
    void processInPlace (float* left, float* right, int numSamples) noexcept;

private:
    const GainTables& tables;
    AppliedMix last;
};

} // namespace Work
