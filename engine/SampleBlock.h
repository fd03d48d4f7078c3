// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "Allocator.h"
#include "BlockCursor.h"
#include "Direction.h"
#include "GainRamp.h"

#include <algorithm>
#include <cstdint>

namespace Work
{

/** One stretch of a loop: loop positions [start, start + count), either with one sample buffer
    per channel (audio) or with none (silence, which costs no sample memory).

    A loop's audio is a circular chain of these, linked in ascending start order; consecutive
    blocks touch (modulo the loop length at the wrap), and their counts add up to the loop
    length. The root is the block the chain was created as; it holds the loop length and the
    other blocks point at it.

    Sample memory is taken in chunks of chunkSamples where it can be: a growing loop fills the
    spare room of its last block before it takes a new one, and a write into silence gives audio
    to the chunk of silence around it (zero-filled), so later writes there add in place. Long
    contiguous buffers keep playback streaming through memory instead of hopping between
    block-sized pieces. Splitting a silent stretch may place new blocks in front of the
    root, so the root is not always the block at position 0; no search relies on it.

    Blocks and buffers come from the sample pool, so nothing here touches the C heap.
*/
struct SampleBlock
{
    SampleBlock* next;
    SampleBlock* prev;
    SampleBlock* root;        // null in the root itself
    std::uint32_t loopLength; // meaningful in the root only
    std::uint32_t count;
    std::uint32_t start;
    std::uint32_t channels;
    std::uint32_t capacity; // samples each buffer holds; count of them are in use
    float* buffer[2];

    [[nodiscard]] bool hasAudio() const noexcept { return buffer[0] != nullptr && (channels < 2 || buffer[1] != nullptr); }
    [[nodiscard]] SampleBlock* chainRoot() noexcept { return root != nullptr ? root : this; }
};

/** The operations on sample block chains.

    Every operation that searches the chain starts from a hint (the block where the loop's
    last read or write ended) and returns the block where it ended, which the caller keeps
    as its next hint; during steady playback the search is zero or one step.

    Reverse operations use a boundary convention: a cursor at position p stands between
    samples p - 1 and p, so the first sample read or written is p - 1 (the loop's last sample
    when p is 0).

    A ramp, when given, is applied sample by sample and keeps moving across silent stretches
    and failed writes, so a fade always takes the same time. A ramp that is silent makes a
    read or write return at once. Any allocation failure leaves the chain consistent and the
    affected stretch as it was.

    All operations are [audio] (or message thread while the audio callback is held off).
*/
namespace SampleChain
{

    /** Samples of sample memory taken at a time where the stretch allows it. */
    constexpr std::uint32_t chunkSamples = 2048;

    /** A new block, filled from input when given (null on any allocation failure), else silent. */
    [[nodiscard]] SampleBlock* createBlock (MemorySystem::Allocator& memory, const BlockCursor* input,
                                            std::uint32_t channels, std::uint32_t start, std::uint32_t count,
                                            Direction direction, SampleBlock* root, GainRamp* ramp) noexcept;

    /** Releases a block; for a root, the whole chain. */
    void destroyBlock (MemorySystem::Allocator& memory, SampleBlock* block) noexcept;

    [[nodiscard]] std::uint32_t loopLengthOf (const SampleBlock* block) noexcept;
    void setLoopLength (SampleBlock* block, std::uint32_t length) noexcept;
    [[nodiscard]] std::uint32_t endPosition (const SampleBlock* block) noexcept;

    /** True once the chain holds recorded material. */
    [[nodiscard]] bool isStarted (const SampleBlock* block) noexcept;

    /** The block holding loop position p (p below the loop length), searched from hint. */
    [[nodiscard]] SampleBlock* locate (SampleBlock* hint, std::uint32_t p) noexcept;

    /** Multiplies count samples of the chain, from position p on (forwards, p + count at most
        the loop length), by the ramp, which advances sample by sample as in a write. Blocks
        without audio still advance it. Returns the block where the stretch ended. */
    SampleBlock* applyRamp (SampleBlock* hint, std::uint32_t p, std::uint32_t count, GainRamp& ramp) noexcept;

    /** Adds cursor.count samples of the chain, from cursor.position, into the cursor's channels. */
    SampleBlock* play (SampleBlock* hint, BlockCursor cursor, Direction direction, GainRamp* ramp) noexcept;

    /** dst[j] += src[j] for a count known when compiling. */
    template <std::uint32_t n>
    inline void addFixed (const float* __restrict src, float* __restrict dst) noexcept
    {
        for (std::uint32_t j = 0; j < n; ++j)
            dst[j] += src[j];
    }

    /** dst[j] += src[j] for n samples. This runs for every loop in every block, and in short
        blocks the set-up for a count known only at run time costs as much as the sums: the two
        short block sizes get bodies of a fixed length (longer ones do better without: measured
        with bench/instructions.sh). Other counts go eight at a time, then one by one. */
    inline void addSamples (const float* __restrict src, float* __restrict dst, std::uint32_t n) noexcept
    {
        switch (n)
        {
            case 32: addFixed<32> (src, dst); return;
            case 64: addFixed<64> (src, dst); return;
            default: break;
        }

        std::uint32_t j = 0;
        for (; j + 8 <= n; j += 8)
            for (std::uint32_t k = 0; k < 8; ++k)
                dst[j + k] += src[j + k];
        for (; j < n; ++j)
            dst[j] += src[j];
    }

    /** Steady playback, forwards at unity gain: when [position, position + n) lies inside the
        audio of block, adds it into outputs[0 .. channels - 1] exactly as play would and returns
        true; otherwise does nothing and returns false. Inline: it runs for most loops in every
        block. */
    inline bool addIfInside (const SampleBlock* block, float* const* outputs, std::uint32_t channels, std::uint32_t position,
                             std::uint32_t n) noexcept
    {
        if (! block->hasAudio() || position < block->start
            || position + std::uint64_t (n) > std::uint64_t (block->start) + block->count)
            return false;

        // One or two channels, spelt out: a loop over them costs a set-up of its own.
        const auto offset = position - block->start;
        const auto count = std::min ({ block->channels, channels, std::uint32_t (2) });
        if (count > 0)
            addSamples (block->buffer[0] + offset, outputs[0], n);
        if (count > 1)
        {
            // Reached only when the caller gave two output channels; GCC cannot see that through
            // a caller that passes a one-channel array for a one-channel loop.
#if defined(__GNUC__) && ! defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
#endif
            addSamples (block->buffer[1] + offset, outputs[1], n);
#if defined(__GNUC__) && ! defined(__clang__)
#pragma GCC diagnostic pop
#endif
        }
        return true;
    }

    /** Adds the cursor's input into the chain at cursor.position, giving silent stretches audio. */
    SampleBlock* overdub (MemorySystem::Allocator& memory, SampleBlock* hint, BlockCursor cursor, Direction direction,
                          GainRamp* ramp) noexcept;

    /** Grows a chain by the cursor's input at its end; returns the root. When no sample memory is
        left the stretch is kept as silence, so the loop still grows by cursor.count. */
    SampleBlock* append (MemorySystem::Allocator& memory, SampleBlock* hint, const BlockCursor& cursor,
                         GainRamp* ramp) noexcept;

    /** Gives block n fresh samples per channel copied from input (reversed for backwards), in
        buffers with room for capacity samples; false when the memory could not be had (the block
        is left as it was). */
    [[nodiscard]] bool writeFresh (MemorySystem::Allocator& memory, SampleBlock* block, const BlockCursor& input,
                                   std::uint32_t n, Direction direction, GainRamp* ramp,
                                   std::uint32_t capacity = 0) noexcept;

    /** [message, audio callback held off] A new chain of length samples per channel copied from
        samples (length at least 1): audio in blocks of chunkSamples, runs of silence (+0.0) as
        silent blocks. Null, with nothing kept, when the memory could not be had. */
    [[nodiscard]] SampleBlock* createFrom (MemorySystem::Allocator& memory, std::uint32_t channels, std::uint32_t length,
                                           const float* const* samples) noexcept;

    /** [any] Copies the whole loop of block's chain, from position 0, into channels buffers of its
        length; silent stretches come out as zeros. The caller makes sure nothing changes the
        chain meanwhile. */
    void copyOut (const SampleBlock* block, float* const* destination, std::uint32_t channels) noexcept;

    /** Drops the first count - remaining samples of a forward cursor. */
    void advanceCursor (BlockCursor& cursor, std::uint32_t remaining, std::uint32_t loopLength) noexcept;

    /** Drops the first count - remaining samples of a backward cursor. */
    void retreatCursor (BlockCursor& cursor, std::uint32_t remaining, std::uint32_t loopLength) noexcept;

} // namespace SampleChain

} // namespace Work
