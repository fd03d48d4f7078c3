// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <cstdint>

namespace Work
{

/** Where a chain operation reads from or writes to: up to two channel buffers, a sample count
    and the loop position of the first sample. The same record serves inputs (overdub, append)
    and outputs (play); inputs are never written through it. */
struct BlockCursor
{
    float* channel[2] = { nullptr, nullptr };
    std::uint32_t count = 0;
    std::uint32_t position = 0;
    std::uint32_t channels = 1;

    /** A cursor on array[i] + offset for each of the given channels. */
    static BlockCursor onChannels (const float* const* array, std::uint32_t numChannels, std::uint32_t offset,
                                   std::uint32_t count, std::uint32_t position) noexcept
    {
        BlockCursor c;
        c.channels = numChannels;
        c.count = count;
        c.position = position;
        for (std::uint32_t i = 0; i < numChannels && i < 2; ++i)
            c.channel[i] = const_cast<float*> (array[i]) + offset;
        return c;
    }

    /** Moves every channel pointer forward by d samples. */
    void skipSamples (std::uint32_t d) noexcept
    {
        for (auto*& p : channel)
            if (p != nullptr)
                p += d;
    }
};

} // namespace Work
