// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "MainAudio.h"

#include <juce_events/juce_events.h>

#include <cstdint>
#include <functional>
#include <memory>

namespace Work
{

/** Keeps the audio device running through a performance: notices when it stops (an error from
    the device, or no block for a second while it should be running), tells the performer, and
    then tries about once a second to open the same device again, until it can. The loops, the
    mix and the MIDI mappings are untouched throughout: blocks simply stop and start again, so
    the loops play on from where the transport stood.

    A device that could not be opened at all (no server running when the program started) is
    tried the same way. Everything here runs on the message thread; each attempt is one quick
    open that fails at once while the device is away, and it runs under the callback gate.
    [message] */
class DeviceKeeper final : private juce::Timer
{
public:
    enum class State
    {
        idle,    // not watching: the device is closed on purpose
        running, // blocks arrive
        away     // lost, or never opened: retrying
    };

    static constexpr int checkIntervalMs = 250, retryIntervalMs = 1000, silenceLimitMs = 1000;

    explicit DeviceKeeper (MainAudio& audio);
    ~DeviceKeeper() override;

    /** After the device was opened, or failed to open (then the default is retried). */
    void watch (bool opened);

    /** Before the device is closed on purpose. */
    void stopWatching();

    [[nodiscard]] State getState() const noexcept { return state; }

    /** True while the performer is choosing a device (the options are open): the keeper then
        judges nothing, and afterwards keeps what was chosen, no device included. */
    std::function<bool()> isDeviceBeingChosen;

    /** One check at once, for tests. */
    void checkNow() { timerCallback(); }

private:
    void timerCallback() override;
    void deviceLost();
    void tryToReopen (std::int64_t now);
    void showAway (bool lost);

    MainAudio& audio;
    State state = State::idle;
    std::unique_ptr<juce::XmlElement> lastGoodState;
    juce::String lastName;
    double lastRate = 0.0;
    std::uint64_t lastBlocks = 0;
    std::int64_t lastBlockSeen = 0, nextAttempt = 0;
    bool choosing = false;
};

} // namespace Work
