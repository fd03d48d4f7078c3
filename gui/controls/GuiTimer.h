// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "engine/GuiTimerClient.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace Work
{

/** The one refresh of the performance screen: on every tick it calls each connected client on
    the message thread, in the order they were connected. Heavier views (the meters) refresh on
    one tick in refreshDivider, picked by the tick count.

    How it ticks: the window already wakes the message thread at every vertical blank of its
    display to draw what changed; the screen ticks on the first blank at least tickMs after its
    last tick (every 16.7 ms at 60 Hz, every 20 ms on a display that names no rate), and what a
    tick asks to repaint is drawn in the same wake-up. A separate timer would wake the timer
    thread and the message thread once more for every tick, for nothing.

    Clients are connected and disconnected on the message thread, never during a tick; a client
    is disconnected before it is destroyed. [message] */
class GuiTimer final
{
public:
    /** The shortest time between two ticks. */
    static constexpr int tickMs = 14;
    static constexpr int refreshDivider = 8;

    GuiTimer();
    ~GuiTimer();

    void addClient (GuiTimerClient* client);
    void removeClient (GuiTimerClient* client);
    [[nodiscard]] int getNumClients() const noexcept { return int (clients.size()); }

    /** Ticks from now on with the vertical blanks of the window that shows component. */
    void start (juce::Component& component);
    void stop();

    /** One tick at nowMs: the tick count goes up, then every client is called. The blanks call
        it with the wall clock; tests and benchmarks call it with a clock of their own. */
    void tick (std::int64_t nowMs);

    [[nodiscard]] int getTickCount() const noexcept { return tickCount; }

    /** Whether a client refreshing on one tick in refreshDivider, in slot slot, refreshes now. */
    [[nodiscard]] bool isRefreshTick (int slot) const noexcept
    {
        return slot % refreshDivider == tickCount % refreshDivider;
    }

private:
    void blank();

    std::vector<GuiTimerClient*> clients;
    std::unique_ptr<juce::VBlankAttachment> attachment;
    std::int64_t startTime;
    std::int64_t lastTick = 0;
    int tickCount = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (GuiTimer)
};

} // namespace Work
