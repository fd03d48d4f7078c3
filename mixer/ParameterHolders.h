// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "GainTables.h"

#include <atomic>
#include <cstdint>

/** The four parameter holders of the channel processors.

    Each is one 32-bit word that controls and the looper write at any time and the processor
    reads once per block. Every holder has a single writer at a time and the processor only
    needs the latest value, so relaxed stores and loads are enough: a value written during a
    block takes effect at the next one. Writers' values are clamped on the way in, so a table
    index read back is always within 0..127.
*/
namespace Work
{

class ControlChangeVolumeListener
{
public:
    virtual ~ControlChangeVolumeListener() = default;

    static constexpr int defaultVolume = 127;

    /** [any] Stores a volume step, clamped to 0..127. */
    void setVolume (int step) noexcept { volume.store (GainTables::clampStep (step), std::memory_order_relaxed); }
    [[nodiscard]] int getVolume() const noexcept { return volume.load (std::memory_order_relaxed); }

private:
    std::atomic<std::int32_t> volume { defaultVolume };
};

class ControlChangePanOrBalanceListener
{
public:
    virtual ~ControlChangePanOrBalanceListener() = default;

    static constexpr int defaultPanOrBalance = GainTables::centre;

    /** [any] Stores a pan (mono source) or balance (stereo source) step, clamped to 0..127. */
    void setPanOrBalance (int step) noexcept
    {
        panOrBalance.store (GainTables::clampStep (step), std::memory_order_relaxed);
    }
    [[nodiscard]] int getPanOrBalance() const noexcept { return panOrBalance.load (std::memory_order_relaxed); }

private:
    std::atomic<std::int32_t> panOrBalance { defaultPanOrBalance };
};

class BoolCommandMuteListener
{
public:
    /** [any] */
    void setMuted (bool shouldBeMuted) noexcept { mute.store (shouldBeMuted ? 1 : 0, std::memory_order_relaxed); }
    [[nodiscard]] bool isMuted() const noexcept { return mute.load (std::memory_order_relaxed) != 0; }

private:
    std::atomic<std::int32_t> mute { 0 };
};

class BitCommandActiveOutputListener
{
public:
    /** Bit b set: the source feeds output bus b. Starts on bus 0 only. */
    static constexpr std::uint32_t defaultMask = 1;

    /** [any] */
    void setActiveOutputs (std::uint32_t mask) noexcept { activeOutputs.store (mask, std::memory_order_relaxed); }
    [[nodiscard]] std::uint32_t getActiveOutputs() const noexcept { return activeOutputs.load (std::memory_order_relaxed); }

private:
    std::atomic<std::uint32_t> activeOutputs { defaultMask };
};

static_assert (std::atomic<std::int32_t>::is_always_lock_free && std::atomic<std::uint32_t>::is_always_lock_free);

} // namespace Work
