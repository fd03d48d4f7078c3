// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "CursorWord.h"

namespace Work
{

namespace
{
    int lowOf (std::uint32_t w, int k) noexcept
    {
        return k == 0 ? 0 : CursorWord::byteOf (w, 2);
    }
    int highOf (std::uint32_t w, int k) noexcept
    {
        return CursorWord::byteOf (w, k == 0 ? 2 : 3);
    }
} // namespace

CursorWord::CursorWord (int channelCount, int count) noexcept
    : cursorCount (count)
{
    std::uint32_t w = 0;

    if (count == 1)
        w = withByte (0, 2, channelCount);
    else if (count == 2)
        w = withByte (withByte (withByte (0, 1, channelCount / 2), 2, channelCount / 2), 3, channelCount);

    word = w;
    shown = w;
}

void CursorWord::setCursor (int k, int index) noexcept
{
    if (k == 0 || k == 1)
        set (withByte (get(), k, index));
}

void CursorWord::placeCursorAfter (int k, int index, bool advance) noexcept
{
    if (k != 0 && k != 1)
        return;

    auto w = withByte (getShown(), k, index);

    if (advance)
    {
        const auto current = byteOf (w, k);
        auto n = current != none ? current + 1 : 0;
        if (n < lowOf (w, k))
            n = highOf (w, k) - 1;
        if (n >= highOf (w, k))
            n = highOf (w, k) - 1;
        w = withByte (w, k, n);
    }

    set (w);
}

std::uint32_t CursorWord::afterMove (std::uint32_t w, int k, bool freeMove, bool forward, bool wrap) noexcept
{
    if (k != 0 && k != 1)
        return w;

    auto split = byteOf (w, 2);
    const auto end = byteOf (w, 3);
    auto cursor0 = byteOf (w, 0), cursor1 = byteOf (w, 1);

    const bool shrink = ! freeMove && ((k == 0 && cursor1 == none) || (k == 1 && ! forward));
    const bool grow = ! freeMove && k == 1 && forward;

    if (shrink)
    {
        // Group 1 gains a channel from the end of group 0.
        if (split == none || split == 0)
            return w;
        --split;
        if (split == 0)
            cursor0 = none;
        else if (cursor0 >= split)
            cursor0 = split - 1;
        cursor1 = split;
    }
    else if (grow)
    {
        // Group 1 gives its first channel to group 0.
        if (split >= end)
            return w;
        ++split;
        if (split == end)
            cursor1 = none;
        else if (cursor1 < split)
            cursor1 = split;
        if (cursor0 == none)
            cursor0 = 0;
    }
    else
    {
        const auto low = lowOf (w, k), high = highOf (w, k);
        auto n = byteOf (w, k) + (forward ? 1 : -1);
        if (n < low)
            n = high - 1;
        if (n >= high)
            n = wrap ? low : high - 1;
        return withByte (w, k, n);
    }

    w = withByte (w, 0, cursor0);
    w = withByte (w, 1, cursor1);
    return withByte (w, 2, split);
}

void CursorWord::resetCursors() noexcept
{
    auto w = get();

    if (byteOf (w, 0) != none)
        w = withByte (w, 0, 0);

    if (cursorCount == 2 && byteOf (w, 1) != none)
    {
        const auto split = byteOf (w, 2);
        w = withByte (w, 1, split != none && split > 0 ? split : 0);
    }

    set (w);
    setShown (withByte (withByte (w, 0, none), 1, none));
}

} // namespace Work
