// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "ChannelProcessors.h"

namespace Work
{

/** One channel processor behind a uniform face, so the engine can ask which kind it holds and
    the GUI and the looper can reach its parameter holders without knowing its type. Every
    accessor returns null where the channel has no such part. */
class MixerChannel
{
public:
    virtual ~MixerChannel() = default;

    [[nodiscard]] virtual BitCommandActiveOutputListener* getActiveOutputListener() noexcept = 0;
    [[nodiscard]] virtual BoolCommandMuteListener* getMuteListener() noexcept = 0;
    [[nodiscard]] virtual ControlChangePanOrBalanceListener* getPanOrBalanceListener() noexcept = 0;
    [[nodiscard]] virtual ControlChangeVolumeListener* getVolumeListener() noexcept = 0;
    [[nodiscard]] virtual MonoToMono* asMonoToMono() noexcept = 0;
    [[nodiscard]] virtual MonoToMultipleStereo* asMonoToMultipleStereo() noexcept = 0;
    [[nodiscard]] virtual StereoToStereo* asStereoToStereo() noexcept = 0;
    [[nodiscard]] virtual StereoToMultipleStereo* asStereoToMultipleStereo() noexcept = 0;
};

class MonoToMonoMixerChannel final : public MixerChannel
{
public:
    explicit MonoToMonoMixerChannel (const GainTables& tables) noexcept
        : processor (tables)
    {
    }

    BitCommandActiveOutputListener* getActiveOutputListener() noexcept override { return nullptr; }
    BoolCommandMuteListener* getMuteListener() noexcept override { return &processor; }
    ControlChangePanOrBalanceListener* getPanOrBalanceListener() noexcept override { return nullptr; }
    ControlChangeVolumeListener* getVolumeListener() noexcept override { return &processor; }
    MonoToMono* asMonoToMono() noexcept override { return &processor; }
    MonoToMultipleStereo* asMonoToMultipleStereo() noexcept override { return nullptr; }
    StereoToStereo* asStereoToStereo() noexcept override { return nullptr; }
    StereoToMultipleStereo* asStereoToMultipleStereo() noexcept override { return nullptr; }

private:
    MonoToMono processor;
};

class MonoToMultipleStereoMixerChannel final : public MixerChannel
{
public:
    MonoToMultipleStereoMixerChannel (const GainTables& tables, int numBuses) noexcept
        : processor (tables, numBuses)
    {
    }

    BitCommandActiveOutputListener* getActiveOutputListener() noexcept override { return &processor; }
    BoolCommandMuteListener* getMuteListener() noexcept override { return &processor; }
    ControlChangePanOrBalanceListener* getPanOrBalanceListener() noexcept override { return &processor; }
    ControlChangeVolumeListener* getVolumeListener() noexcept override { return &processor; }
    MonoToMono* asMonoToMono() noexcept override { return nullptr; }
    MonoToMultipleStereo* asMonoToMultipleStereo() noexcept override { return &processor; }
    StereoToStereo* asStereoToStereo() noexcept override { return nullptr; }
    StereoToMultipleStereo* asStereoToMultipleStereo() noexcept override { return nullptr; }

private:
    MonoToMultipleStereo processor;
};

class StereoToMultipleStereoMixerChannel final : public MixerChannel
{
public:
    StereoToMultipleStereoMixerChannel (const GainTables& tables, int numBuses) noexcept
        : processor (tables, numBuses)
    {
    }

    BitCommandActiveOutputListener* getActiveOutputListener() noexcept override { return &processor; }
    BoolCommandMuteListener* getMuteListener() noexcept override { return &processor; }
    ControlChangePanOrBalanceListener* getPanOrBalanceListener() noexcept override { return &processor; }
    ControlChangeVolumeListener* getVolumeListener() noexcept override { return &processor; }
    MonoToMono* asMonoToMono() noexcept override { return nullptr; }
    MonoToMultipleStereo* asMonoToMultipleStereo() noexcept override { return nullptr; }
    StereoToStereo* asStereoToStereo() noexcept override { return nullptr; }
    StereoToMultipleStereo* asStereoToMultipleStereo() noexcept override { return &processor; }

private:
    StereoToMultipleStereo processor;
};

/** A bus channel. Its balance stays at the centre: no control reaches it, so the accessor is null. */
class StereoToStereoMixerChannel final : public MixerChannel
{
public:
    explicit StereoToStereoMixerChannel (const GainTables& tables) noexcept
        : processor (tables)
    {
    }

    BitCommandActiveOutputListener* getActiveOutputListener() noexcept override { return nullptr; }
    BoolCommandMuteListener* getMuteListener() noexcept override { return &processor; }
    ControlChangePanOrBalanceListener* getPanOrBalanceListener() noexcept override { return nullptr; }
    ControlChangeVolumeListener* getVolumeListener() noexcept override { return &processor; }
    MonoToMono* asMonoToMono() noexcept override { return nullptr; }
    MonoToMultipleStereo* asMonoToMultipleStereo() noexcept override { return nullptr; }
    StereoToStereo* asStereoToStereo() noexcept override { return &processor; }
    StereoToMultipleStereo* asStereoToMultipleStereo() noexcept override { return nullptr; }

private:
    StereoToStereo processor;
};

} // namespace Work
