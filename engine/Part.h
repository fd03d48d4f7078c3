// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "BaseLoop.h"
#include "Direction.h"
#include "LoopHistory.h"
#include "LoopKind.h"
#include "LoopSetImage.h"
#include "MainLoop.h"
#include "NonRhythmicalLoop.h"
#include "RecordingSlotList.h"
#include "SecondaryLoop.h"

#include <array>
#include <cstdint>

namespace Work
{

/** Why a loop could not be started; none when it was. */
enum class LoopRefusal
{
    none,
    channelsOutOfRange, // the input or output channels lie outside the set
    outputBusy,         // another loop is already recording on that output
    mainLoopExists,     // a second main loop
    noMainLoop,         // a loop locked to the cycle needs a finished main loop
    outOfMemory         // the sample pool is exhausted
};

/** The loop set: one complete set of loops across all loop channels.

    How it works: the main loop fixes the cycle (its length times the multiplier); secondary
    loops are locked to the cycle and recorded at the set's position; free loops run on their
    own. Once per block `process` records what is being recorded and plays everything, and
    moves the position on.

    Latency: what the performer hears left the outputs outputLatency samples ago, and what
    arrives at the inputs was played inputLatency samples ago. The play position therefore
    leads the record position by the sum, so a secondary loop records each sample at the cycle
    position the performer was hearing when playing it. While the main loop records its tail,
    it already plays, so the cycle starts sounding exactly when the performer pressed stop.

    Every loop carries the input channel it records, the output channel (loop channel) it plays
    on and its channel count; loops whose channels fall outside the set's inputs or outputs are
    refused.

    Threads: [audio], except clear(), which the message thread calls while the audio callback
    is held off. Allocation only from the sample pool.
*/
class Part
{
public:
    Part (MemorySystem::Allocator& memory, char letter, int numInputs, int numOutputs) noexcept;
    virtual ~Part();

    Part (const Part&) = delete;
    Part& operator= (const Part&) = delete;

    static constexpr std::uint32_t maxMultiplier = 64;

    /** Destroys every loop and returns to the empty state. */
    void clear() noexcept;

    void setPosition (std::uint32_t p) noexcept { position = p; }
    void setLatencies (std::uint32_t input, std::uint32_t output) noexcept;

    [[nodiscard]] bool hasMainLoop() const noexcept { return mainLoop != nullptr && ! mainLoop->isRecording(); }
    [[nodiscard]] bool isMainLoopRecording() const noexcept { return mainLoop != nullptr && mainLoop->isRecording(); }
    [[nodiscard]] bool isOverdubbing() const noexcept { return ! recording.isEmpty() && ! isMainLoopRecording(); }
    [[nodiscard]] std::uint32_t mainLoopLength() const noexcept { return mainLoop != nullptr ? mainLoop->length() : 0; }
    [[nodiscard]] std::uint64_t cycleLength() const noexcept { return std::uint64_t (mainLoopLength()) * multiplier; }

    /** A loop recording from input onto output holds its recording slot (it has not been
        stopped; a stopped loop still writing its tail holds none). */
    [[nodiscard]] bool findRecording (int input, int output) const noexcept;

    /** Some loop holds the recording slot of output. */
    [[nodiscard]] bool isOutputRecording (int output) const noexcept;

    /** The slot recording onto output: its input and channel count; -1 and 0 when there is none. */
    [[nodiscard]] int inputRecordingOn (int output) const noexcept;
    [[nodiscard]] int channelsRecordingOn (int output) const noexcept;

    /** Starts the main loop offset samples into the block. */
    [[nodiscard]] LoopRefusal startMainLoop (int input, int output, int channels, std::uint32_t offset) noexcept;
    void stopMainLoop (std::uint32_t offset) noexcept;

    /** Adds a loop of the given kind recording from offset. A loop that was stopped on the same
        output and still writes its tail does not stand in the way: each loop records its own
        input into its own storage. */
    [[nodiscard]] LoopRefusal addLoop (int input, int output, int channels, std::uint32_t offset, LoopKind kind,
                                       Direction direction) noexcept;
    void stopLoop (int input, int output, std::uint32_t offset) noexcept;

    void doubleMultiplier() noexcept;
    void addToMultiplier() noexcept;

    /** Erases every loop playing on output; false (and no history) when nothing was erased. */
    bool erase (int output) noexcept;

    HistoryEntry::Type undo() noexcept;
    HistoryEntry::Type redo() noexcept;

    /** Records and plays one block: inputs are the engine inputs, outputs the loop channels. */
    int process (const float* const* inputs, float* const* outputs, std::uint32_t n, Direction direction) noexcept;

    [[nodiscard]] std::uint32_t getPosition() const noexcept { return position; }
    [[nodiscard]] std::uint32_t getPreviousPosition() const noexcept { return previousPosition; }
    [[nodiscard]] std::uint32_t getMultiplier() const noexcept { return multiplier; }
    [[nodiscard]] std::uint32_t getAddAmount() const noexcept { return addAmount; }
    [[nodiscard]] const ActivityMatrix& getActivity() const noexcept { return activity; }
    [[nodiscard]] const char* getName() const noexcept { return name.data(); }
    [[nodiscard]] const RecordingSlotList& getRecordingSlots() const noexcept { return recording; }
    [[nodiscard]] const LoopHistory& getHistory() const noexcept { return history; }
    [[nodiscard]] LoopHistory& getHistory() noexcept { return history; }
    [[nodiscard]] MainLoop* getMainLoop() const noexcept { return mainLoop; }
    [[nodiscard]] SecondaryLoop* getSecondaryLoops() const noexcept { return secondaryLoops; }
    [[nodiscard]] NonRhythmicalLoop* getFreeLoops() const noexcept { return freeLoops; }

    /** [audio, or message while the audio callback is held off] Fills image with the set's
        loops, cycle and history, between two blocks; false, with the image unusable, while a
        loop is recording or finishing its recording, or when there are more loops than the
        image holds. Never allocates: the image was reserved. */
    bool capture (LoopSetImage& image) const noexcept;

    /** [message, audio callback held off] Replaces the set with the image's loops (their samples
        given in the image), cycle and history. The new loops are built before the old ones go:
        on any failure (out of memory, channels that do not fit, an inconsistent image) the set
        stays as it was and the answer is false. */
    bool restore (const LoopSetImage& image) noexcept;

    /** Whether every loop of the image fits this set's channels. */
    [[nodiscard]] bool fits (const LoopSetImage& image) const noexcept;

    int clockBeatsPerBar = 0;
    int clockBars = 0;
    bool clockEnabled = false;

private:
    [[nodiscard]] bool channelsFit (int input, int output, int channels) const noexcept;
    [[nodiscard]] std::uint32_t effectiveLatency (std::uint32_t n) const noexcept;
    void processMainLoopRecording (const float* const* inputs, float* const* outputs, std::uint32_t n,
                                   std::uint32_t latency) noexcept;
    void processCycle (const float* const* inputs, float* const* outputs, std::uint32_t n, Direction direction,
                       std::uint32_t latency) noexcept;
    void applyUndo (const HistoryEntry& entry) noexcept;
    void applyRedo (const HistoryEntry& entry) noexcept;
    void setErasedMarks (const HistoryEntry& entry, bool erased) noexcept;
    void rebuildPlayList() noexcept;

    MemorySystem::Allocator& memory;
    int numInputs, numOutputs;
    MainLoop* mainLoop = nullptr;
    SecondaryLoop* secondaryLoops = nullptr;
    NonRhythmicalLoop* freeLoops = nullptr;
    ActivityMatrix activity {};
    std::uint32_t position = 0;
    std::uint32_t multiplier = 1;
    std::uint32_t addAmount = 1;
    std::uint32_t previousPosition = 0;
    std::uint32_t inputLatency = 0, outputLatency = 0;
    std::array<char, 16> name {};
    LoopHistory history;
    RecordingSlotList recording;

    // The secondary loops a block must visit, in list order: the list without the parked ones,
    // so loops undone or replaced during a long set cost nothing per block. Rebuilt, outside the
    // play itself, after anything that may park or unpark a loop; a list too long for it is
    // walked whole instead.
    static constexpr int playListCapacity = 1024;
    std::array<SecondaryLoop*, playListCapacity> playList {};
    int playListSize = 0;
    bool playListValid = false, playListOverflow = false;
};

} // namespace Work
