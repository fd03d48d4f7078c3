// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "GrowingLoop.h"

namespace Work
{

void GrowingLoop::createEmptyChain() noexcept
{
    chain =
        SampleChain::createBlock (memory, nullptr, std::uint32_t (numChannels), 0, 0, Direction::forwards, nullptr, nullptr);
    if (chain != nullptr)
        chain->next = chain->prev = chain;
}

bool GrowingLoop::canEndAt (std::uint32_t total) const noexcept
{
    const auto fade = std::uint32_t (GainRamp::fadeLength);
    return total >= length() && total >= 2 * fade;
}

void GrowingLoop::endAt (std::uint32_t total) noexcept
{
    const auto fade = std::uint32_t (GainRamp::fadeLength);
    const auto recorded = length();

    tail = 0;
    fadeBack = 0;

    if (total >= recorded + fade)
    {
        tail = total - fade - recorded;
        if (tail == 0)
            beginFadeOut();
        return;
    }

    fadeBack = recorded + fade - total;
}

void GrowingLoop::fadeRecordedEnd() noexcept
{
    const auto from = length() - fadeBack;
    recordRamp.startFadeOut();
    chain = SampleChain::applyRamp (chain, from, fadeBack, recordRamp);
    fadeBack = 0;

    // A press right on the end of the grain leaves nothing of the fade to record.
    if (! recordRamp.isMoving())
        recording = false;
}

void GrowingLoop::writeRecorded (const BlockCursor& input, Direction, GainRamp* ramp) noexcept
{
    auto* root = chain->chainRoot();

    if (SampleChain::isStarted (root))
    {
        SampleChain::append (memory, root, input, ramp);
    }
    else
    {
        // Without sample memory the first stretch is kept as silence, so the loop's timing holds.
        if (! SampleChain::writeFresh (memory, root, input, input.count, Direction::forwards, ramp,
                                       SampleChain::chunkSamples)
            && ! SampleChain::writeFresh (memory, root, input, input.count, Direction::forwards, ramp))
        {
            root->count = input.count;
            if (ramp != nullptr)
                ramp->skip (input.count);
        }
        SampleChain::setLoopLength (root, input.count);
    }

    // The newest block is where playback of a loop still being finished will read next.
    chain = root->prev;
}

} // namespace Work
