// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

// What the checks of presses at frames share (MIDI on the JACK port, timed OSC bundles): a
// sender client feeds the engine a signal whose every sample names its frame on the server's
// clock (frame mod 2^24, over 2^24: exact in a float); the engine records a main loop from a
// punch command; the loop's content then tells on which frame it started.
#include "audio/EngineRuntime.h"
#include "engine/ChainTestSupport.h"
#include "engine/MainLoop.h"

#include <juce_events/juce_events.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace Work::Testing
{

constexpr double frameScale = 16777216.0; // 2^24

/** The sample a sender writes for frame. */
inline float sampleNaming (std::uint32_t frame) noexcept
{
    return float (double (frame & 0xffffffu) / frameScale);
}

/** A punch command as a screen control holds one, with nothing to show. */
struct PunchCommand final : MidiCommands::SimpleCommand
{
    PunchCommand()
        : SimpleCommand ("Punch In Out 1 1", false, { CommandCode::punch, 0, 1, 0 })
    {
    }
    void guiFeedback (std::int64_t) override {}
};

/** The checks that failed so far; check prints each. */
inline int failures = 0;

inline void check (bool condition, const char* what)
{
    if (! condition)
    {
        std::printf ("FAIL: %s\n", what);
        ++failures;
    }
}

/** The frame a recording began on, read from its content: away from its faded ends, sample i
    names frame start + i. Returns false when the content does not say one frame throughout. */
inline bool startFrameOf (const std::vector<float>& content, std::uint32_t& start)
{
    const auto fade = std::size_t (GainRamp::fadeLength);
    if (content.size() < 3 * fade)
        return false;

    for (std::size_t i = fade; i < content.size() - fade; ++i)
    {
        const auto named = std::uint32_t (std::llround (double (content[i]) * frameScale));
        const auto begin = (named - std::uint32_t (i)) & 0xffffffu;
        if (i == fade)
            start = begin;
        else if (begin != start)
            return false;
    }
    return true;
}

inline std::uint32_t roundedUp (std::uint32_t length)
{
    return (length + MainLoop::lengthGrain - 1) / MainLoop::lengthGrain * MainLoop::lengthGrain;
}

/** Settings for a check: no latency offset, the sender client as the JACK input device, the
    server's hardware as the output. */
inline void useSenderAsInput (MainSettings& settings, const char* senderName)
{
    settings.latencyOffsetMs.getValue() = "0";
    juce::XmlElement state ("DEVICESETUP");
    state.setAttribute ("deviceType", "JACK");
    state.setAttribute ("audioInputDeviceName", senderName);
    state.setAttribute ("audioOutputDeviceName", "system");
    state.setAttribute ("audioDeviceInChans", "11");
    state.setAttribute ("audioDeviceOutChans", "11");
    settings.getApplicationProperties().getUserSettings()->setValue (AudioDevice::deviceStateKey, &state);
}

/** The main loop as it stands, read between two blocks. */
struct RecordedLoop
{
    bool finished = false, named = false; // done recording; its content names one start frame
    std::uint32_t length = 0, start = 0;
};

inline RecordedLoop readMainLoop (EngineRuntime& engine)
{
    RecordedLoop loop;
    const CallbackDisabler::ScopedDisable gate (*engine.getDevice());
    if (auto* main = engine.getLooper()->getCurrentPart().getMainLoop())
    {
        loop.finished = ! main->isRecording();
        loop.length = main->length();
        loop.named = startFrameOf (readChain (const_cast<SampleBlock*> (main->getChain())), loop.start);
    }
    return loop;
}

/** Stopped and cleared for the next pair (the reset asks, the second press confirms), the
    message loop run meanwhile by runFor (milliseconds); checks that no loop is left. */
inline void resetLoops (EngineRuntime& engine, const std::function<void (int)>& runFor)
{
    for (const auto code : { CommandCode::startStop, CommandCode::resetLoops, CommandCode::resetLoops })
    {
        engine.postFromScreen ({ code, 0, 0, 0, juce::Time::currentTimeMillis() });
        runFor (60);
    }
    runFor (100);
    check (engine.getLooper()->getCurrentPart().getMainLoop() == nullptr, "the loops reset between pairs");
}

} // namespace Work::Testing
