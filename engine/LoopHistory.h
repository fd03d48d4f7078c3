// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <array>
#include <cstdint>

namespace Work
{

class SecondaryLoop;
class NonRhythmicalLoop;

/** One undoable action of a loop set. */
struct HistoryEntry
{
    enum class Type : std::uint32_t
    {
        none = 0,
        secondaryLoop = 1, // a secondary loop finished recording
        freeLoop = 2,      // a free loop finished recording
        multiply = 3,      // the cycle was doubled
        add = 4,           // the add amount was added to the cycle
        erase = 5,         // the loops of one output were erased
    };

    SecondaryLoop* loop = nullptr;  // the loop recorded; the first secondary loop erased
    SecondaryLoop* loopB = nullptr; // the last secondary loop erased
    NonRhythmicalLoop* freeLoopA = nullptr;
    NonRhythmicalLoop* freeLoopB = nullptr;
    std::uint32_t amount = 0; // the add amount to restore on undo
    std::uint32_t value = 0;  // the multiplier after the action
    int key = 0;              // the output erased
    bool flag = false;        // the main loop was erased too
    Type type = Type::none;
};

/** The undo history of a loop set: up to 511 entries and the index of the first one not in
    force. A new entry discards everything after it, so redo only replays entries recorded since
    the last new action. */
class LoopHistory
{
public:
    static constexpr int capacity = 511;

    /** Adds an entry; when the history is full the entry is dropped (the action still happens). */
    void record (const HistoryEntry& entry) noexcept
    {
        if (index >= capacity)
            return;

        entries[std::size_t (index++)] = entry;
        count = index;
    }

    /** The entry to undo (now out of force), or null when there is none. */
    const HistoryEntry* stepBack() noexcept { return canUndo() ? &entries[std::size_t (--index)] : nullptr; }

    /** The entry to redo (now in force again), or null when there is none. */
    const HistoryEntry* stepForward() noexcept { return canRedo() ? &entries[std::size_t (index++)] : nullptr; }

    void clear() noexcept { index = count = 0; }

    [[nodiscard]] bool canUndo() const noexcept { return index > 0; }
    [[nodiscard]] bool canRedo() const noexcept { return index < count; }
    [[nodiscard]] int size() const noexcept { return index; }

    /** Every entry that exists, in force or undone, and entry i of them. */
    [[nodiscard]] int entryCount() const noexcept { return count; }
    [[nodiscard]] const HistoryEntry& entryAt (int i) const noexcept { return entries[std::size_t (i)]; }

    /** Puts back n entries (at most capacity), the first inForce of them in force. */
    void restore (const HistoryEntry* from, int n, int inForce) noexcept
    {
        count = n < 0 ? 0 : (n > capacity ? capacity : n);
        index = inForce < 0 ? 0 : (inForce > count ? count : inForce);
        for (int i = 0; i < count; ++i)
            entries[std::size_t (i)] = from[i];
    }

    int lastUndoneInput = 0;
    int lastUndoneOutput = 0;

private:
    std::array<HistoryEntry, capacity + 1> entries {};
    int index = 0; // entries in force
    int count = 0; // entries that exist, in force or undone
};

} // namespace Work
