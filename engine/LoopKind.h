// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <cstdint>

namespace Work
{

/** The rule for the length of the next loop added to a loop set. */
enum class LoopKind : std::uint32_t
{
    wholeCycle = 0, // main length x multiplier
    free = 1,       // a free-length loop
    oneMain = 2,    // one main length
    halfMain = 3,
    thirdMain = 4,
    quarterMain = 5,
    halfCycle = 6,
    thirdCycle = 7,
    quarterCycle = 8,
};

/** Length of a loop of the given kind for main length M and multiplier m; 0 for a free loop
    or a kind out of range. Computed in 64 bits and capped at the 32-bit sample range. */
[[nodiscard]] constexpr std::uint32_t lengthForKind (LoopKind kind, std::uint32_t mainLength,
                                                     std::uint32_t multiplier) noexcept
{
    const auto m = std::uint64_t (mainLength);
    const auto cycle = m * multiplier;
    std::uint64_t length = 0;

    switch (kind)
    {
        case LoopKind::wholeCycle: length = cycle; break;
        case LoopKind::oneMain: length = m; break;
        case LoopKind::halfMain: length = m / 2; break;
        case LoopKind::thirdMain: length = m / 3; break;
        case LoopKind::quarterMain: length = m / 4; break;
        case LoopKind::halfCycle: length = cycle / 2; break;
        case LoopKind::thirdCycle: length = cycle / 3; break;
        case LoopKind::quarterCycle: length = cycle / 4; break;
        case LoopKind::free: break;
    }

    return length > 0xffffffffull ? 0xffffffffu : std::uint32_t (length);
}

} // namespace Work
