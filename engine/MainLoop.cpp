// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "MainLoop.h"

#include <algorithm>

namespace Work
{

MainLoop::MainLoop (MemorySystem::Allocator& memoryToUse, int input, int output, int channels) noexcept
    : GrowingLoop (memoryToUse, input, output, channels)
{
    createEmptyChain();
}

MainLoop* MainLoop::create (MemorySystem::Allocator& memory, int input, int output, int channels) noexcept
{
    return createIn<MainLoop> (memory, input, output, channels);
}

void MainLoop::stopRecording (std::uint32_t offset) noexcept
{
    stopping = true;
    const auto grains = [] (std::uint64_t samples) {
        return std::uint32_t ((samples + lengthGrain - 1) / lengthGrain * lengthGrain);
    };

    // A take shorter than two fades ends after a whole fade from here.
    auto total = grains (std::uint64_t (length()) + offset);
    if (! canEndAt (total))
        total = grains (std::uint64_t (length()) + GainRamp::fadeLength);
    endAt (total);
}

void MainLoop::play (float* const* outputs, std::uint32_t position, Direction direction, std::uint32_t n,
                     ActivityMatrix* activity) noexcept
{
    handleMute();
    BaseLoop::play (outputs, position, direction, n, activity);
}

void MainLoop::playWhileFinishing (float* const* outputs, std::uint32_t position, std::uint32_t n, std::uint32_t recorded,
                                   std::uint64_t total, ActivityMatrix* activity) noexcept
{
    handleMute();

    if (recorded == 0 || total == 0 || playRamp.isSilent())
        return;

    markActivity (activity);
    auto q = std::uint64_t (position);

    for (std::uint32_t offset = 0; offset < n;)
    {
        if (q >= total)
            q = 0;

        const auto segmentEnd = q < recorded ? std::uint64_t (recorded) : total;
        const auto count = std::uint32_t (std::min<std::uint64_t> (n - offset, segmentEnd - q));

        if (q < recorded)
            playPiece (outputs, offset, std::uint32_t (q), Direction::forwards, count);

        q += count;
        offset += count;
    }
}

} // namespace Work
