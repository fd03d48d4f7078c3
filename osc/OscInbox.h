// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "engine/BlockEventSource.h"
#include "engine/LockFreeFifo.h"
#include "midi/MidiGuiManager.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace Work
{

/** Where OSC commands wait for their block: the OSC thread posts them, and at the start of each
    block the audio thread hands those that are due to the controls through the MIDI mapping
    manager, at their frames, just as JACK MIDI is handed on.

    An untimed command acts at the start of the next block. A timed one (the time tag of its
    bundle) waits until the block that holds its moment and acts on that frame: with the JACK
    device, the moment is on the server's microsecond clock and becomes a frame through the
    cycle's own times; with another device it is a wall-clock millisecond placed in the block by
    the block clock. A moment already past acts at the start of the block. While the engine takes
    no blocks the commands wait; while the controls do not listen (the MIDI log or the options
    are open) they are dropped and counted, as MIDI is.

    Threads: post [the OSC thread, the only producer]; blockStarting [audio]; useBook [message,
    while no block can run]; the counters [any]. Nothing here allocates after construction. */
class OscInbox final : public BlockEventSource
{
public:
    enum class Clock : std::uint8_t
    {
        now,          // at the start of the next block
        serverMicros, // at a moment on the JACK server's clock
        wallMs        // at a wall-clock millisecond
    };

    struct Event
    {
        MidiCommands::MidiGuiListener* control = nullptr;
        MidiCommandKind kind = MidiCommandKind::momentary;
        NamedAction action = NamedAction::trigger;
        Clock clock = Clock::now;
        int value = 0;
        std::int64_t at = 0; // microseconds or milliseconds, as clock says
        std::int64_t postedMs = 0;
        std::uint64_t book = 0; // the address book the command was read through
    };

    /** Commands that wait at once, beyond those still in the queue from the OSC thread. */
    static constexpr int capacity = 256;

    explicit OscInbox (MidiGuiManager& manager);

    /** [osc] False, and the command dropped, when the queue is full. */
    bool post (const Event& event) noexcept;

    // BlockEventSource [audio]
    void blockStarting (const BlockStart& block) noexcept override;

    /** [message, no block running] Drops every waiting command, and from now on hands on only
        those read through the book with this id (0: none), as the controls of others may be gone. */
    void useBook (std::uint64_t bookId) noexcept;

    /** [any] Whether the controls do not listen now (the MIDI log or the options are open). */
    [[nodiscard]] bool controlsHeldOff() const noexcept { return manager.isDisabled(); }

    /** [any] Commands handed to the controls; dropped while the controls did not listen; dropped
        because their control went or the queues were full. */
    [[nodiscard]] std::uint64_t getDispatched() const noexcept { return dispatched.load (std::memory_order_relaxed); }
    [[nodiscard]] std::uint64_t getHeldOff() const noexcept { return heldOff.load (std::memory_order_relaxed); }
    [[nodiscard]] std::uint64_t getLost() const noexcept { return lost.load (std::memory_order_relaxed); }

    /** The frame in a block at which an event is due, or -1 when it is due after the block. */
    [[nodiscard]] static std::int64_t dueOffset (const Event& event, const BlockStart& block) noexcept;

private:
    MidiGuiManager& manager;
    LockFreeFifo<Event> incoming { 1024 };
    std::array<Event, capacity> waiting {};
    int numWaiting = 0;
    std::atomic<std::uint64_t> bookInForce { 0 };
    std::atomic<std::uint64_t> dispatched { 0 }, heldOff { 0 }, lost { 0 };
};

} // namespace Work
