// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "LoopHistory.h"
#include "LoopKind.h"

#include <array>
#include <cstdint>
#include <vector>

namespace Work
{

struct SampleBlock;

/** One loop of a loop set as it stands between two blocks, taken to be stored, or given to be
    brought back. */
struct LoopImage
{
    enum class Kind : std::uint8_t
    {
        main = 0,
        secondary = 1,
        free = 2
    };

    Kind kind = Kind::secondary;
    int input = 0, output = 0, channels = 1;
    std::uint32_t length = 0;
    std::uint32_t position = 0; // a free loop's own play position
    bool erased = false, undone = false;
    bool recordedReversed = false; // a free loop recorded while the direction was reversed

    /** Taken: the loop's chain, whose samples stay as they are while the loops are held (see
        VarnoloLooper::holdLoops), to be read with SampleChain::copyOut off the audio thread.
        Also the loop's identity, which the raw history entries point at. */
    const SampleBlock* audio = nullptr;
    const void* identity = nullptr;

    /** Given: length samples per channel to bring back. */
    std::array<const float*, 2> samples {};
};

/** An undo entry with its loops named by their index in the image's loop list (-1: none). */
struct HistoryImage
{
    HistoryEntry::Type type = HistoryEntry::Type::none;
    int loop = -1, loopB = -1, freeLoopA = -1, freeLoopB = -1;
    std::uint32_t amount = 0, value = 0;
    int key = 0;
    bool flag = false;

    bool operator== (const HistoryImage&) const = default;
};

/** Everything of the performance the looper holds: the current loop set's loops (the main loop
    first, then the secondary loops and the free loops, each in the order they play in), its
    cycle and history, and the transport's state. Take one with VarnoloLooper::askForImage (or
    captureImage while the audio callback cannot run); give one back with restoreImage.

    The vectors are reserved once on the message thread (reserve()), so taking an image on the
    audio thread never allocates. */
struct LoopSetImage
{
    static constexpr int maxLoops = 4096;

    std::vector<LoopImage> loops;
    std::vector<HistoryImage> history;    // every entry, in force or undone
    std::vector<HistoryEntry> rawHistory; // as taken: the entries with their loop pointers
    int historyInForce = 0;
    int lastUndoneInput = 0, lastUndoneOutput = 0;

    std::uint32_t position = 0, multiplier = 1, addAmount = 1;
    int clockBeatsPerBar = 0, clockBars = 0;
    bool clockEnabled = false;

    bool playing = false, reversed = false;
    LoopKind nextLoop = LoopKind::wholeCycle;
    std::uint32_t muteMask = 0, soloMask = 0, toMainMask = 0, appliedMuteMask = 0;
    std::uint32_t cursors = 0;
    std::uint32_t editCount = 0; // the looper's count of changes when the image was taken

    /** [message] Room for the largest image, so that taking one needs no memory. */
    void reserve();

    /** [message] Names the raw history's loops by their index in loops; false when an entry
        points at no loop of the right kind. */
    bool resolveHistory();

    /** Whether every history entry names loops of the kinds it needs, the loops fit their kinds
        (one main loop at most, first), and the numbers are in range. */
    [[nodiscard]] bool isConsistent() const;

    [[nodiscard]] bool hasMainLoop() const { return ! loops.empty() && loops.front().kind == LoopImage::Kind::main; }
};

} // namespace Work
