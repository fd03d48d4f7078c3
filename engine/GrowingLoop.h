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
        if (fadeBack > 0)
            fadeRecordedEnd();
        return recordBlock (inputs, n, 0, Direction::forwards);
    }

protected:
    using BaseLoop::BaseLoop;

    /** Ends the recording so that the loop is total samples long (at least its length now), its
        last 50 samples the closing fade. When the press comes early in a block the fade begins
        in samples already recorded: they are faded in place before the block is recorded, and
        the loop still ends on the press. */
    void endAt (std::uint32_t total) noexcept;

    /** Whether endAt (total) keeps the opening fade whole: the closing fade may begin in
        recorded samples, but not inside the opening one. */
    [[nodiscard]] bool canEndAt (std::uint32_t total) const noexcept;

    /** Sets up the empty root; leaves chain null when the pool is exhausted. */
    void createEmptyChain() noexcept;

    void writeRecorded (const BlockCursor& input, Direction direction, GainRamp* ramp) noexcept override;

private:
    void fadeRecordedEnd() noexcept;
};

} // namespace Work
