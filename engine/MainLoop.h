// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "GrowingLoop.h"

namespace Work
{

/** The first loop of a loop set. Its length is open while it is recorded and fixed when the
    performer stops it, always ending on a multiple of 12 samples; that length times the set's
    multiplier is the set's cycle. */
class MainLoop final : public GrowingLoop
{
public:
    /** [audio] A new empty main loop in the pool, or null when the pool is exhausted. */
    static MainLoop* create (MemorySystem::Allocator& memory, int input, int output, int channels) noexcept;

    /** Stops offset samples into the block: the loop ends on the press, rounded up to a
        multiple of 12 samples, its last 50 samples the closing fade. */
    void stopRecording (std::uint32_t offset) noexcept;

    void play (float* const* outputs, std::uint32_t position, Direction direction, std::uint32_t n,
               ActivityMatrix* activity) noexcept override;

    /** [audio] Plays while the tail is still being recorded, on the loop's final length total:
        positions from `recorded` on are not there yet and stay silent, the rest plays forwards. */
    void playWhileFinishing (float* const* outputs, std::uint32_t position, std::uint32_t n, std::uint32_t recorded,
                             std::uint64_t total, ActivityMatrix* activity) noexcept;

    [[nodiscard]] bool isStopping() const noexcept { return stopping; }

    /** Every main loop length is a whole number of these. */
    static constexpr std::uint32_t lengthGrain = 12;

private:
    friend class BaseLoop;
    MainLoop (MemorySystem::Allocator& memory, int input, int output, int channels) noexcept;

    bool stopping = false;
};

} // namespace Work
