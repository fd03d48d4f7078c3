// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "BaseLoop.h"

namespace Work
{

/** A loop of fixed length locked to the main loop's cycle. It starts as one silent stretch
    and is overdubbed in place at the loop set's position. */
class SecondaryLoop final : public BaseLoop
{
public:
    /** [audio] A new silent loop of the given length in the pool, or null when exhausted. */
    static SecondaryLoop* create (MemorySystem::Allocator& memory, int input, int output, int channels,
                                  std::uint32_t length) noexcept;

    /** [audio] Overdubs one block at position (taken modulo the loop's length). */
    void record (const float* const* inputs, std::uint32_t position, Direction direction, std::uint32_t n) noexcept;

    /** Stops offset samples into the block: a tail of offset - 50, then the fade. */
    void stopRecording (std::uint32_t offset) noexcept { stopAfterFade (offset); }

    /** Inline, so that the loop set's walk over its loops takes the steady case without a call. */
    void play (float* const* outputs, std::uint32_t position, Direction direction, std::uint32_t n,
               ActivityMatrix* activity) noexcept override
    {
        // Most blocks of most loops: playing forwards, heard at full gain, no mute on its way,
        // inside the block the last read ended in. Read straight, as the general path would.
        if (const auto loopLength = length(); direction == Direction::forwards && ! isMuted() && ! lastMuted
                                              && ! playRamp.isMoving() && n > 0 && n <= loopLength)
        {
            const auto p = position < loopLength ? position : position % loopLength;
            if (SampleChain::addIfInside (chain, outputs + outputChannel, std::uint32_t (numChannels), p, n))
            {
                playRamp.setGain (1.0f);
                markActivity (activity);
                return;
            }
        }

        playChanging (outputs, position, direction, n, activity);
    }

    /** The next loop of the owning set's list. */
    SecondaryLoop* next = nullptr;

private:
    friend class BaseLoop;
    SecondaryLoop (MemorySystem::Allocator& memory, int input, int output, int channels, std::uint32_t length) noexcept;

    void writeRecorded (const BlockCursor& input, Direction direction, GainRamp* ramp) noexcept override;

    /** Every other block: a mute to fade, a ramp moving, a wrap or a block boundary inside it. */
    void playChanging (float* const* outputs, std::uint32_t position, Direction direction, std::uint32_t n,
                       ActivityMatrix* activity) noexcept;
};

} // namespace Work
