// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "SampleBlock.h"

#include <bit>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>

namespace Work::SampleChain
{

namespace
{
    enum class Mix
    {
        copy,
        add
    };

    /** Writes or adds one sample. */
    template <Mix mix>
    void put (float& dst, float v) noexcept
    {
        if constexpr (mix == Mix::copy)
            dst = v;
        else
            dst += v;
    }

    /** Moves n samples at a constant gain; steps are +1 or -1 samples. At unity, forwards, a
        plain copy or sum (multiplying by one changes no sample). */
    template <Mix mix>
    void moveSamples (const float* src, std::ptrdiff_t srcStep, float* dst, std::ptrdiff_t dstStep, std::uint32_t n,
                      float gain = 1.0f) noexcept
    {
        if (gain == 1.0f && srcStep == 1 && dstStep == 1)
        {
            if constexpr (mix == Mix::copy)
                std::memcpy (dst, src, n * sizeof (float));
            else
                addSamples (src, dst, n);
            return;
        }

        for (std::uint32_t j = 0; j < n; ++j)
            put<mix> (dst[std::ptrdiff_t (j) * dstStep], src[std::ptrdiff_t (j) * srcStep] * gain);
    }

    /** Moves n samples through a ramp that advances after each sample. */
    template <Mix mix>
    void moveSamplesRamped (const float* src, std::ptrdiff_t srcStep, float* dst, std::ptrdiff_t dstStep, std::uint32_t n,
                            float& gain, float& step) noexcept
    {
        for (std::uint32_t j = 0; j < n; ++j)
        {
            put<mix> (dst[std::ptrdiff_t (j) * dstStep], src[std::ptrdiff_t (j) * srcStep] * gain);
            GainRamp::advance (gain, step);
        }
    }

    /** Every channel starts from the same ramp state; the state reached is stored once. */
    template <Mix mix>
    void transfer (const float* const* src, std::ptrdiff_t srcStep, float* const* dst, std::ptrdiff_t dstStep,
                   std::uint32_t channels, std::uint32_t n, GainRamp* ramp) noexcept
    {
        if (ramp == nullptr)
        {
            for (std::uint32_t c = 0; c < channels; ++c)
                moveSamples<mix> (src[c], srcStep, dst[c], dstStep, n);
            return;
        }

        // A ramp at rest within [0, 1] keeps its gain through every sample, exactly as the
        // sample-by-sample walk below would: take it as a constant. Most writes of a take and
        // of an overdub run at rest, at unity.
        if (! ramp->isMoving() && ramp->gain >= 0.0f && ramp->gain <= 1.0f)
        {
            for (std::uint32_t c = 0; c < channels; ++c)
                moveSamples<mix> (src[c], srcStep, dst[c], dstStep, n, ramp->gain);
            return;
        }

        float gain = ramp->gain, step = ramp->step;

        for (std::uint32_t c = 0; c < channels; ++c)
        {
            gain = ramp->gain;
            step = ramp->step;
            moveSamplesRamped<mix> (src[c], srcStep, dst[c], dstStep, n, gain, step);
        }

        ramp->store (gain, step);
    }

    std::uint32_t channelsOf (const SampleBlock* block, const BlockCursor& cursor) noexcept
    {
        return std::min ({ block->channels, cursor.channels, std::uint32_t (2) });
    }

    void releaseBlock (MemorySystem::Allocator& memory, SampleBlock* block) noexcept
    {
        memory.release (block->buffer[0]);
        memory.release (block->buffer[1]);
        memory.release (block);
    }

    void insertBefore (SampleBlock* at, SampleBlock* block) noexcept
    {
        block->prev = at->prev;
        block->next = at;
        at->prev->next = block;
        at->prev = block;
    }

    void insertAfter (SampleBlock* at, SampleBlock* block) noexcept
    {
        insertBefore (at->next, block);
    }

    void skipRamp (GainRamp* ramp, std::uint32_t n) noexcept
    {
        if (ramp != nullptr)
            ramp->skip (n);
    }

    /** Zero-filled sample buffers of count samples per channel, or false. */
    bool allocateSilence (MemorySystem::Allocator& memory, std::uint32_t channels, std::uint32_t count,
                          float* (&buffers)[2]) noexcept
    {
        buffers[0] = buffers[1] = nullptr;

        for (std::uint32_t c = 0; c < channels; ++c)
        {
            buffers[c] = static_cast<float*> (memory.allocate (count * sizeof (float)));

            if (buffers[c] == nullptr)
            {
                memory.release (buffers[0]);
                buffers[0] = nullptr;
                return false;
            }

            std::memset (buffers[c], 0, count * sizeof (float));
        }

        return true;
    }

    /** Turns [offset, offset + count) of silent block b into an audio block of zeros, cutting b
        as needed, and returns that block; null (chain untouched) when memory runs out. */
    SampleBlock* giveAudio (MemorySystem::Allocator& memory, SampleBlock* b, std::uint32_t offset,
                            std::uint32_t count) noexcept
    {
        const auto channels = std::min (b->channels, std::uint32_t (2));
        float* buffers[2];

        if (offset == 0 && count == b->count)
        {
            if (! allocateSilence (memory, channels, count, buffers))
                return nullptr;

            b->buffer[0] = buffers[0];
            b->buffer[1] = buffers[1];
            b->capacity = count;
            return b;
        }

        auto* root = b->chainRoot();
        auto* audio =
            createBlock (memory, nullptr, b->channels, b->start + offset, count, Direction::forwards, root, nullptr);

        if (audio == nullptr)
            return nullptr;

        if (! allocateSilence (memory, channels, count, buffers))
        {
            memory.release (audio);
            return nullptr;
        }

        audio->buffer[0] = buffers[0];
        audio->buffer[1] = buffers[1];
        audio->capacity = count;

        if (offset > 0 && offset + count < b->count)
        {
            auto* silence = createBlock (memory, nullptr, b->channels, b->start, offset, Direction::forwards, root, nullptr);

            if (silence == nullptr)
            {
                releaseBlock (memory, audio);
                return nullptr;
            }

            insertBefore (b, silence);
            insertBefore (b, audio);
            b->start += offset + count;
            b->count -= offset + count;
        }
        else if (offset == 0)
        {
            insertBefore (b, audio);
            b->start += count;
            b->count -= count;
        }
        else
        {
            insertAfter (b, audio);
            b->count -= count;
        }

        return audio;
    }

    /** Writes m input samples into block b at loop positions [b->start + offset, + m). Forwards,
        input sample j lands at the region's j-th position; backwards at its (m - 1 - j)-th.
        A silent block is cut so that only the written region gets sample memory. Returns the
        block now holding the region, or b when nothing could be written. */
    SampleBlock* writeInto (MemorySystem::Allocator& memory, SampleBlock* b, std::uint32_t offset, std::uint32_t m,
                            const BlockCursor& input, Direction direction, GainRamp* ramp) noexcept
    {
        if (b->hasAudio())
        {
            const bool forwards = direction == Direction::forwards;
            float* dst[2] = { nullptr, nullptr };
            for (int c = 0; c < 2; ++c)
                if (b->buffer[c] != nullptr)
                    dst[c] = b->buffer[c] + offset + (forwards ? 0 : m - 1);
            transfer<Mix::add> (input.channel, 1, dst, forwards ? 1 : -1, channelsOf (b, input), m, ramp);
            return b;
        }

        // Give audio to a chunk of the silence around the write, then write into it as into any
        // audio block. Forwards the chunk runs on from the write, backwards it reaches back.
        const bool forwards = direction == Direction::forwards;
        const auto chunk = std::max (m, chunkSamples);
        const auto lo = forwards ? offset : (offset + m > chunk ? offset + m - chunk : 0);
        const auto hi = forwards ? std::min (b->count, offset + chunk) : offset + m;

        const auto writeStart = b->start + offset; // b may be cut below
        auto* audio = giveAudio (memory, b, lo, hi - lo);

        if (audio == nullptr && hi - lo > m)
            audio = giveAudio (memory, b, offset, m);

        if (audio == nullptr)
        {
            skipRamp (ramp, m);
            return b;
        }

        return writeInto (memory, audio, writeStart - audio->start, m, input, direction, ramp);
    }
    /** A block for the end of a growing chain with room for a chunk, or just for the input
        when a chunk cannot be had. */
    SampleBlock* newAppendBlock (MemorySystem::Allocator& memory, SampleBlock* root, const BlockCursor& input,
                                 GainRamp* ramp) noexcept
    {
        auto* block =
            createBlock (memory, nullptr, root->channels, root->loopLength, input.count, Direction::forwards, root, nullptr);

        if (block == nullptr)
            return nullptr;

        // Try the roomy buffer first; the ramp is only applied by the write that succeeds.
        if (writeFresh (memory, block, input, input.count, Direction::forwards, ramp, chunkSamples)
            || writeFresh (memory, block, input, input.count, Direction::forwards, ramp, input.count))
            return block;

        memory.release (block);
        return nullptr;
    }
    /** Splits an operation of cursor.count samples from cursor.position into the stretches that
        lie in one block each, in the order the operation meets them, and calls
        piece (block, lo, m, cursor) for each: the stretch covers block positions [lo, lo + m)
        (read or written from lo up forwards, from lo + m - 1 down backwards) and the cursor's
        pointers are at the stretch's first sample. piece returns the block the stretch now lies
        in; the last one is returned as the new hint. */
    template <typename Piece>
    SampleBlock* walk (SampleBlock* hint, BlockCursor cursor, Direction direction, Piece&& piece) noexcept
    {
        const auto length = loopLengthOf (hint);

        if (length == 0)
            return hint;

        if (cursor.position >= length)
            cursor.position %= length;

        for (;;)
        {
            std::uint32_t m = 0;

            if (direction == Direction::forwards)
            {
                auto* b = locate (hint, cursor.position);
                const auto offset = cursor.position - b->start;
                m = std::min (b->count - offset, cursor.count);
                hint = piece (b, offset, m, cursor);

                if (m == cursor.count)
                    return hint;

                advanceCursor (cursor, cursor.count - m, length);
            }
            else
            {
                const auto boundary = cursor.position == 0 ? length : cursor.position;
                auto* b = locate (hint, boundary - 1);
                m = std::min (boundary - b->start, cursor.count);
                hint = piece (b, boundary - m - b->start, m, cursor);

                if (m == cursor.count)
                    return hint;

                retreatCursor (cursor, cursor.count - m, length);
            }
        }
    }
} // namespace

SampleBlock* createBlock (MemorySystem::Allocator& memory, const BlockCursor* input, std::uint32_t channels,
                          std::uint32_t start, std::uint32_t count, Direction direction, SampleBlock* root,
                          GainRamp* ramp) noexcept
{
    void* place = memory.allocate (sizeof (SampleBlock));

    if (place == nullptr)
        return nullptr;

    auto* block = new (place) SampleBlock { nullptr, nullptr, root, 0, count, start, channels, 0, { nullptr, nullptr } };

    if (input != nullptr && ! writeFresh (memory, block, *input, count, direction, ramp, count))
    {
        memory.release (block);
        return nullptr;
    }

    return block;
}

void destroyBlock (MemorySystem::Allocator& memory, SampleBlock* block) noexcept
{
    if (block == nullptr)
        return;

    if (block->root == nullptr)
    {
        for (auto* b = block->next; b != nullptr && b != block;)
        {
            auto* following = b->next;
            releaseBlock (memory, b);
            b = following;
        }
    }

    releaseBlock (memory, block);
}

std::uint32_t loopLengthOf (const SampleBlock* block) noexcept
{
    return block->root != nullptr ? block->root->loopLength : block->loopLength;
}

void setLoopLength (SampleBlock* block, std::uint32_t length) noexcept
{
    block->loopLength = length;
    if (block->root != nullptr)
        block->root->loopLength = length;
}

std::uint32_t endPosition (const SampleBlock* block) noexcept
{
    const auto length = loopLengthOf (block);
    const auto end = block->start + block->count;
    return length > 0 ? end % length : end;
}

bool isStarted (const SampleBlock* block) noexcept
{
    return block->root != nullptr || block->loopLength != 0;
}

SampleBlock* locate (SampleBlock* hint, std::uint32_t p) noexcept
{
    auto* b = hint;

    if (p < b->start)
    {
        // Wrapping from the last block to the first is the common case at the loop's end.
        if (auto* n = b->next; n->start <= p && p < n->start + n->count)
            return n;

        do
            b = b->prev;
        while (p < b->start);

        return b;
    }

    // Backwards, wrapping from the first block to the last is the common case at the loop's
    // start: the chain is a ring, so the last block is one step back, not a walk across it.
    if (auto* previous = b->prev; p >= b->start + b->count && previous->start <= p && p < previous->start + previous->count)
        return previous;

    while (p >= b->start + b->count)
        b = b->next;

    return b;
}

SampleBlock* applyRamp (SampleBlock* hint, std::uint32_t p, std::uint32_t count, GainRamp& ramp) noexcept
{
    auto* b = locate (hint, p);

    while (count > 0)
    {
        const auto from = p - b->start;
        const auto m = std::min (count, b->count - from);

        if (b->hasAudio())
        {
            float gain = ramp.gain, step = ramp.step;
            for (std::uint32_t c = 0; c < std::min (b->channels, std::uint32_t (2)); ++c)
            {
                gain = ramp.gain;
                step = ramp.step;
                auto* samples = b->buffer[c] + from;
                for (std::uint32_t j = 0; j < m; ++j)
                {
                    samples[j] *= gain;
                    GainRamp::advance (gain, step);
                }
            }
            ramp.store (gain, step);
        }
        else
        {
            ramp.skip (m);
        }

        p += m;
        count -= m;
        if (count > 0)
            b = b->next;
    }

    return b;
}

SampleBlock* play (SampleBlock* hint, BlockCursor cursor, Direction direction, GainRamp* ramp) noexcept
{
    if (hint == nullptr || cursor.count == 0 || (ramp != nullptr && ramp->isSilent()))
        return hint;

    // Steady playback: forwards at unity gain, inside the block the last read ended in.
    if (direction == Direction::forwards && ramp == nullptr
        && addIfInside (hint, cursor.channel, cursor.channels, cursor.position, cursor.count))
        return hint;

    const bool forwards = direction == Direction::forwards;

    return walk (hint, cursor, direction, [&] (SampleBlock* b, std::uint32_t lo, std::uint32_t m, const BlockCursor& piece) {
        if (! b->hasAudio())
        {
            skipRamp (ramp, m);
            return b;
        }

        const auto first = forwards ? lo : lo + m - 1;
        const float* src[2] = { b->buffer[0] + first, b->buffer[1] != nullptr ? b->buffer[1] + first : nullptr };
        transfer<Mix::add> (src, forwards ? 1 : -1, piece.channel, 1, channelsOf (b, piece), m, ramp);
        return b;
    });
}

SampleBlock* overdub (MemorySystem::Allocator& memory, SampleBlock* hint, BlockCursor cursor, Direction direction,
                      GainRamp* ramp) noexcept
{
    if (hint == nullptr || cursor.count == 0 || (ramp != nullptr && ramp->isSilent()))
        return hint;

    return walk (hint, cursor, direction, [&] (SampleBlock* b, std::uint32_t lo, std::uint32_t m, const BlockCursor& piece) {
        return writeInto (memory, b, lo, m, piece, direction, ramp);
    });
}

SampleBlock* append (MemorySystem::Allocator& memory, SampleBlock* hint, const BlockCursor& cursor, GainRamp* ramp) noexcept
{
    auto* root = hint->chainRoot();
    const auto length = root->loopLength;

    if (cursor.count == 0)
        return root;

    auto* last = root->prev;

    if (last->hasAudio() && last->capacity - last->count >= cursor.count)
    {
        // Room left in the newest block: the loop grows in place.
        float* dst[2] = { last->buffer[0] + last->count,
                          last->buffer[1] != nullptr ? last->buffer[1] + last->count : nullptr };
        transfer<Mix::copy> (cursor.channel, 1, dst, 1, channelsOf (last, cursor), cursor.count, ramp);
        last->count += cursor.count;
    }
    else if (auto* audio = newAppendBlock (memory, root, cursor, ramp))
    {
        insertBefore (root, audio);
    }
    else
    {
        // Out of sample memory: the stretch is kept as silence so the loop's timing holds.
        skipRamp (ramp, cursor.count);

        if (! last->hasAudio())
        {
            last->count += cursor.count;
        }
        else if (auto* silence =
                     createBlock (memory, nullptr, root->channels, length, cursor.count, Direction::forwards, root, nullptr))
        {
            insertBefore (root, silence);
        }
        else
        {
            return root;
        }
    }

    root->loopLength = length + cursor.count;
    return root;
}

bool writeFresh (MemorySystem::Allocator& memory, SampleBlock* block, const BlockCursor& input, std::uint32_t n,
                 Direction direction, GainRamp* ramp, std::uint32_t capacity) noexcept
{
    float* buffers[2] = { nullptr, nullptr };
    const auto channels = std::min (block->channels, std::uint32_t (2));
    capacity = std::max (capacity, n);

    for (std::uint32_t c = 0; c < channels; ++c)
    {
        buffers[c] = static_cast<float*> (memory.allocate (capacity * sizeof (float)));

        if (buffers[c] == nullptr)
        {
            memory.release (buffers[0]);
            return false;
        }
    }

    const bool forwards = direction == Direction::forwards;
    float* dst[2] = { nullptr, nullptr };
    for (std::uint32_t c = 0; c < channels; ++c)
        dst[c] = buffers[c] + (forwards || n == 0 ? 0 : n - 1);

    transfer<Mix::copy> (input.channel, 1, dst, forwards ? 1 : -1, std::min (channels, input.channels), n, ramp);

    // A channel the input does not have stays silent rather than uninitialised.
    for (std::uint32_t c = input.channels; c < channels; ++c)
        std::memset (buffers[c], 0, n * sizeof (float));

    memory.release (block->buffer[0]);
    memory.release (block->buffer[1]);
    block->buffer[0] = buffers[0];
    block->buffer[1] = buffers[1];
    block->count = n;
    block->capacity = capacity;
    return true;
}

void advanceCursor (BlockCursor& cursor, std::uint32_t remaining, std::uint32_t loopLength) noexcept
{
    const auto d = cursor.count - remaining;
    cursor.skipSamples (d);
    cursor.position += d;

    if (cursor.position >= loopLength && loopLength > 0)
        cursor.position %= loopLength;

    cursor.count = remaining;
}

void retreatCursor (BlockCursor& cursor, std::uint32_t remaining, std::uint32_t loopLength) noexcept
{
    const auto d = cursor.count - remaining;
    cursor.skipSamples (d);
    cursor.position = cursor.position >= d ? cursor.position - d : cursor.position + loopLength - d;
    cursor.count = remaining;
}

namespace
{
    /** Whether count samples of every channel from start on are all +0.0 (a stretch that was never
        recorded into, or was cleared). -0.0 is kept as audio, so that it comes back as it was. */
    bool isAllZero (const float* const* samples, std::uint32_t channels, std::uint32_t start, std::uint32_t count) noexcept
    {
        for (std::uint32_t c = 0; c < channels; ++c)
            for (std::uint32_t i = 0; i < count; ++i)
                if (std::bit_cast<std::uint32_t> (samples[c][start + i]) != 0)
                    return false;
        return true;
    }
} // namespace

SampleBlock* createFrom (MemorySystem::Allocator& memory, std::uint32_t channels, std::uint32_t length,
                         const float* const* samples) noexcept
{
    channels = std::clamp (channels, std::uint32_t (1), std::uint32_t (2));
    SampleBlock* root = nullptr;

    for (std::uint32_t start = 0; start < length;)
    {
        auto count = std::min (chunkSamples, length - start);
        const bool silent = isAllZero (samples, channels, start, count);

        // Silence costs no memory: a run of silent chunks becomes one silent block.
        while (silent && start + count < length)
        {
            const auto more = std::min (chunkSamples, length - start - count);
            if (! isAllZero (samples, channels, start + count, more))
                break;
            count += more;
        }

        const auto input = BlockCursor::onChannels (samples, channels, start, count, start);
        auto* block =
            createBlock (memory, silent ? nullptr : &input, channels, start, count, Direction::forwards, root, nullptr);

        if (block == nullptr)
        {
            destroyBlock (memory, root);
            return nullptr;
        }

        if (root == nullptr)
        {
            root = block;
            root->next = root->prev = root;
            root->loopLength = length;
        }
        else
        {
            block->prev = root->prev;
            block->next = root;
            root->prev->next = block;
            root->prev = block;
        }

        start += count;
    }

    return root;
}

void copyOut (const SampleBlock* block, float* const* destination, std::uint32_t channels) noexcept
{
    const auto* root = block->root != nullptr ? block->root : block;
    const auto length = root->loopLength;

    for (std::uint32_t c = 0; c < channels; ++c)
        std::fill (destination[c], destination[c] + length, 0.0f);

    if (length == 0)
        return;

    const auto* b = root;
    do
    {
        for (std::uint32_t c = 0; c < channels && c < b->channels; ++c)
        {
            if (! b->hasAudio())
                break;

            // A block may run over the loop's end and go on at its start.
            const auto start = b->start % length;
            const auto first = std::min (b->count, length - start);
            std::copy (b->buffer[c], b->buffer[c] + first, destination[c] + start);
            std::copy (b->buffer[c] + first, b->buffer[c] + std::min (b->count, length), destination[c]);
        }
        b = b->next;
    } while (b != nullptr && b != root);
}

} // namespace Work::SampleChain
