// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <array>
#include <cstdint>

namespace Work
{

/** Actions the command executor schedules for later blocks, run in order at the start of each
    block before any command. Audio thread only. */
class DeferredActionRing
{
public:
    enum class Kind : std::uint32_t
    {
        empty = 0,
        wait = 1,    // hold back commands for `argument` more blocks
        stop = 2,    // stop the transport
        fadeOut = 3, // fade every output out over this block
        undo = 4,    // undo what the recording just stopped made
        restart = 5, // with a fade in, to the position that reaches the cycle's start `argument` frames in
        atBar = 6,   // on the shared session's next bar: see VarnoloLooper::BarAction
    };

    struct Entry
    {
        Kind kind = Kind::empty;
        std::uint32_t argument = 0;
    };

    /** Appends an action; a full ring drops it (256 pending actions never happen in practice). */
    bool push (Kind kind, std::uint32_t argument = 0) noexcept
    {
        auto& slot = entries[writeIndex];
        if (slot.kind != Kind::empty)
            return false;
        slot = { kind, argument };
        ++writeIndex;
        return true;
    }

    /** The oldest pending action, or null. */
    Entry* front() noexcept
    {
        auto& slot = entries[readIndex];
        return slot.kind == Kind::empty ? nullptr : &slot;
    }

    void consumeFront() noexcept
    {
        entries[readIndex] = {};
        ++readIndex;
    }

    void clear() noexcept
    {
        entries.fill ({});
        readIndex = writeIndex = 0;
    }

    [[nodiscard]] bool isEmpty() const noexcept { return entries[readIndex].kind == Kind::empty; }

private:
    std::array<Entry, 256> entries {};
    std::uint8_t readIndex = 0; // both wrap at 256 by their width
    std::uint8_t writeIndex = 0;
};

} // namespace Work
