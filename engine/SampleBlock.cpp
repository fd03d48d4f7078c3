#include "SampleBlock.h"

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

    /** Moves n samples at unity gain; steps are +1 or -1 samples. */
    template <Mix mix>
    void moveSamples (const float* src, std::ptrdiff_t srcStep, float* dst, std::ptrdiff_t dstStep,
                      std::uint32_t n) noexcept
    {
        if (srcStep == 1 && dstStep == 1)
        {
            if constexpr (mix == Mix::copy)
            {
                std::memcpy (dst, src, n * sizeof (float));
            }
            else
            {
                for (std::uint32_t j = 0; j < n; ++j)
                    dst[j] += src[j];
            }
            return;
        }

        for (std::uint32_t j = 0; j < n; ++j)
        {
            const auto v = src[std::ptrdiff_t (j) * srcStep];
            if constexpr (mix == Mix::copy)
                dst[std::ptrdiff_t (j) * dstStep] = v;
            else
                dst[std::ptrdiff_t (j) * dstStep] += v;
        }
    }

    /** Moves n samples through a ramp that advances after each sample. */
    template <Mix mix>
    void moveSamplesRamped (const float* src, std::ptrdiff_t srcStep, float* dst, std::ptrdiff_t dstStep,
                            std::uint32_t n, float& gain, float& step) noexcept
    {
        for (std::uint32_t j = 0; j < n; ++j)
        {
            const auto v = src[std::ptrdiff_t (j) * srcStep] * gain;
            if constexpr (mix == Mix::copy)
                dst[std::ptrdiff_t (j) * dstStep] = v;
            else
                dst[std::ptrdiff_t (j) * dstStep] += v;
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

        BlockCursor piece = input;
        piece.count = m;

        if (offset == 0 && m == b->count)
        {
            if (! writeFresh (memory, b, piece, m, direction, ramp))
                skipRamp (ramp, m);
            return b;
        }

        auto* root = b->chainRoot();
        auto* audio = createBlock (memory, &piece, b->channels, b->start + offset, m, direction, root, ramp);

        if (audio == nullptr)
        {
            skipRamp (ramp, m);
            return b;
        }

        if (offset > 0 && offset + m < b->count)
        {
            auto* silence = createBlock (memory, nullptr, b->channels, b->start, offset, direction, root, nullptr);

            if (silence == nullptr)
            {
                releaseBlock (memory, audio);
                return b;
            }

            insertBefore (b, silence);
            insertBefore (b, audio);
            b->start += offset + m;
            b->count -= offset + m;
        }
        else if (offset == 0)
        {
            insertBefore (b, audio);
            b->start += m;
            b->count -= m;
        }
        else
        {
            insertAfter (b, audio);
            b->count -= m;
        }

        return audio;
    }
} // namespace

SampleBlock* createBlock (MemorySystem::Allocator& memory, const BlockCursor* input, std::uint32_t channels,
                          std::uint32_t start, std::uint32_t count, Direction direction, SampleBlock* root,
                          GainRamp* ramp) noexcept
{
    void* place = memory.allocate (sizeof (SampleBlock));

    if (place == nullptr)
        return nullptr;

    auto* block = new (place) SampleBlock { nullptr, nullptr, root, 0, count, start, channels, { nullptr, nullptr } };

    if (input != nullptr && ! writeFresh (memory, block, *input, count, direction, ramp))
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

    while (p >= b->start + b->count)
        b = b->next;

    return b;
}

SampleBlock* play (SampleBlock* hint, BlockCursor cursor, Direction direction, GainRamp* ramp) noexcept
{
    if (hint == nullptr || cursor.count == 0 || (ramp != nullptr && ramp->isSilent()))
        return hint;

    const auto length = loopLengthOf (hint);

    if (length == 0)
        return hint;

    cursor.position %= length;

    for (;;)
    {
        std::uint32_t m = 0;

        if (direction == Direction::forwards)
        {
            auto* b = locate (hint, cursor.position);
            hint = b;
            const auto offset = cursor.position - b->start;
            m = std::min (b->count - offset, cursor.count);

            if (b->hasAudio())
            {
                const float* src[2] = { b->buffer[0] + offset, b->buffer[1] != nullptr ? b->buffer[1] + offset : nullptr };
                transfer<Mix::add> (src, 1, cursor.channel, 1, channelsOf (b, cursor), m, ramp);
            }
            else
            {
                skipRamp (ramp, m);
            }

            if (m == cursor.count)
                return hint;

            advanceCursor (cursor, cursor.count - m, length);
        }
        else
        {
            const auto boundary = cursor.position == 0 ? length : cursor.position;
            auto* b = locate (hint, boundary - 1);
            hint = b;
            m = std::min (boundary - b->start, cursor.count);

            if (b->hasAudio())
            {
                const auto last = boundary - 1 - b->start;
                const float* src[2] = { b->buffer[0] + last, b->buffer[1] != nullptr ? b->buffer[1] + last : nullptr };
                transfer<Mix::add> (src, -1, cursor.channel, 1, channelsOf (b, cursor), m, ramp);
            }
            else
            {
                skipRamp (ramp, m);
            }

            if (m == cursor.count)
                return hint;

            retreatCursor (cursor, cursor.count - m, length);
        }
    }
}

SampleBlock* overdub (MemorySystem::Allocator& memory, SampleBlock* hint, BlockCursor cursor, Direction direction,
                      GainRamp* ramp) noexcept
{
    if (hint == nullptr || cursor.count == 0 || (ramp != nullptr && ramp->isSilent()))
        return hint;

    const auto length = loopLengthOf (hint);

    if (length == 0)
        return hint;

    cursor.position %= length;

    for (;;)
    {
        std::uint32_t m = 0;

        if (direction == Direction::forwards)
        {
            auto* b = locate (hint, cursor.position);
            const auto offset = cursor.position - b->start;
            m = std::min (b->count - offset, cursor.count);
            hint = writeInto (memory, b, offset, m, cursor, direction, ramp);

            if (m == cursor.count)
                return hint;

            advanceCursor (cursor, cursor.count - m, length);
        }
        else
        {
            const auto boundary = cursor.position == 0 ? length : cursor.position;
            auto* b = locate (hint, boundary - 1);
            m = std::min (boundary - b->start, cursor.count);
            hint = writeInto (memory, b, boundary - m - b->start, m, cursor, direction, ramp);

            if (m == cursor.count)
                return hint;

            retreatCursor (cursor, cursor.count - m, length);
        }
    }
}

SampleBlock* append (MemorySystem::Allocator& memory, SampleBlock* hint, const BlockCursor& cursor,
                     GainRamp* ramp) noexcept
{
    auto* root = hint->chainRoot();
    const auto length = root->loopLength;

    if (cursor.count == 0)
        return root;

    if (auto* audio = createBlock (memory, &cursor, root->channels, length, cursor.count, Direction::forwards, root, ramp))
    {
        insertBefore (root, audio);
    }
    else
    {
        // Out of sample memory: the stretch is kept as silence so the loop's timing holds.
        skipRamp (ramp, cursor.count);
        auto* last = root->prev;

        if (! last->hasAudio())
        {
            last->count += cursor.count;
        }
        else if (auto* silence = createBlock (memory, nullptr, root->channels, length, cursor.count,
                                              Direction::forwards, root, nullptr))
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
                 Direction direction, GainRamp* ramp) noexcept
{
    float* buffers[2] = { nullptr, nullptr };
    const auto channels = std::min (block->channels, std::uint32_t (2));

    for (std::uint32_t c = 0; c < channels; ++c)
    {
        buffers[c] = static_cast<float*> (memory.allocate (n * sizeof (float)));

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

} // namespace Work::SampleChain
