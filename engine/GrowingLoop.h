// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "BaseLoop.h"

namespace Work
{

/** A loop whose length grows while it is recorded: the main loop and the free loops. Its chain
    starts as one empty root; each recorded block is appended at the end. */
class GrowingLoop : public BaseLoop
{
public:
    /** [audio] Records one block of the device inputs; returns how many samples of it passed
        before the recording ended (n while it goes on). */
    std::uint32_t record (const float* const* inputs, std::uint32_t n) noexcept
    {
        return recordBlock (inputs, n, 0, Direction::forwards);
    }

protected:
    using BaseLoop::BaseLoop;

    /** Sets up the empty root; leaves chain null when the pool is exhausted. */
    void createEmptyChain() noexcept;

    void writeRecorded (const BlockCursor& input, Direction direction, GainRamp* ramp) noexcept override;
};

} // namespace Work
