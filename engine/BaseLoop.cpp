// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "BaseLoop.h"

#include <algorithm>
#include <utility>

namespace Work
{

BaseLoop::BaseLoop (MemorySystem::Allocator& memoryToUse, int input, int output, int channels) noexcept
    : memory (memoryToUse)
    , inputChannel (input)
    , outputChannel (output)
    , numChannels (std::clamp (channels, 1, 2))
{
}

BaseLoop::~BaseLoop()
{
    if (chain != nullptr)
        SampleChain::destroyBlock (memory, chain->chainRoot());
}

void BaseLoop::adopt (SampleBlock* root, bool isErased, bool isUndone) noexcept
{
    if (chain != nullptr)
        SampleChain::destroyBlock (memory, chain->chainRoot());

    chain = root;
    erased = isErased;
    undone = isUndone;
    recording = false;
    preRoll = tail = fadeBack = 0;
    lastMuted = isMuted();
    playRamp.setGain (lastMuted ? 0.0f : 1.0f);
}

void BaseLoop::destroy() noexcept
{
    auto& pool = memory;
    void* place = this;
    this->~BaseLoop();
    pool.release (place);
}

void BaseLoop::startRecording (std::uint32_t offset) noexcept
{
    recording = true;
    preRoll = offset;
    tail = 0;
    recordRamp.startFadeIn();
}

void BaseLoop::beginFadeOut() noexcept
{
    recordRamp.startFadeOut();

    if (! recordRamp.isMoving())
        recording = false;
}

void BaseLoop::stopAfterFade (std::uint32_t offset) noexcept
{
    if (offset > GainRamp::fadeLength)
    {
        tail = offset - GainRamp::fadeLength;
        return;
    }

    tail = 0;
    beginFadeOut();
}

std::uint32_t BaseLoop::remainingAfterStop() const noexcept
{
    if (! recording)
        return 0;

    if (recordRamp.isFadingOut())
        return static_cast<std::uint32_t> (recordRamp.samplesLeft());

    if (fadeBack > 0)
        return std::uint32_t (GainRamp::fadeLength) - fadeBack;

    if (tail == 0)
        return 0;

    // The fade has not started: it will run from the gain the ramp holds then (unity by then
    // unless the recording is shorter than its own fade-in).
    GainRamp fade = recordRamp;
    fade.setGain (std::min (1.0f, recordRamp.gain + recordRamp.step * float (tail)));
    fade.startFadeOut();
    return tail + static_cast<std::uint32_t> (std::max (0, fade.samplesLeft()));
}

std::uint32_t BaseLoop::recordBlock (const float* const* inputs, std::uint32_t n, std::uint32_t position,
                                     Direction direction) noexcept
{
    if (! recording)
        return 0;

    const auto loopLength = length();
    auto input = BlockCursor::onChannels (inputs + inputChannel, std::uint32_t (numChannels), 0, n, position);

    // Loops of fixed length follow the samples skipped with their position.
    auto skip = [&] (std::uint32_t count) {
        input.skipSamples (count);
        input.count -= count;
        if (loopLength > 0)
            input.position =
                direction == Direction::forwards
                    ? std::uint32_t ((std::uint64_t (input.position) + count) % loopLength)
                    : std::uint32_t ((std::uint64_t (input.position) + loopLength - count % loopLength) % loopLength);
    };

    auto writeNormally = [&] (const BlockCursor& samples) {
        if (samples.count > 0)
            writeRecorded (samples, direction, recordRamp.isMoving() ? &recordRamp : nullptr);
    };

    auto passed = [&] { return n - input.count; };

    if (preRoll >= input.count)
    {
        preRoll -= input.count;
        return n;
    }

    skip (std::exchange (preRoll, 0u));

    if (tail > 0)
    {
        if (tail > input.count)
        {
            tail -= input.count;
            writeNormally (input);
            return n;
        }

        auto head = input;
        head.count = std::exchange (tail, 0u);
        writeNormally (head);
        skip (head.count);
        beginFadeOut();

        // The fade goes on into the next block when this one ends first.
        if (! recording)
            return passed();
        if (input.count == 0)
            return n;
    }

    if (recordRamp.isFadingOut())
    {
        const auto left = static_cast<std::uint32_t> (std::max (0, recordRamp.samplesLeft()));

        if (left <= input.count)
        {
            const auto ended = passed() + left;
            input.count = left;
            writeNormally (input);
            recording = false;
            return ended;
        }
    }

    writeNormally (input);
    return n;
}

void BaseLoop::playPiece (float* const* outputs, std::uint32_t outputOffset, std::uint32_t position, Direction direction,
                          std::uint32_t n) noexcept
{
    const auto cursor =
        BlockCursor::onChannels (outputs + outputChannel, std::uint32_t (numChannels), outputOffset, n, position);
    chain = SampleChain::play (chain, cursor, direction, playRamp.isMoving() ? &playRamp : nullptr);
}

void BaseLoop::playInPieces (float* const* outputs, std::uint32_t position, Direction direction, std::uint32_t n) noexcept
{
    const auto loopLength = length();

    if (n <= loopLength)
    {
        playPiece (outputs, 0, position < loopLength ? position : position % loopLength, direction, n);
        return;
    }

    for (std::uint32_t offset = 0; offset < n; offset += loopLength)
    {
        const auto count = std::min (loopLength, n - offset);
        const auto piecePosition =
            direction == Direction::forwards
                ? std::uint32_t ((std::uint64_t (offset) + position) % loopLength)
                : std::uint32_t ((std::uint64_t (loopLength) - offset % loopLength + position) % loopLength);
        playPiece (outputs, offset, piecePosition, direction, count);
    }
}

void BaseLoop::play (float* const* outputs, std::uint32_t position, Direction direction, std::uint32_t n,
                     ActivityMatrix* activity) noexcept
{
    if (length() == 0 || playRamp.isSilent())
        return;

    markActivity (activity);
    playInPieces (outputs, position, direction, n);
}

} // namespace Work
