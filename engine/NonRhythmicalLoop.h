// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "GrowingLoop.h"

namespace Work
{

/** The free loop: a loop of free length. It grows like a main loop while recorded, then plays at its own
    position, independent of the cycle. One recorded while the direction was reversed plays
    the other way round from the rest. */
class NonRhythmicalLoop final : public GrowingLoop
{
public:
    /** [audio] A new empty free loop in the pool, or null when exhausted. */
    static NonRhythmicalLoop* create (MemorySystem::Allocator& memory, int input, int output, int channels,
                                      Direction directionInForce) noexcept;

    /** Stops offset samples into the block: the loop ends on the press, its last 50 samples
        the closing fade. */
    void stopRecording (std::uint32_t offset) noexcept;

    /** [audio] Plays n samples at the loop's own position into the outputs from outputOffset on,
        and moves the position on. The position runs even while the loop is muted, so it stays
        in time. */
    void playOwn (float* const* outputs, Direction direction, std::uint32_t n, ActivityMatrix* activity,
                  std::uint32_t outputOffset = 0) noexcept;

    [[nodiscard]] bool isStopping() const noexcept { return stopping; }
    [[nodiscard]] std::uint32_t getPosition() const noexcept { return position; }
    void setPosition (std::uint32_t p) noexcept { position = length() > 0 ? p % length() : 0; }
    [[nodiscard]] bool wasRecordedReversed() const noexcept { return recordedReversed; }

    /** The next loop of the owning set's list. */
    NonRhythmicalLoop* next = nullptr;

private:
    friend class BaseLoop;
    NonRhythmicalLoop (MemorySystem::Allocator& memory, int input, int output, int channels,
                       Direction directionInForce) noexcept;

    std::uint32_t position = 0;
    bool stopping = false;
    bool recordedReversed = false;
};

} // namespace Work
