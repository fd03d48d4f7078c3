// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "Allocator.h"
#include "Direction.h"
#include "GainRamp.h"
#include "SampleBlock.h"

#include <array>
#include <cstdint>
#include <new>

namespace Work
{

/** One word per output channel; bit i of word o is set when a loop recorded from input i
    sounds on output o in the current block. */
using ActivityMatrix = std::array<std::uint32_t, 32>;

/** One recorded layer of a loop set: the audio of one input (mono or stereo) that plays back
    on one output channel (a loop channel).

    How it works: the audio lives in a sample block chain; the loop keeps a hint into it. A
    recording starts after a pre-roll (the samples between the block start and the press), runs
    at full gain, and on a stop records a tail (up to the press) followed by a 50-sample fade
    (a loop that grows as it records ends at the press itself, see GrowingLoop).
    Playback goes through a play ramp that fades over 50 samples whenever the loop is muted or
    unmuted.

    Loops live in the sample pool: create them with the kind's create function and end them
    with destroy(), never with new or delete. Everything here is [audio] and allocation-free
    outside the pool.
*/
class BaseLoop
{
public:
    BaseLoop (const BaseLoop&) = delete;
    BaseLoop& operator= (const BaseLoop&) = delete;

    /** Adds n samples at position into the loop's output channels. Marks the loop in activity
        when given. */
    virtual void play (float* const* outputs, std::uint32_t position, Direction direction, std::uint32_t n,
                       ActivityMatrix* activity) noexcept;

    [[nodiscard]] std::uint32_t length() const noexcept
    {
        return chain == nullptr ? 0 : (chain->root != nullptr ? chain->root->loopLength : chain->loopLength);
    }

    /** Runs the destructor and gives the loop's memory back to the pool. */
    void destroy() noexcept;

    [[nodiscard]] int getInputChannel() const noexcept { return inputChannel; }
    [[nodiscard]] int getOutputChannel() const noexcept { return outputChannel; }
    [[nodiscard]] int getNumChannels() const noexcept { return numChannels; }
    [[nodiscard]] bool isRecording() const noexcept { return recording; }

    /** A loop is silenced while it is erased or undone (only loops that finished recording
        after the main loop are ever undone). */
    [[nodiscard]] bool isMuted() const noexcept { return erased || undone; }
    [[nodiscard]] bool isErased() const noexcept { return erased; }
    void setErased (bool shouldBeErased) noexcept { erased = shouldBeErased; }
    [[nodiscard]] bool isUndone() const noexcept { return undone; }

    /** Undone or erased, faded right out and no longer recording: playing it does nothing, and
        keeps doing nothing until its marks change. */
    [[nodiscard]] bool isParked() const noexcept { return isMuted() && lastMuted && playRamp.isSilent() && ! recording; }
    void setUndone (bool shouldBeUndone) noexcept { undone = shouldBeUndone; }

    /** Starts recording offset samples into the current block. */
    void startRecording (std::uint32_t offset) noexcept;

    /** Samples still to be recorded after a stop: the tail and the fade-out. */
    [[nodiscard]] std::uint32_t remainingAfterStop() const noexcept;

    const GainRamp& getPlayRamp() const noexcept { return playRamp; }
    const GainRamp& getRecordRamp() const noexcept { return recordRamp; }

    /** [message, audio callback held off] Takes root (a chain made by SampleChain::createFrom)
        in place of the loop's own audio, as a finished loop with the given marks, faded in or
        out as they say. */
    void adopt (SampleBlock* root, bool isErased, bool isUndone) noexcept;

    /** The chain's block where the last read or write ended. */
    const SampleBlock* getChain() const noexcept { return chain; }

protected:
    BaseLoop (MemorySystem::Allocator& memory, int input, int output, int channels) noexcept;
    virtual ~BaseLoop();

    /** Writes the recorded samples of input: at input.position (loops of fixed length) or at
        the end (growing loops). */
    virtual void writeRecorded (const BlockCursor& input, Direction direction, GainRamp* ramp) noexcept = 0;

    /** Records one block: pre-roll, tail, fade-out, then the samples themselves. The position
        (used by loops of fixed length) follows the samples skipped. Returns how many samples of
        the block passed before the recording ended (n while it goes on). */
    std::uint32_t recordBlock (const float* const* inputs, std::uint32_t n, std::uint32_t position,
                               Direction direction) noexcept;

    /** Stop with a tail of offset - 50 samples, or an immediate fade when the press is closer. */
    void stopAfterFade (std::uint32_t offset) noexcept;

    /** Starts the closing fade; a ramp already below half way ends the recording at once. */
    void beginFadeOut() noexcept;

    /** Fades the play ramp when the mute state changes; holds it at 0 or 1 otherwise. A fade
        that began in an earlier block runs on: it may span several short blocks. */
    void handleMute() noexcept
    {
        const bool muted = isMuted();

        if (muted != lastMuted)
        {
            if (muted)
                playRamp.startFadeOut();
            else
                playRamp.startFadeIn();
        }
        else if (! playRamp.isMoving())
        {
            playRamp.setGain (muted ? 0.0f : 1.0f);
        }

        lastMuted = muted;
    }

    /** Plays the chain once at position, n samples, into outputs advanced by offset. */
    void playPiece (float* const* outputs, std::uint32_t outputOffset, std::uint32_t position, Direction direction,
                    std::uint32_t n) noexcept;

    /** Plays n samples at position, in pieces when the loop is shorter than n. */
    void playInPieces (float* const* outputs, std::uint32_t position, Direction direction, std::uint32_t n) noexcept;

    void markActivity (ActivityMatrix* activity) const noexcept
    {
        if (activity != nullptr && outputChannel >= 0 && outputChannel < 32 && inputChannel >= 0 && inputChannel < 32)
            (*activity)[std::size_t (outputChannel)] |= std::uint32_t (1) << inputChannel;
    }

    /** Creates a loop of type T in the pool; null when the pool is exhausted. */
    template <typename T, typename... Args>
    static T* createIn (MemorySystem::Allocator& memory, Args&&... args) noexcept
    {
        void* place = memory.allocate (sizeof (T));
        if (place == nullptr)
            return nullptr;
        auto* loop = new (place) T (memory, static_cast<Args&&> (args)...);
        if (loop->chain == nullptr)
        {
            loop->destroy();
            return nullptr;
        }
        return loop;
    }

    MemorySystem::Allocator& memory;
    GainRamp recordRamp;
    GainRamp playRamp;
    SampleBlock* chain = nullptr;
    int inputChannel;
    int outputChannel;
    int numChannels;
    std::uint32_t preRoll = 0;
    std::uint32_t tail = 0;
    std::uint32_t fadeBack = 0; // closing fade samples already recorded, faded at the next record
    bool recording = false;
    bool lastMuted = false;
    bool erased = false;
    bool undone = false;
};

} // namespace Work
