#pragma once

#include "engine/GuiTimerClient.h"

#include <juce_events/juce_events.h>

#include <cstdint>
#include <vector>

namespace Work
{

/** The one periodic timer of the performance screen: every 15 ms it calls each connected client
    on the message thread, in the order they were connected. Heavier views (the meters) refresh
    on one tick in refreshDivider, picked by the tick count.

    Clients are connected and disconnected on the message thread, never during a tick; a client
    is disconnected before it is destroyed. [message] */
class GuiTimer final : private juce::Timer
{
public:
    static constexpr int intervalMs = 15;
    static constexpr int refreshDivider = 8;

    GuiTimer();
    ~GuiTimer() override;

    void addClient (GuiTimerClient* client);
    void removeClient (GuiTimerClient* client);
    [[nodiscard]] int getNumClients() const noexcept { return int (clients.size()); }

    void start() { startTimer (intervalMs); }
    void stop() { stopTimer(); }

    /** One tick at nowMs: the tick count goes up, then every client is called. The timer calls
        it with the wall clock; tests and benchmarks call it with a clock of their own. */
    void tick (std::int64_t nowMs);

    [[nodiscard]] int getTickCount() const noexcept { return tickCount; }

    /** Whether a client refreshing on one tick in refreshDivider, in slot slot, refreshes now. */
    [[nodiscard]] bool isRefreshTick (int slot) const noexcept
    {
        return slot % refreshDivider == tickCount % refreshDivider;
    }

private:
    void timerCallback() override;

    std::vector<GuiTimerClient*> clients;
    std::int64_t startTime;
    int tickCount = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (GuiTimer)
};

} // namespace Work
