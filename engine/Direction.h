// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

namespace Work
{

/** Which way loops are read and written, and which way the play position runs. */
enum class Direction
{
    forwards,
    backwards
};

[[nodiscard]] constexpr Direction opposite (Direction d) noexcept
{
    return d == Direction::forwards ? Direction::backwards : Direction::forwards;
}

} // namespace Work
