// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "audio/AudioDevice.h"

#include <juce_events/juce_events.h>

#include <functional>

namespace Work
{

/** Calls back once the audio device has run a number of blocks more than when asked, so that
    whatever was on its way to the engine then has reached it; at once when no block can run,
    and after timeoutMs at the latest. [message] */
class BlockWait final : private juce::Timer
{
public:
    static constexpr juce::uint32 timeoutMs = 500;

    ~BlockWait() override { stopTimer(); }

    /** Waits for blocks more blocks of device (null: none can run), then calls then. */
    void start (const AudioDevice* deviceToWatch, std::uint64_t blocks, std::function<void()> then)
    {
        device = deviceToWatch;
        target = device != nullptr ? device->getBlocksDelivered() + blocks : 0;
        startedMs = juce::Time::getMillisecondCounter();
        callback = std::move (then);
        timerCallback();
    }

    [[nodiscard]] bool isWaiting() const noexcept { return callback != nullptr; }

private:
    void timerCallback() override
    {
        const bool done = device == nullptr || ! device->blocksMayRun() || device->getBlocksDelivered() >= target
                          || juce::Time::getMillisecondCounter() - startedMs > timeoutMs;

        if (! done)
        {
            if (! isTimerRunning())
                startTimer (5);
            return;
        }

        stopTimer();
        auto then = std::move (callback);
        callback = nullptr;
        then();
    }

    const AudioDevice* device = nullptr;
    std::uint64_t target = 0;
    juce::uint32 startedMs = 0;
    std::function<void()> callback;
};

} // namespace Work
