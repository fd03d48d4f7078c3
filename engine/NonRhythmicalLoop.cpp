// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "NonRhythmicalLoop.h"

#include <algorithm>

namespace Work
{

NonRhythmicalLoop::NonRhythmicalLoop (MemorySystem::Allocator& memoryToUse, int input, int output, int channels,
                                      Direction directionInForce) noexcept
    : GrowingLoop (memoryToUse, input, output, channels)
    , recordedReversed (directionInForce == Direction::backwards)
{
    createEmptyChain();
}

NonRhythmicalLoop* NonRhythmicalLoop::create (MemorySystem::Allocator& memory, int input, int output, int channels,
                                              Direction directionInForce) noexcept
{
    return createIn<NonRhythmicalLoop> (memory, input, output, channels, directionInForce);
}

void NonRhythmicalLoop::stopRecording (std::uint32_t offset) noexcept
{
    stopping = true;
    const auto total = length() + offset;
    endAt (canEndAt (total) ? total : length() + std::uint32_t (GainRamp::fadeLength));
}

void NonRhythmicalLoop::playOwn (float* const* outputs, Direction direction, std::uint32_t n, ActivityMatrix* activity,
                                 std::uint32_t outputOffset) noexcept
{
    if (recordedReversed)
        direction = opposite (direction);

    handleMute();
    const auto loopLength = length();

    if (loopLength == 0)
        return;

    const bool audible = ! playRamp.isSilent();

    if (audible)
        markActivity (activity);

    for (std::uint32_t offset = 0; offset < n;)
    {
        const auto count = std::min (loopLength, n - offset);

        if (audible)
            playPiece (outputs, outputOffset + offset, position, direction, count);

        position = direction == Direction::forwards
                       ? std::uint32_t ((std::uint64_t (position) + count) % loopLength)
                       : std::uint32_t ((std::uint64_t (position) + loopLength - count) % loopLength);
        offset += count;
    }
}

} // namespace Work
