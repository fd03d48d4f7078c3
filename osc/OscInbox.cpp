// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "OscInbox.h"

#include <cmath>

namespace Work
{

OscInbox::OscInbox (MidiGuiManager& managerToUse)
    : manager (managerToUse)
{
}

bool OscInbox::post (const Event& event) noexcept
{
    if (incoming.push (event))
        return true;

    lost.fetch_add (1, std::memory_order_relaxed);
    return false;
}

std::int64_t OscInbox::dueOffset (const Event& event, const BlockStart& block) noexcept
{
    double offset = 0.0;

    if (event.clock == Clock::serverMicros && block.frameClock)
        offset = double (event.at - block.frameMicros) / block.microsPerFrame;
    else if (event.clock == Clock::wallMs && block.sampleRate > 0.0)
        offset = double (event.at - block.timeMs) * block.sampleRate / 1000.0;

    // The frame whose period holds the moment; a moment past acts at the block's start.
    const auto frame = std::floor (std::max (offset, 0.0));
    return frame < double (block.numSamples) ? std::int64_t (frame) : -1;
}

void OscInbox::blockStarting (const BlockStart& block) noexcept
{
    const auto book = bookInForce.load (std::memory_order_relaxed);

    while (numWaiting < capacity)
    {
        const auto* event = incoming.pop();
        if (event == nullptr)
            break;
        if (event->book != book)
            lost.fetch_add (1, std::memory_order_relaxed);
        else
            waiting[std::size_t (numWaiting++)] = *event;
    }

    if (! block.runs)
        return;

    // Handed on in the order they came; those not yet due, or refused while the tables change,
    // close up behind and wait for a later block.
    int kept = 0;
    for (int i = 0; i < numWaiting; ++i)
    {
        const auto& event = waiting[std::size_t (i)];
        const auto offset = dueOffset (event, block);
        auto result = MidiGuiManager::NamedResult::changing;

        if (offset >= 0)
            result = manager.dispatchNamed (event.kind, event.control, event.action, event.value,
                                            block.frame + std::uint32_t (offset), event.postedMs);

        switch (result)
        {
            case MidiGuiManager::NamedResult::done: dispatched.fetch_add (1, std::memory_order_relaxed); break;
            case MidiGuiManager::NamedResult::heldOff: heldOff.fetch_add (1, std::memory_order_relaxed); break;
            case MidiGuiManager::NamedResult::unknown: lost.fetch_add (1, std::memory_order_relaxed); break;
            case MidiGuiManager::NamedResult::changing: waiting[std::size_t (kept++)] = event; break;
        }
    }
    numWaiting = kept;
}

void OscInbox::useBook (std::uint64_t bookId) noexcept
{
    // The OSC thread may still post through the old book; the audio thread drops those.
    bookInForce.store (bookId, std::memory_order_relaxed);
    numWaiting = 0;
}

} // namespace Work
