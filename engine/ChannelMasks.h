// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "BaseLoop.h"

#include <cstdint>

/** Conversions between masks over channels and masks over mono (1 channel) or stereo
    (2 channels) buses. Any other channel count gives 0. */
namespace Work::ChannelMasks
{

[[nodiscard]] constexpr std::uint32_t channelsToBuses (std::uint32_t mask, int channelsPerBus) noexcept
{
    if (channelsPerBus == 1)
        return mask;
    if (channelsPerBus != 2)
        return 0;

    std::uint32_t buses = 0;
    for (int b = 0; b < 16; ++b)
        if (mask & (std::uint32_t (1) << (2 * b)))
            buses |= std::uint32_t (1) << b;
    return buses;
}

[[nodiscard]] constexpr std::uint32_t busesToChannels (std::uint32_t mask, int channelsPerBus) noexcept
{
    if (channelsPerBus == 1)
        return mask;
    if (channelsPerBus != 2)
        return 0;

    std::uint32_t channels = 0;
    for (int b = 0; b < 16; ++b)
        if (mask & (std::uint32_t (1) << b))
            channels |= std::uint32_t (3) << (2 * b);
    return channels;
}

/** Output bus b takes the word of output channel 2b, converted; words 16 to 31 stay 0. */
[[nodiscard]] inline ActivityMatrix matrixToBuses (const ActivityMatrix& activity, int channelsPerBus) noexcept
{
    ActivityMatrix result {};

    if (channelsPerBus == 1)
        return activity;

    if (channelsPerBus == 2)
        for (std::size_t b = 0; b < 16; ++b)
            result[b] = channelsToBuses (activity[2 * b], 2);

    return result;
}

} // namespace Work::ChannelMasks
