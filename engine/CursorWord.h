// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <atomic>
#include <cstdint>

namespace Work
{

/** Where the record cursors stand: one packed word the looper changes on the audio thread and
    the loop-channels view reads on its GUI tick.

    Bytes, low to high: cursor0, cursor1 (the loop channel under each cursor), splitIndex (the
    first channel of group 1; group 0 is [0, splitIndex)) and endIndex (one past group 1). A
    byte of 128 or more means none and is stored as 0xff; it reads as -1. Every operation
    writes the whole word in one store, so a reader sees the old word or the new one. The
    shown word is the copy the view last arranged itself for; a race on it only costs an extra
    or a missed re-arrangement.
*/
class CursorWord
{
public:
    /** One cursor: group 0 covers every channel. Two: the channels are split in halves. */
    CursorWord (int channelCount, int cursorCount) noexcept;

    static constexpr int none = -1;

    /** [audio] Cursor k onto channel index (none when negative). */
    void setCursor (int k, int index) noexcept;

    /** [audio] Cursor k onto index in the shown word, then, with advance, one channel on within
        its group (the last channel when it would leave the group). */
    void placeCursorAfter (int k, int index, bool advance) noexcept;

    /** [audio] Steps cursor k, or with freeMove off moves the boundary between the groups. */
    void moveCursor (int k, bool freeMove, bool forward, bool wrap) noexcept
    {
        set (afterMove (get(), k, freeMove, forward, wrap));
    }

    /** The word moveCursor would leave, without changing anything. */
    [[nodiscard]] static std::uint32_t afterMove (std::uint32_t w, int k, bool freeMove, bool forward, bool wrap) noexcept;

    /** [audio or message, with audio held off] Cursors back to the start of their groups. */
    void resetCursors() noexcept;

    [[nodiscard]] std::uint32_t get() const noexcept { return word.load (std::memory_order_relaxed); }
    [[nodiscard]] std::uint32_t getShown() const noexcept { return shown.load (std::memory_order_relaxed); }
    void setShown (std::uint32_t w) noexcept { shown.store (w, std::memory_order_relaxed); }
    void set (std::uint32_t w) noexcept { word.store (w, std::memory_order_relaxed); }
    [[nodiscard]] int getCursorCount() const noexcept { return cursorCount; }

    /** Byte b of a word read as an index: none for 128 or more. */
    [[nodiscard]] static int byteOf (std::uint32_t w, int b) noexcept
    {
        const auto v = int ((w >> (8 * b)) & 0xff);
        return v >= 128 ? none : v;
    }

    [[nodiscard]] static std::uint32_t withByte (std::uint32_t w, int b, int value) noexcept
    {
        const auto v = std::uint32_t (value < 0 || value >= 128 ? 0xff : value);
        return (w & ~(std::uint32_t (0xff) << (8 * b))) | (v << (8 * b));
    }

    [[nodiscard]] int cursor (int k) const noexcept { return byteOf (get(), k); }
    [[nodiscard]] int splitIndex() const noexcept { return byteOf (get(), 2); }
    [[nodiscard]] int endIndex() const noexcept { return byteOf (get(), 3); }

private:
    std::atomic<std::uint32_t> word { 0 };
    std::atomic<std::uint32_t> shown { 0 };
    int cursorCount;
};

} // namespace Work
