// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "SecondaryLoop.h"

namespace Work
{

SecondaryLoop::SecondaryLoop (MemorySystem::Allocator& memoryToUse, int input, int output, int channels,
                              std::uint32_t loopLength) noexcept
    : BaseLoop (memoryToUse, input, output, channels)
{
    chain = SampleChain::createBlock (memory, nullptr, std::uint32_t (numChannels), 0, loopLength, Direction::forwards,
                                      nullptr, nullptr);
    if (chain != nullptr)
    {
        chain->next = chain->prev = chain;
        chain->loopLength = loopLength;
    }
    playRamp.setGain (1.0f);
}

SecondaryLoop* SecondaryLoop::create (MemorySystem::Allocator& memory, int input, int output, int channels,
                                      std::uint32_t length) noexcept
{
    return createIn<SecondaryLoop> (memory, input, output, channels, length);
}

void SecondaryLoop::record (const float* const* inputs, std::uint32_t position, Direction direction,
                            std::uint32_t n) noexcept
{
    if (const auto loopLength = length(); loopLength > 0)
        recordBlock (inputs, n, position % loopLength, direction);
}

void SecondaryLoop::writeRecorded (const BlockCursor& input, Direction direction, GainRamp* ramp) noexcept
{
    chain = SampleChain::overdub (memory, chain, input, direction, ramp);
}

void SecondaryLoop::playChanging (float* const* outputs, std::uint32_t position, Direction direction, std::uint32_t n,
                                  ActivityMatrix* activity) noexcept
{
    handleMute();
    BaseLoop::play (outputs, position, direction, n, activity);
}

} // namespace Work
